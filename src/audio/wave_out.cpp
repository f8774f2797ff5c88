#include "audio/wave_out.h"

#include "audio/pcm_exception.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 kPcmBlock = 16384;
constexpr qint64 kPcmHeaderSize = 44;
constexpr qint64 kAdpcmHeaderSize = 60;

void put16(QByteArray& b, quint16 v)
{
    char bytes[2];
    qToLittleEndian<quint16>(v, bytes);
    b.append(bytes, 2);
}

void put32(QByteArray& b, quint32 v)
{
    char bytes[4];
    qToLittleEndian<quint32>(v, bytes);
    b.append(bytes, 4);
}

quint32 clamp32(qint64 v)
{
    return quint32(std::clamp<qint64>(v, 0, 0xFFFFFFFF));
}

} // namespace

TWaveOut::TWaveOut(QObject* owner) : TPcmFileOut(owner) {}

TWaveOut::~TWaveOut()
{
    StopWorker();
}

void TWaveOut::SetWavType(TWavType type)
{
    if (!m_busy && (type == wtPCM || type == wtDVIADPCM))
        m_wavType = type;
}

void TWaveOut::SetBlockSize(quint16 size)
{
    if (!m_busy && size != 0 && size % 4 == 0)
        m_blockSize = size;
}

int TWaveOut::samplesPerBlock(int channels) const
{
    return adpcm::imaFramesPerBlock(m_blockSize, channels);
}

void TWaveOut::failPrepare(const char* message)
{
    if (TPcmInput* input = Input()) {
        input->Reset(); // ends its run, ignoring a failure there
    }
    m_ownStream.reset();
    throw EPcmException(message);
}

void TWaveOut::PrepareRun()
{
    m_inputEnded = false;
    m_framesWritten = 0;
    m_states[0] = m_states[1] = adpcm::ImaState{};
    m_appending = false;
    if (!StreamAssigned()) {
        if (m_fileName.isEmpty())
            throw EPcmException("File name is not assigned.");
        auto file = std::make_unique<QFile>(m_fileName);
        const bool append = m_fileMode == foAppend && file->exists();
        const auto mode =
            append ? QIODevice::ReadWrite : QIODevice::ReadWrite | QIODevice::Truncate;
        if (!file->open(mode))
            throw EPcmException("Cannot open the output file.");
        m_ownStream = std::move(file);
    }
    QIODevice* out = stream();
    TPcmInput* input = Input();
    input->BeginRead();
    m_channels = input->GetChannels();
    m_rate = input->GetSampleRate();
    m_bits = input->GetBitsPerSample();

    if (m_fileMode == foAppend && out->size() > 0) {
        m_existing = ScanWaveHeader(*out, WaveScanMode::Append);
        const qint64 dataEnd = m_existing.dataOffset + m_existing.dataLength;
        // Samples appended after a chunk that follows the data would be lost to
        // every reader: such a file is refused. A length left at 0 or beyond the
        // end by an interrupted writer means the data runs to the end.
        const bool dataLast = m_existing.dataLength == 0 || dataEnd >= out->size();
        if (m_existing.type == wtUnsupported || !dataLast)
            failPrepare("Cannot append data to this .wav file.");
        m_wavType = m_existing.type;
        m_appending = true;
    }

    if (m_wavType == wtPCM) {
        if (m_appending) {
            if (m_rate != m_existing.sampleRate || m_bits != m_existing.bitsPerSample ||
                m_channels != m_existing.channels)
                failPrepare("Cannot append data in different audio format.");
        } else {
            if ((m_bits != 8 && m_bits != 16) || m_channels < 1 || m_channels > 2)
                failPrepare("Cannot write this audio format.");
            writeHeader();
        }
    } else {
        if (m_bits != 16)
            failPrepare("Cannot encode 8 bit sound into ADPCM.");
        if (m_appending) {
            if (m_rate != m_existing.sampleRate || m_channels != m_existing.channels)
                failPrepare("Cannot append data in different audio format.");
            if (m_existing.factOffset < 0 || m_existing.blockAlign % 4 != 0 ||
                adpcm::imaFramesPerBlock(m_existing.blockAlign, m_channels) == 0)
                failPrepare("Cannot append data to this .wav file.");
            m_blockSize = quint16(m_existing.blockAlign);
        } else {
            if (m_channels < 1 || m_channels > 2)
                failPrepare("Cannot write this audio format.");
            // Stereo blocks hold whole 8-byte groups after the two headers.
            if (samplesPerBlock(m_channels) == 0 || (m_channels == 2 && m_blockSize % 8 != 0))
                failPrepare("Cannot encode ADPCM with this block size.");
            writeHeader();
        }
        m_block.assign(m_blockSize, 0);
    }
    if (m_appending && !out->seek(out->size()))
        failPrepare("Cannot append data to this .wav file.");
    m_buffer.assign(size_t(m_wavType == wtPCM
                               ? kPcmBlock
                               : qint64(samplesPerBlock(m_channels)) * m_channels * 2),
                    0);
}

