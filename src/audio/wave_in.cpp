#include "audio/wave_in.h"

#include "audio/pcm_exception.h"
#include "audio/wave_converter.h"

#include <QBuffer>
#include <QFile>

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr qint64 kBlockBufferSize = 16384;

qint16 clip16(double v)
{
    return qint16(std::clamp(v, -32768.0, 32767.0));
}

// One little-endian sample of bytes bytes (24 or 32 bit integer, 32 or 64 bit
// float) as a 16-bit sample: rounded to nearest, halves upward, clipped.
qint16 narrowSample(const uint8_t* p, int bytes, bool isFloat)
{
    if (isFloat) {
        double v;
        if (bytes == 4) {
            v = double(qFromLittleEndian<float>(p));
        } else {
            v = qFromLittleEndian<double>(p);
        }
        if (std::isnan(v))
            return 0;
        return clip16(std::floor(v * 32768.0 + 0.5));
    }
    const qint64 s =
        bytes == 3
            ? qint64(qint32(quint32(p[0]) << 8 | quint32(p[1]) << 16 | quint32(p[2]) << 24) >> 8)
            : qint64(qFromLittleEndian<qint32>(p));
    const int shift = bytes * 8 - 16;
    return clip16(double((s + (qint64(1) << (shift - 1))) >> shift));
}
} // namespace

TWaveIn::TWaveIn(QObject* owner) : TPcmFileIn(owner) {}

TWaveIn::~TWaveIn()
{
    NotifyRemoval();
    closeStreams();
}

TWavType TWaveIn::GetWavType()
{
    std::lock_guard lock(m_fileLock);
    OpenFile();
    const TWavType type = m_type;
    CloseFile();
    return type;
}

void TWaveIn::closeStreams()
{
    m_memoryStream.reset();
    m_ownStream.reset();
    if (m_suppliedStream && m_suppliedStream->isSequential() == false)
        m_suppliedStream->seek(0);
    m_stream = nullptr;
}

void TWaveIn::OpenFile()
{
    std::lock_guard lock(m_fileLock);
    ++m_openCount;
    if (m_openCount > 1)
        return;
    m_valid = true;
    m_type = wtUnsupported;
    m_header = TWaveHeader{};
    m_totalSamples = 0;
    m_size = 0;
    m_skipBytes = 0;
    m_wide = false;
    m_sourceSampleBytes = 0;
    m_bitsPerSample = m_channels = m_sampleRate = 0;
    if (m_suppliedStream) {
        m_stream = m_suppliedStream;
    } else {
        auto file = std::make_unique<QFile>(m_fileName);
        if (!file->open(QIODevice::ReadOnly)) {
            m_valid = false;
            return;
        }
        m_ownStream = std::move(file);
        m_stream = m_ownStream.get();
    }
    m_header = ScanWaveHeader(*m_stream, WaveScanMode::Reader);
    m_type = m_header.type;
    if (m_type == wtACM) {
        openAcm();
        return;
    }
    const int channels = m_header.channels;
    bool ok = m_type != wtUnsupported && channels >= 1 && channels <= 2 && m_header.sampleRate > 0;
    // The data the file really holds, whatever its length field claims.
    const qint64 available = ok ? std::max<qint64>(0, m_stream->size() - m_header.dataOffset) : 0;
    m_dataEnd = m_header.dataOffset + std::min<qint64>(m_header.dataLength, available);
    if (m_header.dataLength == 0xFFFFFFFF) // written by a writer that could not seek back
        m_dataEnd = m_header.dataOffset + available;
    switch (ok ? m_type : wtUnsupported) {
    case wtPCM: {
        const int bits = m_header.bitsPerSample;
        m_wide = m_header.isFloat ? bits == 32 || bits == 64 : bits == 24 || bits == 32;
        ok = m_wide || (!m_header.isFloat && (bits == 8 || bits == 16));
        m_sourceSampleBytes = bits / 8;
        m_bitsPerSample = m_wide ? 16 : bits;
        if (!ok)
            break;
        if (m_wide) {
            m_totalSamples = (m_dataEnd - m_header.dataOffset) / (m_sourceSampleBytes * channels);
            m_size = m_totalSamples * 2 * channels;
        } else {
            m_size = m_dataEnd - m_header.dataOffset;
            m_totalSamples = m_size / ((m_bitsPerSample / 8) * channels);
        }
        break;
    }
    case wtDVIADPCM:
        m_framesPerBlock = adpcm::imaFramesPerBlock(m_header.blockAlign, channels);
        ok = m_header.bitsPerSample == 4 && m_framesPerBlock > 0;
        m_bitsPerSample = 16;
        m_totalSamples = m_header.factCount;
        m_size = qint64(channels) * m_header.factCount * 2;
        break;
    case wtMSADPCM:
        m_framesPerBlock = m_header.samplesPerBlock;
        ok = adpcm::msBlockLayoutFits(m_header.blockAlign, channels, m_framesPerBlock);
        m_bitsPerSample = 16;
        m_totalSamples = m_header.factCount;
        m_size = qint64(channels) * m_header.factCount * 2;
        break;
    default:
        ok = false;
        break;
    }
    if (!ok) {
        m_valid = false;
        m_type = wtUnsupported;
        m_size = 0;
        m_totalSamples = 0;
        return;
    }
    m_channels = channels;
    m_sampleRate = m_header.sampleRate;
    if (m_type != wtPCM) {
        m_block.assign(size_t(m_header.blockAlign), 0);
        m_buffer.assign(
            size_t(std::max<qint64>(kBlockBufferSize, qint64(m_framesPerBlock) * channels * 2)), 0);
    } else {
        m_buffer.assign(size_t(kBlockBufferSize), 0);
    }
}

