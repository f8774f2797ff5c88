#include "audio/ms_converter.h"

#include "audio/pcm_exception.h"

#include <cmath>

TMSConverter::TMSConverter(QObject* owner) : TBufferedConverter(owner) {}

TMSConverter::~TMSConverter()
{
    NotifyRemoval();
}

int TMSConverter::GetChannels()
{
    return requireInput()->GetChannels() == 1 ? 2 : 1;
}

int TMSConverter::GetSampleRate()
{
    return requireInput()->GetSampleRate();
}

void TMSConverter::BeginRead()
{
    TPcmInput* input = requireInput();
    beginInput();
    if (input->GetBitsPerSample() != 16) {
        TBufferedConverter::EndRead();
        throw EPcmException("The mono/stereo converter needs 16 bit input.");
    }
    m_stereoIn = input->GetChannels() == 2;
    m_inBlockBytes = m_stereoIn ? 32768 : 16384;
    m_buffer.assign(32768 / 2, 0);
    const qint64 inputSize = input->Size();
    m_size = inputSize < 0 ? -1 : (m_stereoIn ? inputSize / 2 : inputSize * 2);
}

qint64 TMSConverter::convertBlock(qint64 bytes)
{
    qint16* s = m_buffer.data();
    if (m_stereoIn) {
        const qint64 frames = bytes / 4;
        for (qint64 i = 0; i < frames; ++i)
            s[i] = qint16((int(s[2 * i]) + int(s[2 * i + 1])) / 2);
        return frames * 2;
    }
    const qint64 samples = bytes / 2;
    // Backwards, so that the doubling can happen in place.
    for (qint64 i = samples - 1; i >= 0; --i) {
        const qint16 v = s[i];
        switch (m_mode) {
        case msmMonoToBoth:
            s[2 * i] = v;
            s[2 * i + 1] = v;
            break;
        case msmMonoToLeft:
            s[2 * i] = 0;
            s[2 * i + 1] = v;
            break;
        case msmMonoToRight:
            s[2 * i] = v;
            s[2 * i + 1] = 0;
            break;
        }
    }
    return samples * 4;
}
