#include "audio/vorbis_library.h"

#include "audio/pcm_exception.h"

#include <dlfcn.h>

#include <array>
#include <mutex>

namespace vorbis {

namespace {

struct State {
    std::mutex lock;
    bool attempted = false;
    Api api;
    std::array<void*, 4> handles{};
    LibraryOpener opener;
};

State& state()
{
    static State s;
    return s;
}

constexpr std::array<const char*, 4> kFiles = {"libogg.so.0", "libvorbis.so.0", "libvorbisenc.so.2",
                                               "libvorbisfile.so.3"};

// Resolves one entry point into its slot; false when the library lacks it.
template <typename Fn> bool bind(void* handle, Fn& slot, const char* name)
{
    slot = reinterpret_cast<Fn>(dlsym(handle, name));
    return slot != nullptr;
}

#define QUILLON_BIND(handle, name) ok = bind(handle, a.name, #name) && ok

bool bindOgg(void* h, Api& a)
{
    bool ok = true;
    QUILLON_BIND(h, ogg_stream_init);
    QUILLON_BIND(h, ogg_stream_packetin);
    QUILLON_BIND(h, ogg_stream_flush);
    QUILLON_BIND(h, ogg_stream_pageout);
    QUILLON_BIND(h, ogg_page_eos);
    QUILLON_BIND(h, ogg_stream_clear);
    return ok;
}

bool bindVorbis(void* h, Api& a)
{
    bool ok = true;
    QUILLON_BIND(h, vorbis_info_init);
    QUILLON_BIND(h, vorbis_info_clear);
    QUILLON_BIND(h, vorbis_comment_init);
    QUILLON_BIND(h, vorbis_comment_add_tag);
    QUILLON_BIND(h, vorbis_comment_clear);
    QUILLON_BIND(h, vorbis_analysis_init);
    QUILLON_BIND(h, vorbis_block_init);
    QUILLON_BIND(h, vorbis_analysis_headerout);
    QUILLON_BIND(h, vorbis_analysis_buffer);
    QUILLON_BIND(h, vorbis_analysis_wrote);
    QUILLON_BIND(h, vorbis_analysis_blockout);
    QUILLON_BIND(h, vorbis_analysis);
    QUILLON_BIND(h, vorbis_bitrate_addblock);
    QUILLON_BIND(h, vorbis_bitrate_flushpacket);
    QUILLON_BIND(h, vorbis_block_clear);
    QUILLON_BIND(h, vorbis_dsp_clear);
    return ok;
}

bool bindVorbisEnc(void* h, Api& a)
{
    bool ok = true;
    QUILLON_BIND(h, vorbis_encode_init);
    QUILLON_BIND(h, vorbis_encode_init_vbr);
    return ok;
}

bool bindVorbisFile(void* h, Api& a)
{
    bool ok = true;
    QUILLON_BIND(h, ov_open_callbacks);
    QUILLON_BIND(h, ov_comment);
    QUILLON_BIND(h, ov_info);
    QUILLON_BIND(h, ov_pcm_total);
    QUILLON_BIND(h, ov_time_total);
    QUILLON_BIND(h, ov_seekable);
    QUILLON_BIND(h, ov_pcm_seek);
    QUILLON_BIND(h, ov_read);
    QUILLON_BIND(h, ov_clear);
    return ok;
}

#undef QUILLON_BIND

void unloadLocked(State& s)
{
    for (void*& h : s.handles) {
        if (h)
            dlclose(h);
        h = nullptr;
    }
    s.api = Api{};
    s.attempted = false;
}

void loadLocked(State& s)
{
    if (s.attempted)
        return;
    s.attempted = true;
    using Binder = bool (*)(void*, Api&);
    constexpr std::array<Binder, 4> binders = {bindOgg, bindVorbis, bindVorbisEnc, bindVorbisFile};
    for (size_t i = 0; i < kFiles.size(); ++i) {
        void* h = s.opener ? s.opener(kFiles[i]) : dlopen(kFiles[i], RTLD_NOW | RTLD_LOCAL);
        if (!h)
            continue;
        // A library without an entry point the components call counts as
        // missing: calling through an unset entry would crash mid-run.
        Api bound = s.api;
        if (binders[i](h, bound)) {
            s.api = bound;
            s.handles[i] = h;
        } else {
            dlclose(h);
        }
    }
}

} // namespace

const char* LibraryFile(Library lib)
{
    return kFiles[size_t(lib)];
}

const Api& api()
{
    return state().api;
}

bool IsLoaded(Library lib)
{
    return state().handles[size_t(lib)] != nullptr;
}

void LoadVorbisLibraries()
{
    State& s = state();
    std::lock_guard lock(s.lock);
    loadLocked(s);
}

void UnloadVorbisLibraries()
{
    State& s = state();
    std::lock_guard lock(s.lock);
    unloadLocked(s);
}

void RequireVorbisLibraries()
{
    LoadVorbisLibraries();
    for (Library lib : {Library::Ogg, Library::Vorbis, Library::VorbisFile, Library::VorbisEnc}) {
        if (!IsLoaded(lib))
            throw EPcmException(std::string(LibraryFile(lib)) + " library could not be loaded.");
    }
}

void ReloadVorbisLibraries(LibraryOpener opener)
{
    State& s = state();
    std::lock_guard lock(s.lock);
    unloadLocked(s);
    s.opener = std::move(opener);
    loadLocked(s);
}

} // namespace vorbis