void TWaveOut::writeHeader()
{
    QByteArray h;
    const qint64 size = Input()->Size();
    if (m_wavType == wtPCM) {
        const quint32 dataLength = clamp32(size);
        const quint16 blockAlign = quint16(m_bits * m_channels / 8);
        h.append("RIFF");
        put32(h, clamp32(qint64(dataLength) + 36));
        h.append("WAVEfmt ");
        put32(h, 16);
        put16(h, 1);
        put16(h, quint16(m_channels));
        put32(h, quint32(m_rate));
        put32(h, quint32(m_rate) * blockAlign);
        put16(h, blockAlign);
        put16(h, quint16(m_bits));
        h.append("data");
        put32(h, dataLength);
    } else {
        const int spb = samplesPerBlock(m_channels);
        const qint64 frames = std::max<qint64>(0, size) / (m_bits / 8) / m_channels;
        // Whole blocks: a short last block is written padded, so it is counted.
        const qint64 dataLength = (frames + spb - 1) / spb * m_blockSize;
        h.append("RIFF");
        put32(h, clamp32(dataLength + kAdpcmHeaderSize - 8));
        h.append("WAVEfmt ");
        put32(h, 20);
        put16(h, 17);
        put16(h, quint16(m_channels));
        put32(h, quint32(m_rate));
        put32(h, quint32(m_rate / spb) * m_blockSize);
        put16(h, m_blockSize);
        put16(h, 4);
        put16(h, 2);
        put16(h, quint16(spb));
        h.append("fact");
        put32(h, 4);
        put32(h, clamp32(frames));
        h.append("data");
        put32(h, clamp32(dataLength));
    }
    if (stream()->write(h) != h.size())
        failPrepare("Cannot write to the output file.");
}

bool TWaveOut::ProduceBlock(bool abort)
{
    progressStep();
    if (!m_running)
        return true;
    if (abort || m_inputEnded)
        return false;
    return m_wavType == wtPCM ? producePcm() : produceAdpcm();
}

// A failing input or a failing write ends the run through OnThreadException:
// a file cut short must not be reported as done.
bool TWaveOut::producePcm()
{
    const qint64 n = readInput(m_buffer.data(), kPcmBlock);
    if (n <= 0)
        return false;
    if (stream()->write(m_buffer.data(), n) != n)
        throw EPcmException("Cannot write to the output file.");
    return true;
}

bool TWaveOut::produceAdpcm()
{
    std::fill(m_buffer.begin(), m_buffer.end(), 0);
    const qint64 area = qint64(m_buffer.size());
    qint64 got = 0;
    while (got < area) {
        const qint64 r = readInput(m_buffer.data() + got, area - got);
        if (r <= 0) {
            m_inputEnded = true;
            break;
        }
        got += r;
    }
    // An input that ends on a block boundary adds no block of silence.
    if (got == 0)
        return false;
    const int frameBytes = 2 * m_channels;
    m_framesWritten += (got + frameBytes - 1) / frameBytes;
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
    for (qint64 i = 0; i + 1 < area; i += 2)
        std::swap(m_buffer[i], m_buffer[i + 1]);
#endif
    adpcm::imaEncodeBlock(reinterpret_cast<const int16_t*>(m_buffer.data()), m_blockSize,
                          m_channels, m_states, m_block.data());
    if (stream()->write(reinterpret_cast<const char*>(m_block.data()), m_blockSize) != m_blockSize)
        throw EPcmException("Cannot write to the output file.");
    return true;
}

void TWaveOut::patch32(qint64 offset, qint64 value)
{
    char bytes[4];
    qToLittleEndian<quint32>(clamp32(value), bytes);
    QIODevice* out = stream();
    if (!out->seek(offset) || out->write(bytes, 4) != 4)
        throw EPcmException("Cannot write to the output file.");
}

// The header always tells what was really written: the input's Size is only a
// forecast (filters may deliver a little more or less).
void TWaveOut::patchHeader()
{
    QIODevice* out = stream();
    const qint64 length = out->size();
    if (m_wavType == wtPCM) {
        if (m_appending)
            patch32(m_existing.dataLengthOffset, length - m_existing.dataOffset);
        else
            patch32(40, length - kPcmHeaderSize);
    } else {
        const int spb = samplesPerBlock(m_channels);
        if (m_appending) {
            const qint64 oldBlocks = qint64(m_existing.dataLength) / m_blockSize;
            patch32(m_existing.dataLengthOffset, length - m_existing.dataOffset);
            patch32(m_existing.factOffset, oldBlocks * spb + m_framesWritten);
        } else {
            patch32(56, length - kAdpcmHeaderSize);
            patch32(48, m_framesWritten);
        }
    }
    patch32(4, length - 8);
}

void TWaveOut::FinishRun()
{
    std::exception_ptr failure;
    if (QIODevice* out = stream()) {
        try {
            patchHeader();
        } catch (...) {
            failure = std::current_exception();
        }
        if (!m_suppliedStream) {
            auto* file = qobject_cast<QFile*>(m_ownStream.get());
            if (file && !file->flush() && !failure)
                failure =
                    std::make_exception_ptr(EPcmException("Cannot write to the output file."));
            m_ownStream.reset();
        }
        (void)out;
    }
    if (TPcmInput* input = Input())
        input->EndRead();
    if (failure)
        std::rethrow_exception(failure);
}
