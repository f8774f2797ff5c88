#include "audio/stereo_balance.h"

#include "audio/pcm_exception.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

TStereoBalance::TStereoBalance(QObject* owner) : TPcmConverter(owner) {}

TStereoBalance::~TStereoBalance()
{
    NotifyRemoval();
}

void TStereoBalance::SetBalance(float value)
{
    if (value >= 0 && value <= 1)
        m_balance = value;
}

TPcmInput* TStereoBalance::requireInput() const
{
    TPcmInput* input = Input();
    if (!input)
        throw EPcmException("Input not assigned");
    return input;
}

int TStereoBalance::GetBitsPerSample()
{
    return requireInput()->GetBitsPerSample();
}

int TStereoBalance::GetSampleRate()
{
    return requireInput()->GetSampleRate();
}

void TStereoBalance::BeginRead()
{
    TPcmInput* input = requireInput();
    input->BeginRead();
    m_monoIn = input->GetChannels() == 1;
    m_bits = input->GetBitsPerSample() == 8 ? 8 : 16;
    m_inputSize = input->Size();
    m_size = m_inputSize < 0 ? -1 : (m_monoIn ? m_inputSize * 2 : m_inputSize);
    m_position = 0;
    m_busy = true;
}

void TStereoBalance::EndRead()
{
    if (TPcmInput* input = Input())
        input->EndRead();
    m_busy = false;
}

qint64 TStereoBalance::ReadData(char* buffer, qint64 size)
{
    if (!m_busy)
        throw EPcmException("The Stream is not opened");
    const int bytesPerValue = m_bits / 8;
    // Whole output frames only, so that left and right never trade places.
    const qint64 frameBytes = 2 * bytesPerValue;
    size -= size % frameBytes;
    if (size <= 0)
        return 0;
    qint64 got = readInput(buffer, m_monoIn ? size / 2 : size);
    if (got <= 0)
        return 0;
    got -= got % bytesPerValue;
    qint64 values = got / bytesPerValue;
    auto* u = reinterpret_cast<unsigned char*>(buffer);
    if (m_monoIn) {
        for (qint64 i = values - 1; i >= 0; --i) {
            if (bytesPerValue == 1) {
                u[2 * i] = u[2 * i + 1] = u[i];
            } else {
                std::memcpy(u + 4 * i, u + 2 * i, 2);
                std::memcpy(u + 4 * i + 2, u + 2 * i, 2);
            }
        }
        values *= 2;
    }
    const float balance = m_balance;
    // Above the middle the left value is scaled, otherwise the right one.
    const bool scaleLeft = balance > 0.5f;
    const double factor = scaleLeft ? 1.0 - double(balance) : double(balance);
    for (qint64 i = scaleLeft ? 0 : 1; i < values; i += 2) {
        if (bytesPerValue == 1) {
            u[i] = static_cast<unsigned char>(std::llrint(u[i] * factor));
        } else {
            const qint16 v = qFromLittleEndian<qint16>(u + 2 * i);
            qToLittleEndian<qint16>(qint16(std::llrint(v * factor)), u + 2 * i);
        }
    }
    if (TPcmInput* input = Input(); input && m_inputSize > 0 && m_size >= 0)
        m_position = std::llrint(double(m_size) / double(m_inputSize)) * input->Position();
    else
        m_position += values * bytesPerValue;
    return values * bytesPerValue;
}
