#include "audio/wave_converter.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "audio/av_library.h"

namespace {

struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const { av::api()->avcodec_free_context(&p); }
};
struct ParserDeleter {
    void operator()(AVCodecParserContext* p) const { av::api()->av_parser_close(p); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av::api()->av_packet_free(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* p) const { av::api()->av_frame_free(&p); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

quint16 u16At(const uint8_t* area, int offset)
{
    return qFromLittleEndian<quint16>(area + offset);
}
quint32 u32At(const uint8_t* area, int offset)
{
    return qFromLittleEndian<quint32>(area + offset);
}

AVCodecID codecOfTag(int tag, int bitsPerSample)
{
    // Without the libraries no compressed format is known.
    if (!av::api())
        return AV_CODEC_ID_NONE;
    const AVCodecTag* const tables[] = {av::api()->avformat_get_riff_audio_tags(), nullptr};
    AVCodecID id = av::api()->av_codec_get_id(tables, unsigned(tag));
    if (id == AV_CODEC_ID_PCM_F32LE && bitsPerSample == 64)
        id = AV_CODEC_ID_PCM_F64LE;
    return id;
}

// One decoded sample as a 16-bit value, the way libswresample converts.
int16_t toInt16(const AVFrame& frame, AVSampleFormat format, int channel, int index, int channels)
{
    const bool planar = av::api()->av_sample_fmt_is_planar(format);
    const AVSampleFormat packed = av::api()->av_get_packed_sample_fmt(format);
    const int bytes = av::api()->av_get_bytes_per_sample(packed);
    const uint8_t* base = planar ? frame.extended_data[channel] : frame.extended_data[0];
    const size_t at = planar ? size_t(index) * bytes : (size_t(index) * channels + channel) * bytes;
    const uint8_t* p = base + at;
    switch (packed) {
    case AV_SAMPLE_FMT_U8:
        return int16_t((int(*p) - 128) << 8);
    case AV_SAMPLE_FMT_S16: {
        int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case AV_SAMPLE_FMT_S32: {
        int32_t v;
        std::memcpy(&v, p, 4);
        return int16_t(v >> 16);
    }
    case AV_SAMPLE_FMT_S64: {
        int64_t v;
        std::memcpy(&v, p, 8);
        return int16_t(v >> 48);
    }
    case AV_SAMPLE_FMT_FLT: {
        float v;
        std::memcpy(&v, p, 4);
        return int16_t(std::clamp<long>(std::lrintf(v * 32768.0f), -32768, 32767));
    }
    case AV_SAMPLE_FMT_DBL: {
        double v;
        std::memcpy(&v, p, 8);
        return int16_t(std::clamp<long>(std::lrint(v * 32768.0), -32768, 32767));
    }
    default:
        return 0;
    }
}

class Decoder {
public:
    Decoder(QByteArray& out, int channels) : m_out(out), m_channels(channels) {}

    // Appends every frame the decoder has ready; false on a hard error.
    bool drain(AVCodecContext* context)
    {
        for (;;) {
            const int r = av::api()->avcodec_receive_frame(context, m_frame.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return true;
            if (r < 0)
                return false;
            if (!append(*m_frame))
                return false;
        }
    }

    bool send(AVCodecContext* context, const uint8_t* data, int size)
    {
        m_packet->data = const_cast<uint8_t*>(data);
        m_packet->size = size;
        int r = av::api()->avcodec_send_packet(context, size ? m_packet.get() : nullptr);
        // A broken packet is dropped, as players do; the rest still decodes.
        if (r < 0 && r != AVERROR_INVALIDDATA && r != AVERROR(EAGAIN) && r != AVERROR_EOF)
            return false;
        return drain(context);
    }

    bool ok() const { return m_frame && m_packet; }
    int sampleRate = 0;

private:
    bool append(const AVFrame& frame)
    {
        if (frame.ch_layout.nb_channels != m_channels)
            return false;
        sampleRate = frame.sample_rate;
        const qint64 bytes = qint64(frame.nb_samples) * m_channels * 2;
        if (m_out.size() + bytes > TWaveConverter::kMaxDecodedBytes)
            return false;
        const qsizetype start = m_out.size();
        m_out.resize(start + bytes);
        auto* out = reinterpret_cast<uint8_t*>(m_out.data() + start);
        const auto format = AVSampleFormat(frame.format);
        for (int i = 0; i < frame.nb_samples; ++i) {
            for (int c = 0; c < m_channels; ++c) {
                qToLittleEndian<qint16>(toInt16(frame, format, c, i, m_channels), out);
                out += 2;
            }
        }
        return true;
    }

    QByteArray& m_out;
    int m_channels;
    FramePtr m_frame{av::api()->av_frame_alloc()};
    PacketPtr m_packet{av::api()->av_packet_alloc()};
};

} // namespace

TWaveConverter::TWaveConverter() = default;

int TWaveConverter::formatTag(const uint8_t* area) const
{
    return u16At(area, 0);
}

bool TWaveConverter::CanDecodeFormatTag(int tag)
{
    const AVCodecID id = codecOfTag(tag, 16);
    return id != AV_CODEC_ID_NONE && av::api()->avcodec_find_decoder(id) != nullptr;
}

void TWaveConverter::LoadWave(QIODevice& source)
{
    std::memset(SourceFormat, 0, sizeof SourceFormat);
    m_sourceFormatLength = 0;
    m_content.clear();
    if (!source.seek(0))
        return;
    const QByteArray start = source.read(12);
    if (start.size() < 12 || !start.startsWith("RIFF") || start.mid(8, 4) != "WAVE")
        return;
    const qint64 size = source.size();
    // Slide over the file one byte at a time until an identifier matches; a
    // matched chunk is consumed whole.
    qint64 pos = 12;
    while (pos + 8 <= size) {
        if (!source.seek(pos))
            return;
        const QByteArray head = source.read(8);
        if (head.size() < 8)
            return;
        const quint32 length = qFromLittleEndian<quint32>(head.constData() + 4);
        const qint64 available = std::min<qint64>(length, size - pos - 8);
        const QByteArray id = head.left(4);
        if (id == "fmt ") {
            const QByteArray body = source.read(available);
            // Never beyond the area, never beyond what the chunk holds.
            m_sourceFormatLength = int(std::min<qint64>(body.size(), kFormatAreaSize));
            std::memcpy(SourceFormat, body.constData(), size_t(m_sourceFormatLength));
            pos += 8 + available;
        } else if (id == "fact") {
            pos += 8 + available;
        } else if (id == "data") {
            if (length > 0)
                m_content = source.read(available);
            break; // nothing after the data matters
        } else {
            ++pos;
        }
    }
}

int TWaveConverter::SuggestFormat()
{
    std::memset(TargetFormat, 0, sizeof TargetFormat);
    if (m_sourceFormatLength < 16)
        return kErrorNotPossible;
    const int channels = u16At(SourceFormat, 2);
    const quint32 rate = u32At(SourceFormat, 4);
    if (!CanDecodeFormatTag(formatTag(SourceFormat)) || channels < 1 || channels > 8 || rate == 0 ||
        rate > 1000000)
        return kErrorNotPossible;
    const quint16 blockAlign = quint16(channels * 2);
    qToLittleEndian<quint16>(1, TargetFormat);
    qToLittleEndian<quint16>(quint16(channels), TargetFormat + 2);
    qToLittleEndian<quint32>(rate, TargetFormat + 4);
    qToLittleEndian<quint32>(rate * blockAlign, TargetFormat + 8);
    qToLittleEndian<quint16>(blockAlign, TargetFormat + 12);
    qToLittleEndian<quint16>(16, TargetFormat + 14);
    return 0;
}

int TWaveConverter::Convert()
{
    if (m_sourceFormatLength < 16 || formatTag(TargetFormat) != 1)
        return kErrorNotPossible;
    const int channels = u16At(SourceFormat, 2);
    const int rate = int(u32At(SourceFormat, 4));
    const int blockAlign = u16At(SourceFormat, 12);
    const int bits = u16At(SourceFormat, 14);
    if (channels != u16At(TargetFormat, 2) || channels < 1 || rate <= 0)
        return kErrorNotPossible;
    const AVCodecID id = codecOfTag(formatTag(SourceFormat), bits);
    if (id == AV_CODEC_ID_NONE)
        return kErrorNotPossible;
    const AVCodec* codec = av::api()->avcodec_find_decoder(id);
    if (!codec)
        return kErrorNotPossible;
    CodecContextPtr context(av::api()->avcodec_alloc_context3(codec));
    if (!context)
        return kErrorNotPossible;
    context->sample_rate = rate;
    av::api()->av_channel_layout_default(&context->ch_layout, channels);
    context->block_align = blockAlign;
    context->bit_rate = qint64(u32At(SourceFormat, 8)) * 8;
    context->bits_per_coded_sample = bits;
    // Extra format bytes (cbSize at offset 16) as the codec's extradata, as far
    // as the file supplied them.
    if (m_sourceFormatLength > 18) {
        const int extra = std::min<int>(u16At(SourceFormat, 16), m_sourceFormatLength - 18);
        if (extra > 0) {
            context->extradata = static_cast<uint8_t*>(
                av::api()->av_mallocz(size_t(extra) + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!context->extradata)
                return kErrorNotPossible;
            std::memcpy(context->extradata, SourceFormat + 18, size_t(extra));
            context->extradata_size = extra;
        }
    }
    if (av::api()->avcodec_open2(context.get(), codec, nullptr) < 0)
        return kErrorNotPossible;

    QByteArray pcm;
    Decoder decoder(pcm, channels);
    if (!decoder.ok())
        return kErrorNotPossible;
    // The input copy carries the zero padding libavcodec may read past a packet.
    QByteArray input = m_content;
    input.append(QByteArray(AV_INPUT_BUFFER_PADDING_SIZE, '\0'));
    const auto* data = reinterpret_cast<const uint8_t*>(input.constData());
    const int total = int(std::min<qint64>(m_content.size(), 0x7FFFFFFF));
    ParserPtr parser(av::api()->av_parser_init(id));
    int offset = 0;
    while (offset < total) {
        if (parser) {
            uint8_t* packet = nullptr;
            int packetSize = 0;
            const int used = av::api()->av_parser_parse2(parser.get(), context.get(), &packet,
                                                         &packetSize, data + offset, total - offset,
                                                         AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                return kErrorNotPossible;
            offset += used;
            if (packetSize > 0 && !decoder.send(context.get(), packet, packetSize))
                return kErrorNotPossible;
            if (used == 0 && packetSize == 0)
                break;
        } else {
            const int chunk = std::min(total - offset, blockAlign > 1 ? blockAlign : 4096);
            if (!decoder.send(context.get(), data + offset, chunk))
                return kErrorNotPossible;
            offset += chunk;
        }
    }
    if (parser) {
        uint8_t* packet = nullptr;
        int packetSize = 0;
        av::api()->av_parser_parse2(parser.get(), context.get(), &packet, &packetSize, nullptr, 0,
                                    AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (packetSize > 0 && !decoder.send(context.get(), packet, packetSize))
            return kErrorNotPossible;
    }
    if (!decoder.send(context.get(), nullptr, 0))
        return kErrorNotPossible;
    if (pcm.isEmpty())
        return kErrorNotPossible;
    if (decoder.sampleRate > 0 && decoder.sampleRate != rate) {
        qToLittleEndian<quint32>(quint32(decoder.sampleRate), TargetFormat + 4);
        qToLittleEndian<quint32>(quint32(decoder.sampleRate) * quint32(channels * 2),
                                 TargetFormat + 8);
    }
    std::memcpy(SourceFormat, TargetFormat, sizeof SourceFormat);
    m_sourceFormatLength = 18;
    m_content = pcm;
    return 0;
}

int TWaveConverter::SaveWave(QIODevice& destination)
{
    const auto put32 = [](QByteArray& b, quint32 v) {
        char bytes[4];
        qToLittleEndian<quint32>(v, bytes);
        b.append(bytes, 4);
    };
    QByteArray header;
    header.append("RIFF");
    put32(header, quint32(36 + m_content.size()));
    header.append("WAVE");
    header.append("fmt ");
    put32(header, 16);
    header.append(reinterpret_cast<const char*>(SourceFormat), 16);
    header.append("data");
    put32(header, quint32(m_content.size()));
    if (destination.write(header) != header.size() ||
        destination.write(m_content) != m_content.size())
        return kErrorWrite;
    return 0;
}
