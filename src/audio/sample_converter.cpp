#include "audio/sample_converter.h"

#include "audio/pcm_exception.h"

#include <QtEndian>

TSampleConverter::TSampleConverter(QObject* owner) : TBufferedConverter(owner) {}

TSampleConverter::~TSampleConverter()
{
    NotifyRemoval();
}

int TSampleConverter::GetBitsPerSample()
{
    return requireInput()->GetBitsPerSample() == 16 ? 8 : 16;
}

int TSampleConverter::GetChannels()
{
    return requireInput()->GetChannels();
}

int TSampleConverter::GetSampleRate()
{
    return requireInput()->GetSampleRate();
}

void TSampleConverter::BeginRead()
{
    TPcmInput* input = requireInput();
    beginInput();
    m_sixteenIn = input->GetBitsPerSample() == 16;
    m_inBlockBytes = m_sixteenIn ? 32768 : 16384;
    m_buffer.assign(32768, 0);
    const qint64 inputSize = input->Size();
    m_size = inputSize < 0 ? -1 : (m_sixteenIn ? inputSize / 2 : inputSize * 2);
}

qint64 TSampleConverter::convertBlock(qint64 bytes)
{
    auto* u = reinterpret_cast<unsigned char*>(m_buffer.data());
    if (m_sixteenIn) {
        const qint64 samples = bytes / 2;
        for (qint64 i = 0; i < samples; ++i) {
            const int s = qFromLittleEndian<qint16>(u + 2 * i);
            u[i] = static_cast<unsigned char>((s + 32768) >> 8);
        }
        return samples;
    }
    // Backwards, so that the doubling can happen in place.
    for (qint64 i = bytes - 1; i >= 0; --i)
        qToLittleEndian<qint16>(qint16((int(u[i]) - 128) * 256), u + 2 * i);
    return bytes * 2;
}
