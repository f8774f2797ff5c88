#pragma once
// The Ogg and Vorbis libraries, bound at run time with dlopen: libogg,
// libvorbis, libvorbisenc and libvorbisfile. LoadVorbisLibraries() runs once
// at program start (the Vorbis components call it too, so it is never
// missed); a library that cannot be opened, or that lacks an entry point the
// components call, is marked not loaded and the components refuse to be
// created with its "could not be loaded" message.
//
// Threads: load and unload happen on the UI thread while no Vorbis component
// exists; the table is read-only afterwards and may be used from any thread.

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <functional>
#include <string>

namespace vorbis {

enum class Library { Ogg, Vorbis, VorbisEnc, VorbisFile };

// File name dlopen is given for a library, e.g. "libvorbisenc.so.2".
const char* LibraryFile(Library lib);

struct Api {
    // libogg
    int (*ogg_stream_init)(ogg_stream_state*, int) = nullptr;
    int (*ogg_stream_packetin)(ogg_stream_state*, ogg_packet*) = nullptr;
    int (*ogg_stream_flush)(ogg_stream_state*, ogg_page*) = nullptr;
    int (*ogg_stream_pageout)(ogg_stream_state*, ogg_page*) = nullptr;
    int (*ogg_page_eos)(const ogg_page*) = nullptr;
    int (*ogg_stream_clear)(ogg_stream_state*) = nullptr;
    // libvorbis
    void (*vorbis_info_init)(vorbis_info*) = nullptr;
    void (*vorbis_info_clear)(vorbis_info*) = nullptr;
    void (*vorbis_comment_init)(vorbis_comment*) = nullptr;
    void (*vorbis_comment_add_tag)(vorbis_comment*, const char*, const char*) = nullptr;
    void (*vorbis_comment_clear)(vorbis_comment*) = nullptr;
    int (*vorbis_analysis_init)(vorbis_dsp_state*, vorbis_info*) = nullptr;
    int (*vorbis_block_init)(vorbis_dsp_state*, vorbis_block*) = nullptr;
    int (*vorbis_analysis_headerout)(vorbis_dsp_state*, vorbis_comment*, ogg_packet*, ogg_packet*,
                                     ogg_packet*) = nullptr;
    float** (*vorbis_analysis_buffer)(vorbis_dsp_state*, int) = nullptr;
    int (*vorbis_analysis_wrote)(vorbis_dsp_state*, int) = nullptr;
    int (*vorbis_analysis_blockout)(vorbis_dsp_state*, vorbis_block*) = nullptr;
    int (*vorbis_analysis)(vorbis_block*, ogg_packet*) = nullptr;
    int (*vorbis_bitrate_addblock)(vorbis_block*) = nullptr;
    int (*vorbis_bitrate_flushpacket)(vorbis_dsp_state*, ogg_packet*) = nullptr;
    int (*vorbis_block_clear)(vorbis_block*) = nullptr;
    void (*vorbis_dsp_clear)(vorbis_dsp_state*) = nullptr;
    // libvorbisenc
    int (*vorbis_encode_init)(vorbis_info*, long, long, long, long, long) = nullptr;
    int (*vorbis_encode_init_vbr)(vorbis_info*, long, long, float) = nullptr;
    // libvorbisfile
    int (*ov_open_callbacks)(void*, OggVorbis_File*, const char*, long, ov_callbacks) = nullptr;
    vorbis_comment* (*ov_comment)(OggVorbis_File*, int) = nullptr;
    vorbis_info* (*ov_info)(OggVorbis_File*, int) = nullptr;
    ogg_int64_t (*ov_pcm_total)(OggVorbis_File*, int) = nullptr;
    double (*ov_time_total)(OggVorbis_File*, int) = nullptr;
    long (*ov_seekable)(OggVorbis_File*) = nullptr;
    int (*ov_pcm_seek)(OggVorbis_File*, ogg_int64_t) = nullptr;
    long (*ov_read)(OggVorbis_File*, char*, int, int, int, int, int*) = nullptr;
    int (*ov_clear)(OggVorbis_File*) = nullptr;
};

// The bound entry points. Only the ones of loaded libraries are set.
const Api& api();
bool IsLoaded(Library lib);

// Binds the four libraries once; later calls do nothing.
void LoadVorbisLibraries();
// Releases every loaded library (program end).
void UnloadVorbisLibraries();

// Throws EPcmException "<file> library could not be loaded." for the first
// of ogg, vorbis, vorbisfile, vorbisenc (in that order) that is not loaded.
void RequireVorbisLibraries();

// Test hook: replaces dlopen (a null result is a library that is missing)
// and binds again. An empty opener restores dlopen. Only while no Vorbis
// component exists.
using LibraryOpener = std::function<void*(const char* file)>;
void ReloadVorbisLibraries(LibraryOpener opener);

} // namespace vorbis