void TWaveIn::openAcm()
{
    // Any failure leaves the file not valid; nothing is raised.
    try {
        TWaveConverter converter;
        converter.LoadWave(*m_stream);
        if (converter.SuggestFormat() != 0 || converter.Convert() != 0) {
            m_valid = false;
            m_type = wtUnsupported;
            return;
        }
        auto memory = std::make_unique<QBuffer>();
        memory->open(QIODevice::ReadWrite);
        if (converter.SaveWave(*memory) != 0) {
            m_valid = false;
            m_type = wtUnsupported;
            return;
        }
        m_memoryStream = std::move(memory);
        // The decoded image is read from now on; the file is no longer needed.
        m_ownStream.reset();
        m_stream = m_memoryStream.get();
        m_header = ScanWaveHeader(*m_stream, WaveScanMode::Reader);
        if (m_header.type != wtPCM || m_header.channels < 1 || m_header.channels > 2) {
            m_valid = false;
            m_type = wtUnsupported;
            return;
        }
        m_dataEnd = m_header.dataOffset + m_header.dataLength;
        m_bitsPerSample = m_header.bitsPerSample;
        m_channels = m_header.channels;
        m_sampleRate = m_header.sampleRate;
        m_size = m_header.dataLength;
        m_totalSamples = m_size / (2 * m_channels);
        m_buffer.assign(size_t(kBlockBufferSize), 0);
        m_type = wtACM;
    } catch (...) {
        m_valid = false;
        m_type = wtUnsupported;
    }
}

void TWaveIn::CloseFile()
{
    std::lock_guard lock(m_fileLock);
    if (m_openCount == 1)
        closeStreams();
    if (m_openCount > 0)
        --m_openCount;
}

bool TWaveIn::SeekSample(qint64 frame)
{
    std::lock_guard lock(m_fileLock);
    if (!m_seekable)
        return false;
    OpenFile();
    bool moved = false;
    if (m_valid && m_stream) {
        frame = std::clamp<qint64>(frame, 0, m_totalSamples);
        qint64 offset = m_header.dataOffset;
        m_skipBytes = 0;
        if (m_type == wtPCM) {
            offset += frame * m_sourceSampleBytes * m_channels;
        } else if (m_type == wtACM) {
            offset += frame * (m_bitsPerSample / 8) * m_channels;
        } else {
            offset += (frame / m_framesPerBlock) * m_header.blockAlign;
            // Delivery starts at the frame itself, not at its block's start.
            m_skipBytes = (frame % m_framesPerBlock) * 2 * m_channels;
        }
        moved = m_stream->seek(std::min(offset, m_dataEnd));
    }
    CloseFile();
    return moved;
}

