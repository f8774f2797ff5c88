#include "audio/wave_header.h"

#include "audio/wave_converter.h"

#include <QtEndian>

#include <cstring>

QString WavTypeText(TWavType type)
{
    switch (type) {
    case wtPCM:
        return QStringLiteral("Raw PCM");
    case wtDVIADPCM:
        return QStringLiteral("DVI IMA ADPCM");
    case wtMSADPCM:
        return QStringLiteral("Microsoft ADPCM");
    case wtACM:
        return QStringLiteral("ACM");
    case wtUnsupported:
        break;
    }
    return QStringLiteral("Unsupported");
}

bool IdentifierMatches(const char* bytes, const char* id)
{
    for (int i = 0; i < 4; ++i) {
        const int a = static_cast<unsigned char>(bytes[i]);
        const int b = static_cast<unsigned char>(id[i]);
        if (a != b && a != b + 32 && a != b - 32)
            return false;
    }
    return true;
}

namespace {

constexpr int kFloatTag = 3;
constexpr int kExtensibleTag = 0xFFFE;
// Bytes 2..15 of KSDATAFORMAT_SUBTYPE_PCM, _IEEE_FLOAT and the other WAV
// sub-formats.
constexpr char kFormatGuidTail[14] = {0x00, 0x00, 0x00,       0x00, 0x10, 0x00,       char(0x80),
                                      0x00, 0x00, char(0xAA), 0x00, 0x38, char(0x9B), 0x71};

class Scanner {
public:
    Scanner(QIODevice& stream, WaveScanMode mode) : m_stream(stream), m_mode(mode) {}

    TWaveHeader run()
    {
        m_header = TWaveHeader{};
        if (!m_stream.seek(0) || !readWindow())
            return fail();
        enum { Riff, Wave, Fmt, Fact, Data } state = Riff;
        for (;;) {
            switch (state) {
            case Riff:
            case Wave:
                if (IdentifierMatches(m_window, state == Riff ? "RIFF" : "WAVE")) {
                    if (!readWindow())
                        return fail();
                    state = state == Riff ? Wave : Fmt;
                } else if (!slide()) {
                    return fail();
                }
                break;
            case Fmt:
                if (IdentifierMatches(m_window, "fmt ")) {
                    if (!readFormat() || !readWindow())
                        return fail();
                    state = m_header.type == wtPCM ? Data : Fact;
                } else if (!skipChunk()) {
                    return fail();
                }
                break;
            case Fact:
                if (IdentifierMatches(m_window, "fact")) {
                    quint32 length = 0;
                    if (!readUInt32(length) || length < 4 || !withinLimit(length))
                        return fail();
                    m_header.factOffset = m_stream.pos();
                    if (!readUInt32(m_header.factCount) || !skip(length - 4) || !readWindow())
                        return fail();
                    state = Data;
                } else if (!skipChunk()) {
                    return fail();
                }
                break;
            case Data:
                if (IdentifierMatches(m_window, "data")) {
                    m_header.dataLengthOffset = m_stream.pos();
                    if (!readUInt32(m_header.dataLength))
                        return fail();
                    m_header.dataOffset = m_stream.pos();
                    return m_header;
                }
                if (!skipChunk())
                    return fail();
                break;
            }
            if (m_consumed >= kHeaderScanLimit || m_stream.atEnd())
                return fail();
        }
    }

private:
    TWaveHeader fail()
    {
        m_header.type = wtUnsupported;
        return m_header;
    }

    bool withinLimit(qint64 more) const { return m_consumed + more <= kHeaderScanLimit; }

    bool readExactly(char* out, qint64 n)
    {
        if (m_stream.read(out, n) != n)
            return false;
        m_consumed += n;
        return true;
    }

    bool readWindow() { return readExactly(m_window, 4); }

    bool slide()
    {
        char c;
        if (!readExactly(&c, 1))
            return false;
        m_window[0] = m_window[1];
        m_window[1] = m_window[2];
        m_window[2] = m_window[3];
        m_window[3] = c;
        return true;
    }

