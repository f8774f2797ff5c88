#include "audio/replay_gain_meter.h"

#include "audio/pcm_exception.h"

#include <QtEndian>

#include <cstring>

TReplayGainMeter::TReplayGainMeter(QObject* owner) : TPcmConverter(owner) {}

TReplayGainMeter::~TReplayGainMeter()
{
    NotifyRemoval();
}

TPcmInput* TReplayGainMeter::requireInput() const
{
    TPcmInput* input = Input();
    if (!input)
        throw EPcmException("Input not assigned");
    return input;
}

int TReplayGainMeter::GetBitsPerSample()
{
    return requireInput()->GetBitsPerSample();
}

int TReplayGainMeter::GetChannels()
{
    return requireInput()->GetChannels();
}

int TReplayGainMeter::GetSampleRate()
{
    return requireInput()->GetSampleRate();
}

int TReplayGainMeter::GetTotalTime()
{
    return requireInput()->GetTotalTime();
}

void TReplayGainMeter::BeginRead()
{
    TPcmInput* input = requireInput();
    input->BeginRead();
    m_bits = input->GetBitsPerSample();
    const int channels = input->GetChannels();
    if (m_bits != 8 && m_bits != 16) {
        input->Reset();
        throw EPcmException("Cannot measure the loudness of this audio format.");
    }
    try {
        m_loudness = std::make_unique<TLoudness>(channels, input->GetSampleRate());
    } catch (const std::exception& e) {
        input->Reset();
        throw EPcmException(e.what());
    }
    m_frameBytes = channels * m_bits / 8;
    m_partial.clear();
    m_size = input->Size();
    m_position = 0;
    m_busy = true;
}

void TReplayGainMeter::EndRead()
{
    if (TPcmInput* input = Input())
        input->EndRead();
    m_busy = false;
}

qint64 TReplayGainMeter::ReadData(char* buffer, qint64 size)
{
    if (!m_busy)
        throw EPcmException("The Stream is not opened");
    const qint64 got = readInput(buffer, size);
    if (got <= 0)
        return 0;
    measure(buffer, got);
    m_position += got;
    return got;
}

void TReplayGainMeter::measure(const char* data, qint64 size)
{
    // Complete a frame left over from the last read first.
    if (!m_partial.empty()) {
        const qint64 missing = std::min<qint64>(m_frameBytes - qint64(m_partial.size()), size);
        m_partial.insert(m_partial.end(), data, data + missing);
        data += missing;
        size -= missing;
        if (qint64(m_partial.size()) < m_frameBytes)
            return;
        const std::vector<char> frame = std::move(m_partial);
        m_partial.clear();
        measure(frame.data(), qint64(frame.size()));
    }
    const qint64 frames = size / m_frameBytes;
    const qint64 whole = frames * m_frameBytes;
    m_partial.assign(data + whole, data + size);
    if (frames == 0)
        return;
    const int channels = m_loudness->channels();
    if (m_bits == 8) {
        m_wide.resize(size_t(whole));
        for (qint64 i = 0; i < whole; ++i)
            m_wide[size_t(i)] = std::int16_t((int(static_cast<unsigned char>(data[i])) - 128) << 8);
        m_loudness->add(m_wide.data(), size_t(frames));
        return;
    }
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        // The read buffer holds whole 16-bit samples, but may be unaligned.
        if (reinterpret_cast<quintptr>(data) % alignof(std::int16_t) == 0) {
            m_loudness->add(reinterpret_cast<const std::int16_t*>(data), size_t(frames));
            return;
        }
    }
    m_wide.resize(size_t(frames) * size_t(channels));
    for (size_t i = 0; i < m_wide.size(); ++i)
        m_wide[i] = qFromLittleEndian<qint16>(data + 2 * i);
    m_loudness->add(m_wide.data(), size_t(frames));
}

TGainValue TReplayGainMeter::TrackGain() const
{
    return m_loudness ? m_loudness->gain() : TGainValue{};
}