bool TWaveIn::restartForLoop()
{
    if (!m_loop)
        return false;
    EndRead();
    BeginRead();
    if (m_startSample == 0)
        SeekSample(0);
    return m_size > 0;
}

bool TWaveIn::refillPcm()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const qint64 wanted =
            std::min({kBlockBufferSize, qint64(m_size) - m_position, m_dataEnd - m_stream->pos()});
        if (wanted > 0) {
            const qint64 got = m_stream->read(m_buffer.data(), wanted);
            if (got > 0) {
                m_bufStart = 1;
                m_bufEnd = got;
                return true;
            }
        }
        if (!restartForLoop())
            return false;
    }
    return false;
}

bool TWaveIn::refillWide()
{
    const qint64 frameBytes = qint64(m_sourceSampleBytes) * m_channels;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const qint64 frames = std::min({kBlockBufferSize / (2 * m_channels),
                                        (qint64(m_size) - m_position) / (2 * m_channels),
                                        (m_dataEnd - m_stream->pos()) / frameBytes});
        if (frames > 0) {
            m_block.resize(size_t(frames * frameBytes));
            const qint64 got =
                m_stream->read(reinterpret_cast<char*>(m_block.data()), frames * frameBytes);
            const qint64 whole = std::max<qint64>(0, got) / frameBytes;
            if (whole > 0) {
                auto* out = reinterpret_cast<qint16*>(m_buffer.data());
                for (qint64 i = 0; i < whole * m_channels; ++i)
                    out[i] = qToLittleEndian(narrowSample(m_block.data() + i * m_sourceSampleBytes,
                                                          m_sourceSampleBytes, m_header.isFloat));
                m_bufStart = 1;
                m_bufEnd = whole * 2 * m_channels;
                return true;
            }
        }
        if (!restartForLoop())
            return false;
    }
    return false;
}

bool TWaveIn::refillAdpcm()
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int blockAlign = m_header.blockAlign;
        if (m_position < m_size && m_stream->pos() + blockAlign <= m_dataEnd &&
            m_stream->read(reinterpret_cast<char*>(m_block.data()), blockAlign) == blockAlign) {
            auto* out = reinterpret_cast<int16_t*>(m_buffer.data());
            const int frames =
                m_type == wtDVIADPCM
                    ? adpcm::imaDecodeBlock(m_block.data(), blockAlign, m_channels, out)
                    : adpcm::msDecodeBlock(m_block.data(), m_channels, m_framesPerBlock,
                                           m_header.coefficients, m_header.coefficientCount, out);
            if (frames <= 0) // a predictor index outside the file's table: the data ends here
                return false;
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
            for (int i = 0; i < frames * m_channels; ++i)
                out[i] = qToLittleEndian(out[i]);
#endif
            const qint64 decoded = qint64(frames) * 2 * m_channels;
            const qint64 skip = std::min(m_skipBytes, decoded);
            m_skipBytes = 0;
            // Deliver no more than the sample count says: the padding of the
            // last block is not audio.
            const qint64 deliver = std::min(decoded - skip, qint64(m_size) - m_position);
            m_bufStart = 1 + skip;
            m_bufEnd = skip + deliver;
            if (deliver > 0)
                return true;
        }
        if (!restartForLoop())
            return false;
    }
    return false;
}

bool TWaveIn::refill()
{
    if (!m_stream)
        return false;
    if (m_wide)
        return refillWide();
    return m_type == wtDVIADPCM || m_type == wtMSADPCM ? refillAdpcm() : refillPcm();
}

qint64 TWaveIn::ReadData(char* buffer, qint64 size)
{
    std::lock_guard lock(m_fileLock);
    if (!m_busy)
        throw EPcmException("The Stream is not opened");
    if (size <= 0 || !m_valid)
        return 0;
    if (m_bufEnd < m_bufStart && !refill())
        return 0;
    const qint64 n = std::min(size, m_bufEnd - m_bufStart + 1);
    std::memcpy(buffer, m_buffer.data() + (m_bufStart - 1), size_t(n));
    m_bufStart += n;
    m_position += n;
    return n;
}
