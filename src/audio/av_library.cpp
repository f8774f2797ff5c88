#include "audio/av_library.h"

#include <dlfcn.h>

#include <string>

namespace av {

namespace {

// The libraries these headers belong to, by their major versions.
std::string soname(const char* name, int major)
{
    return std::string("lib") + name + ".so." + std::to_string(major);
}

template <typename Fn> bool bind(void* handle, Fn& slot, const char* symbol)
{
    slot = reinterpret_cast<Fn>(dlsym(handle, symbol));
    return slot != nullptr;
}

Api load()
{
    Api a;
    void* util = dlopen(soname("avutil", LIBAVUTIL_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL);
    void* codec =
        dlopen(soname("avcodec", LIBAVCODEC_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL);
    void* format =
        dlopen(soname("avformat", LIBAVFORMAT_VERSION_MAJOR).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!util || !codec || !format)
        return {};
#define QUILLON_BIND(handle, name)                                                                 \
    if (!bind(handle, a.name, #name))                                                              \
        return {};
    QUILLON_BIND(codec, avcodec_find_decoder)
    QUILLON_BIND(codec, avcodec_alloc_context3)
    QUILLON_BIND(codec, avcodec_free_context)
    QUILLON_BIND(codec, avcodec_open2)
    QUILLON_BIND(codec, avcodec_send_packet)
    QUILLON_BIND(codec, avcodec_receive_frame)
    QUILLON_BIND(codec, av_packet_alloc)
    QUILLON_BIND(codec, av_packet_free)
    QUILLON_BIND(codec, av_parser_init)
    QUILLON_BIND(codec, av_parser_parse2)
    QUILLON_BIND(codec, av_parser_close)
    QUILLON_BIND(format, avformat_get_riff_audio_tags)
    QUILLON_BIND(format, av_codec_get_id)
    QUILLON_BIND(util, av_frame_alloc)
    QUILLON_BIND(util, av_frame_free)
    QUILLON_BIND(util, av_channel_layout_default)
    QUILLON_BIND(util, av_mallocz)
    QUILLON_BIND(util, av_sample_fmt_is_planar)
    QUILLON_BIND(util, av_get_packed_sample_fmt)
    QUILLON_BIND(util, av_get_bytes_per_sample)
    QUILLON_BIND(util, av_log_set_level)
#undef QUILLON_BIND
    // The libraries stay loaded for the rest of the run.
    return a;
}

} // namespace

const Api* api()
{
    static const Api table = load();
    return table.avcodec_find_decoder ? &table : nullptr;
}

} // namespace av
