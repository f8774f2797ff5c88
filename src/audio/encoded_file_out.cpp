#include "audio/encoded_file_out.h"

#include "audio/pcm_exception.h"
#include "audio/replay_gain_meter.h"
#include "tags/tag_writer.h"

#include <QtEndian>

#include <cstring>

namespace {

// Frames read and encoded per block.
constexpr int kBlockFrames = 4096;

} // namespace

TEncodedFileOut::TEncodedFileOut(QObject* owner) : TPcmFileOut(owner) {}

void TEncodedFileOut::PrepareRun()
{
    m_completed = false;
    m_carry = 0;
    if (StreamAssigned())
        throw EPcmException("This output writes files only.");
    if (m_fileName.isEmpty())
        throw EPcmException("File name is not assigned.");
    m_part = TPartFile(m_fileName);
    if (!m_part.create())
        throw EPcmException(m_part.errorText().toStdString());
    TPcmInput* input = Input();
    try {
        input->BeginRead();
        m_channels = input->GetChannels();
        m_bits = input->GetBitsPerSample();
        const int rate = input->GetSampleRate();
        if ((m_bits != 8 && m_bits != 16) || m_channels < 1 || m_channels > 2 || rate <= 0)
            throw EPcmException("Cannot encode this audio format.");
        const qint64 size = input->Size();
        const int frameBytes = m_channels * m_bits / 8;
        openEncoder(m_part.path(), m_channels, rate, m_bits, size < 0 ? -1 : size / frameBytes);
    } catch (...) {
        input->Reset();
        m_part.discard();
        throw;
    }
    m_bytes.assign(size_t(kBlockFrames) * size_t(m_channels) * size_t(m_bits / 8), 0);
    m_samples.assign(size_t(kBlockFrames) * size_t(m_channels), 0);
    m_prepared = true;
}

bool TEncodedFileOut::ProduceBlock(bool abort)
{
    progressStep();
    if (!m_running)
        return true;
    if (abort)
        return false;
    const qint64 blockBytes = qint64(m_bytes.size());
    qint64 got = m_carry;
    bool ended = false;
    while (got < blockBytes) {
        const qint64 r = readInput(m_bytes.data() + got, blockBytes - got);
        if (r <= 0) {
            ended = true;
            break;
        }
        got += r;
    }
    const int bytesPerSample = m_bits / 8;
    const int frameBytes = m_channels * bytesPerSample;
    const int frames = int(got / frameBytes);
    const int values = frames * m_channels;
    const char* s = m_bytes.data();
    if (bytesPerSample == 2) {
        for (int i = 0; i < values; ++i)
            m_samples[size_t(i)] = qFromLittleEndian<qint16>(s + 2 * i);
    } else {
        for (int i = 0; i < values; ++i)
            m_samples[size_t(i)] =
                std::int16_t((int(static_cast<unsigned char>(s[i])) - 128) * 256);
    }
    if (frames > 0)
        encode(m_samples.data(), frames);
    // A read that ended inside a frame keeps the rest for the next block.
    m_carry = got - qint64(frames) * frameBytes;
    if (m_carry > 0)
        std::memmove(m_bytes.data(), m_bytes.data() + qint64(frames) * frameBytes, size_t(m_carry));
    if (!ended)
        return true;
    complete(); // a partial last frame is no sample and is dropped
    return false;
}

void TEncodedFileOut::complete()
{
    m_prepared = false;
    try {
        finishEncoder();
    } catch (...) {
        dropEncoder();
        throw;
    }
    dropEncoder();
    if (m_meter) {
        const TGainValue gain = m_meter->TrackGain();
        if (gain.Valid) {
            m_tags.TrackGain = gain;
            QString error;
            if (!WriteTrackTags(m_part.path(), tagFormat(), m_tags, {}, &error))
                throw EPcmException(error.toStdString());
        }
    }
    // Whoever chose the name has asked before a file there is replaced.
    if (!m_part.commit(true))
        throw EPcmException(m_part.errorText().toStdString());
    m_completed = true;
}

void TEncodedFileOut::FinishRun()
{
    if (m_prepared) {
        m_prepared = false;
        dropEncoder();
    }
    m_part.discard();
    if (TPcmInput* input = Input())
        input->EndRead();
}
