#include "wma_file_encoder.h"

#include "av_owners.h"
#include "settings/wma_profile_table.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

namespace wmaenc {

namespace {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void check(int code, const std::string& what)
{
    if (code < 0)
        throw EncodeError(what + ": " + avError(code));
}

bool parseNumber(std::string_view text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

class Encoder {
public:
    Encoder(const EncodeRequest& request, const std::function<void(int)>& progress)
        : m_request(request), m_progress(progress)
    {}

    void run()
    {
        openInput();
        openOutput();
        openResampler();
        transcode();
        finish();
    }

    bool createdOutput() const { return m_createdOutput; }
    // Releases everything, the output file first, so that it can be removed.
    void close()
    {
        m_output.reset();
        m_encoder.reset();
        m_decoder.reset();
        m_input.reset();
    }

private:
    void openInput()
    {
        AVFormatContext* raw = nullptr;
        const int opened = avformat_open_input(&raw, m_request.input.c_str(),
                                               av_find_input_format("wav"), nullptr);
        check(opened, "cannot read input file " + m_request.input);
        m_input.reset(raw);
        check(avformat_find_stream_info(m_input.get(), nullptr),
              "cannot read input file " + m_request.input);

        const AVCodec* decoder = nullptr;
        m_streamIndex = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (m_streamIndex < 0 || !decoder)
            throw EncodeError("no audio that can be decoded in " + m_request.input);
        const AVStream* stream = m_input->streams[m_streamIndex];

        m_decoder.reset(avcodec_alloc_context3(decoder));
        if (!m_decoder)
            throw EncodeError("out of memory");
        check(avcodec_parameters_to_context(m_decoder.get(), stream->codecpar),
              "cannot decode " + m_request.input);
        check(avcodec_open2(m_decoder.get(), decoder, nullptr), "cannot decode " + m_request.input);
        if (m_decoder->sample_rate <= 0 || m_decoder->ch_layout.nb_channels <= 0)
            throw EncodeError("no sample rate or channel count in " + m_request.input);

        // A WAV file without a channel mask says nothing of the order; take
        // the usual one for its channel count.
        if (m_decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(m_inputLayout.get(), m_decoder->ch_layout.nb_channels);
        else
            check(av_channel_layout_copy(m_inputLayout.get(), &m_decoder->ch_layout),
                  "channel layout");
        m_inputSize = avio_size(m_input->pb);
    }

    void openOutput()
    {
        AVFormatContext* raw = nullptr;
        check(avformat_alloc_output_context2(&raw, nullptr, "asf", m_request.output.c_str()),
              "cannot set up the ASF writer");
        m_output.reset(raw);

        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (!encoder)
            throw EncodeError("this libavcodec has no WMA version 2 encoder");
        m_encoder.reset(avcodec_alloc_context3(encoder));
        if (!m_encoder)
            throw EncodeError("out of memory");
        m_encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_encoder->sample_rate = m_request.profile.sampleRate;
        av_channel_layout_default(&m_encoder->ch_layout, m_request.profile.channels);
        m_encoder->bit_rate =
            static_cast<int64_t>(std::max(m_request.profile.bitRateKbps, kLowestBitRateKbps)) *
            1000;
        m_encoder->time_base = AVRational{1, m_request.profile.sampleRate};
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            m_encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        check(avcodec_open2(m_encoder.get(), encoder, nullptr),
              "the WMA encoder does not take this profile");
        if (m_encoder->frame_size <= 0)
            throw EncodeError("the WMA encoder gave no frame size");

        m_stream = avformat_new_stream(m_output.get(), nullptr);
        if (!m_stream)
            throw EncodeError("out of memory");
        check(avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get()),
              "cannot set up the ASF stream");
        m_stream->time_base = m_encoder->time_base;

        if (!m_request.author.empty())
            av_dict_set(&m_output->metadata, "author", m_request.author.c_str(), 0);
        if (!m_request.description.empty())
            av_dict_set(&m_output->metadata, "comment", m_request.description.c_str(), 0);

        check(avio_open(&m_output->pb, m_request.output.c_str(), AVIO_FLAG_WRITE),
              "cannot write output file " + m_request.output);
        m_createdOutput = true;
        check(avformat_write_header(m_output.get(), nullptr),
              "cannot write output file " + m_request.output);
    }

    void openResampler()
    {
        SwrContext* raw = nullptr;
        check(swr_alloc_set_opts2(&raw, &m_encoder->ch_layout, m_encoder->sample_fmt,
                                  m_encoder->sample_rate, m_inputLayout.get(),
                                  m_decoder->sample_fmt, m_decoder->sample_rate, 0, nullptr),
              "cannot set up the resampler");
        m_resampler.reset(raw);
        check(swr_init(m_resampler.get()), "cannot set up the resampler");

        const int channels = m_encoder->ch_layout.nb_channels;
        m_fifo.reset(
            av_audio_fifo_alloc(m_encoder->sample_fmt, channels, m_encoder->frame_size * 4));
        m_decoded.reset(av_frame_alloc());
        m_converted.reset(av_frame_alloc());
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        m_encoded.reset(av_packet_alloc());
        if (!m_fifo || !m_decoded || !m_converted || !m_frame || !m_packet || !m_encoded)
            throw EncodeError("out of memory");

        m_frame->format = m_encoder->sample_fmt;
        m_frame->sample_rate = m_encoder->sample_rate;
        check(av_channel_layout_copy(&m_frame->ch_layout, &m_encoder->ch_layout), "channel layout");
        m_frame->nb_samples = m_encoder->frame_size;
        check(av_frame_get_buffer(m_frame.get(), 0), "out of memory");
    }

    // Room for count converted samples in m_converted.
    void reserveConverted(int count)
    {
        if (count <= m_convertedCapacity)
            return;
        av_frame_unref(m_converted.get());
        m_converted->format = m_encoder->sample_fmt;
        m_converted->sample_rate = m_encoder->sample_rate;
        check(av_channel_layout_copy(&m_converted->ch_layout, &m_encoder->ch_layout),
              "channel layout");
        m_converted->nb_samples = count;
        check(av_frame_get_buffer(m_converted.get(), 0), "out of memory");
        m_convertedCapacity = count;
    }

    // Converts in (nothing: drains the resampler) into the FIFO and encodes
    // every whole frame it then holds.
    void convert(const uint8_t** in, int inSamples)
    {
        for (;;) {
            const int room = swr_get_out_samples(m_resampler.get(), inSamples);
            check(room, "resampling failed");
            reserveConverted(std::max(room, 1));
            const int made = swr_convert(m_resampler.get(), m_converted->data, m_convertedCapacity,
                                         in, inSamples);
            check(made, "resampling failed");
            if (made > 0 &&
                av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(m_converted->data),
                                    made) < made)
                throw EncodeError("out of memory");
            while (av_audio_fifo_size(m_fifo.get()) >= m_encoder->frame_size)
                encodeFromFifo();
            // Input is taken whole in one call; only draining needs repeats.
            if (in || made == 0)
                return;
        }
    }

    void encodeFromFifo()
    {
        const int frameSize = m_encoder->frame_size;
        check(av_frame_make_writable(m_frame.get()), "out of memory");
        const int take = std::min(frameSize, av_audio_fifo_size(m_fifo.get()));
        if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_frame->data), take) < take)
            throw EncodeError("internal buffer failure");
        // The encoder takes whole frames only; the last one is padded.
        if (take < frameSize)
            av_samples_set_silence(m_frame->data, take, frameSize - take,
                                   m_encoder->ch_layout.nb_channels, m_encoder->sample_fmt);
        m_frame->pts = m_nextPts;
        m_nextPts += frameSize;
        check(avcodec_send_frame(m_encoder.get(), m_frame.get()), "encoding failed");
        writePackets();
    }

    void writePackets()
    {
        for (;;) {
            const int got = avcodec_receive_packet(m_encoder.get(), m_encoded.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return;
            check(got, "encoding failed");
            av_packet_rescale_ts(m_encoded.get(), m_encoder->time_base, m_stream->time_base);
            m_encoded->stream_index = m_stream->index;
            check(av_interleaved_write_frame(m_output.get(), m_encoded.get()),
                  "cannot write output file " + m_request.output);
        }
    }

    void receiveDecoded()
    {
        for (;;) {
            const int got = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return;
            check(got, "cannot decode " + m_request.input);
            convert(const_cast<const uint8_t**>(m_decoded->extended_data), m_decoded->nb_samples);
            av_frame_unref(m_decoded.get());
        }
    }

    void reportProgress()
    {
        if (m_inputSize <= 0)
            return;
        const int64_t position = avio_tell(m_input->pb);
        const int percent =
            static_cast<int>(std::clamp<int64_t>(position * 100 / m_inputSize, 0, 99));
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            m_progress(percent);
        }
    }

    void transcode()
    {
        int read = 0;
        while ((read = av_read_frame(m_input.get(), m_packet.get())) >= 0) {
            if (m_packet->stream_index == m_streamIndex) {
                const int sent = avcodec_send_packet(m_decoder.get(), m_packet.get());
                // A damaged block is skipped as players skip it; anything else
                // ends the run.
                if (sent < 0 && sent != AVERROR_INVALIDDATA)
                    check(sent, "cannot decode " + m_request.input);
                receiveDecoded();
            }
            av_packet_unref(m_packet.get());
            reportProgress();
        }
        if (read != AVERROR_EOF)
            check(read, "cannot read input file " + m_request.input);
        check(avcodec_send_packet(m_decoder.get(), nullptr), "cannot decode " + m_request.input);
        receiveDecoded();
    }

    void finish()
    {
        convert(nullptr, 0);
        while (av_audio_fifo_size(m_fifo.get()) > 0)
            encodeFromFifo();
        check(avcodec_send_frame(m_encoder.get(), nullptr), "encoding failed");
        writePackets();
        check(av_write_trailer(m_output.get()), "cannot write output file " + m_request.output);
        const bool writeFailed = m_output->pb->error < 0;
        const int closed = avio_closep(&m_output->pb);
        if (writeFailed || closed < 0)
            throw EncodeError("cannot write output file " + m_request.output);
    }

    const EncodeRequest& m_request;
    const std::function<void(int)>& m_progress;

    // Declared in set-up order; destroyed in reverse.
    InputFormatPtr m_input;
    CodecContextPtr m_decoder;
    ChannelLayout m_inputLayout;
    OutputFormatPtr m_output;
    CodecContextPtr m_encoder;
    SwrPtr m_resampler;
    FifoPtr m_fifo;
    FramePtr m_decoded;
    FramePtr m_converted;
    FramePtr m_frame;
    PacketPtr m_packet;
    PacketPtr m_encoded;

    AVStream* m_stream = nullptr;
    int m_streamIndex = -1;
    int m_convertedCapacity = 0;
    int64_t m_nextPts = 0;
    int64_t m_inputSize = 0;
    int m_lastPercent = -1;
    bool m_createdOutput = false;
};

} // namespace

