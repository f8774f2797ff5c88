#pragma once
// The parts of libavcodec, libavformat and libavutil that decode compressed
// WAV files, bound with dlopen on first use. Most runs never read such a file,
// and linking the libraries would load them (and their dozens of
// dependencies) into every start of the program.
//
// Threads: the first call binds the table (once, thread-safe); it is read-only
// afterwards.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace av {

struct Api {
    // libavcodec
    const AVCodec* (*avcodec_find_decoder)(enum AVCodecID) = nullptr;
    AVCodecContext* (*avcodec_alloc_context3)(const AVCodec*) = nullptr;
    void (*avcodec_free_context)(AVCodecContext**) = nullptr;
    int (*avcodec_open2)(AVCodecContext*, const AVCodec*, AVDictionary**) = nullptr;
    int (*avcodec_send_packet)(AVCodecContext*, const AVPacket*) = nullptr;
    int (*avcodec_receive_frame)(AVCodecContext*, AVFrame*) = nullptr;
    AVPacket* (*av_packet_alloc)() = nullptr;
    void (*av_packet_free)(AVPacket**) = nullptr;
    AVCodecParserContext* (*av_parser_init)(int) = nullptr;
    int (*av_parser_parse2)(AVCodecParserContext*, AVCodecContext*, uint8_t**, int*, const uint8_t*,
                            int, int64_t, int64_t, int64_t) = nullptr;
    void (*av_parser_close)(AVCodecParserContext*) = nullptr;
    // libavformat
    const AVCodecTag* (*avformat_get_riff_audio_tags)() = nullptr;
    enum AVCodecID (*av_codec_get_id)(const AVCodecTag* const*, unsigned int) = nullptr;
    // libavutil
    AVFrame* (*av_frame_alloc)() = nullptr;
    void (*av_frame_free)(AVFrame**) = nullptr;
    void (*av_channel_layout_default)(AVChannelLayout*, int) = nullptr;
    void* (*av_mallocz)(size_t) = nullptr;
    int (*av_sample_fmt_is_planar)(enum AVSampleFormat) = nullptr;
    enum AVSampleFormat (*av_get_packed_sample_fmt)(enum AVSampleFormat) = nullptr;
    int (*av_get_bytes_per_sample)(enum AVSampleFormat) = nullptr;
    void (*av_log_set_level)(int) = nullptr;
};

// The bound table; null when a library or one of its entry points is missing.
const Api* api();

} // namespace av
