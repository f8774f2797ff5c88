#pragma once
// A filter that passes its input through unchanged and, on the way, keeps a
// 32-band spectrum of what passes for a window to draw: each block is cut into
// chunks of 64 frames; each chunk (mono, or the mean of both channels) is
// weighted by the first 64 values of a 1024-point Hann window, transformed by
// a 64-point FFT, and the log10 magnitudes of bins 0..31 are added to the band
// values, which are then averaged over the block's chunks. GetValues hands
// them out in decibels (× 20) and starts over from zero.
//
// Threads: BeginRead, ReadData and EndRead run on the worker of the pulling
// output; GetValues on the window's thread. The two meet at one spin flag: the
// worker skips the analysis of a block rather than wait for the window, and
// GetValues waits for the worker (one block's analysis at most).

#include "audio/pcm_converter.h"

#include <array>
#include <atomic>
#include <vector>

class TSoundIndicator : public TPcmConverter {
    Q_OBJECT
public:
    static constexpr int kBands = 32;
    static constexpr int kChunkFrames = 64;

    explicit TSoundIndicator(QObject* owner = nullptr);
    ~TSoundIndicator() override;

    int GetBitsPerSample() override;
    int GetChannels() override;
    int GetSampleRate() override;
    int GetTotalTime() override;
    void BeginRead() override;
    void EndRead() override;
    qint64 ReadData(char* buffer, qint64 size) override;

    // The band values × 20 (decibels); the bands start over from 0.
    void GetValues(double values[kBands]);

private:
    TPcmInput* requireInput();
    void analyse(const char* data, qint64 bytes, int bits, int channels);

    std::vector<double> m_window; // 1024-point Hann; only the first 64 are applied
    std::array<double, kBands> m_bands{};
    std::atomic_flag m_valuesLock = ATOMIC_FLAG_INIT;
};