std::optional<Profile> parseProfile(std::string_view code)
{
    if (std::find(kWmaProfileCodes.begin(), kWmaProfileCodes.end(), code) == kWmaProfileCodes.end())
        return std::nullopt;
    const size_t first = code.find('_');
    const size_t second = code.find('_', first + 1);
    Profile profile;
    int kHz = 0;
    if (first == std::string_view::npos || second == std::string_view::npos ||
        !parseNumber(code.substr(0, first), profile.bitRateKbps) ||
        !parseNumber(code.substr(first + 1, second - first - 1), kHz) ||
        !parseNumber(code.substr(second + 1), profile.channels))
        return std::nullopt;
    profile.sampleRate = WmaProfileSampleRate(kHz);
    if (profile.sampleRate == 0 || profile.channels < 1 || profile.channels > 2)
        return std::nullopt;
    return profile;
}

void encodeWavToWma(const EncodeRequest& request, const std::function<void(int)>& progress)
{
    std::error_code ec;
    if (std::filesystem::exists(request.output, ec) &&
        std::filesystem::equivalent(request.input, request.output, ec))
        throw EncodeError("the output file is the input file");

    Encoder encoder(request, progress);
    try {
        encoder.run();
    } catch (const EncodeError&) {
        const bool created = encoder.createdOutput();
        encoder.close();
        if (created)
            std::filesystem::remove(request.output, ec);
        throw;
    }
}

} // namespace wmaenc
