#pragma once
// Owners of the libav objects the encoder uses; each frees its object the one
// way libav wants it freed.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace wmaenc {

struct InputFormatCloser {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatCloser>;

// An output context owns its file: closing the file comes before freeing it.
struct OutputFormatCloser {
    void operator()(AVFormatContext* ctx) const
    {
        if (ctx->oformat && !(ctx->oformat->flags & AVFMT_NOFILE))
            avio_closep(&ctx->pb);
        avformat_free_context(ctx);
    }
};
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatCloser>;

struct CodecContextFree {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;

struct SwrFree {
    void operator()(SwrContext* ctx) const { swr_free(&ctx); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

struct FifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;

// Channel layouts hold memory for custom orders; uninit releases it.
class ChannelLayout {
public:
    ChannelLayout() = default;
    ~ChannelLayout() { av_channel_layout_uninit(&m_layout); }
    ChannelLayout(const ChannelLayout&) = delete;
    ChannelLayout& operator=(const ChannelLayout&) = delete;
    AVChannelLayout* get() { return &m_layout; }

private:
    AVChannelLayout m_layout{};
};

} // namespace wmaenc
