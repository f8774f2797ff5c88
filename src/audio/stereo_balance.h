#pragma once
// Shifts a stereo image: above 0.5 the left channel is attenuated, below it
// the right one. Mono input is spread to both channels first. Reads straight
// into the caller's buffer.
//
// Threads: see TPcmConverter. SetBalance may be called by the owner during a
// run; the worker reads the value once per block.

#include "audio/pcm_converter.h"

#include <atomic>

class TStereoBalance : public TPcmConverter {
    Q_OBJECT
public:
    explicit TStereoBalance(QObject* owner = nullptr);
    ~TStereoBalance() override;

    float Balance() const { return m_balance; }
    // Accepts 0 <= value <= 1; ignores other values.
    void SetBalance(float value);

    int GetBitsPerSample() override;
    int GetChannels() override { return 2; }
    int GetSampleRate() override;
    qint64 ReadData(char* buffer, qint64 size) override;
    void BeginRead() override;
    void EndRead() override;

private:
    TPcmInput* requireInput() const;
    std::atomic<float> m_balance{0.5f};
    bool m_monoIn = false;
    int m_bits = 16;
    qint64 m_inputSize = -1;
};