    bool readUInt32(quint32& value)
    {
        char bytes[4];
        if (!readExactly(bytes, 4))
            return false;
        value = qFromLittleEndian<quint32>(bytes);
        return true;
    }

    // Bodies are passed over by seeking; they still count against the limit.
    bool skip(quint32 length)
    {
        if (!withinLimit(length))
            return false;
        const qint64 target = m_stream.pos() + length;
        if (target > m_stream.size() || !m_stream.seek(target))
            return false;
        m_consumed += length;
        return true;
    }

    bool skipChunk()
    {
        quint32 length = 0;
        return readUInt32(length) && skip(length) && readWindow();
    }

    TWavType typeOfTag(int tag) const
    {
        switch (tag) {
        case 1:
            return wtPCM;
        case 17:
            return wtDVIADPCM;
        case 2:
            return m_mode == WaveScanMode::Reader ? wtMSADPCM : wtUnsupported;
        default:
            break;
        }
        if (m_mode == WaveScanMode::Reader && TWaveConverter::CanDecodeFormatTag(tag))
            return wtACM;
        return wtUnsupported;
    }

    bool readFormat()
    {
        quint32 length = 0;
        if (!readUInt32(length) || length < 16 || !withinLimit(length))
            return false;
        QByteArray body(qsizetype(length), '\0');
        if (!readExactly(body.data(), length))
            return false;
        const auto u16 = [&](int offset) {
            return qFromLittleEndian<quint16>(body.constData() + offset);
        };
        const auto i16 = [&](int offset) {
            return qFromLittleEndian<qint16>(body.constData() + offset);
        };
        m_header.formatTag = u16(0);
        if (m_mode == WaveScanMode::Reader && m_header.formatTag == kExtensibleTag) {
            // The real encoding is the first two bytes of the sub-format GUID,
            // whose other bytes are those of every WAV format GUID.
            if (length < 40 || std::memcmp(body.constData() + 26, kFormatGuidTail, 14) != 0)
                return false;
            m_header.formatTag = u16(24);
            m_header.extensible = true;
        }
        if (m_mode == WaveScanMode::Reader && m_header.formatTag == kFloatTag) {
            m_header.isFloat = true;
            m_header.type = wtPCM;
        } else {
            m_header.type = typeOfTag(m_header.formatTag);
        }
        if (m_header.type == wtUnsupported)
            return false;
        m_header.channels = u16(2);
        m_header.sampleRate =
            int(std::min<quint32>(qFromLittleEndian<quint32>(body.constData() + 4), 0x7FFFFFFF));
        m_header.blockAlign = u16(12);
        m_header.bitsPerSample = u16(14);
        if (m_header.type == wtDVIADPCM || m_header.type == wtMSADPCM) {
            if (length < 20)
                return false;
            m_header.samplesPerBlock = u16(18);
        } else if (m_header.type == wtACM && length >= 20) {
            m_header.samplesPerBlock = u16(18);
        }
        if (m_header.type == wtMSADPCM) {
            if (length < 22)
                return false;
            const int count = u16(20);
            // The table holds 32 pairs; a file that declares more, or whose
            // pairs run past the chunk, is refused.
            if (count < 1 || count > kMaxMsCoefficients || 22 + 4 * qint64(count) > length)
                return false;
            m_header.coefficientCount = count;
            for (int i = 0; i < count; ++i) {
                m_header.coefficients[i].coef1 = i16(22 + 4 * i);
                m_header.coefficients[i].coef2 = i16(24 + 4 * i);
            }
        }
        return true;
    }

    QIODevice& m_stream;
    WaveScanMode m_mode;
    TWaveHeader m_header;
    char m_window[4] = {};
    qint64 m_consumed = 0;
};

} // namespace

TWaveHeader ScanWaveHeader(QIODevice& stream, WaveScanMode mode)
{
    return Scanner(stream, mode).run();
}
