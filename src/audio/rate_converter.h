#pragma once
// Changes the sample rate of a 16-bit stream through libsoxr's high-quality
// linear-phase filter: flat to beyond 0.9 of the lower rate's band, images and
// aliases far below what 16 bits can hold. Samples the filter's overshoot
// would carry past full scale are clipped. The filter's delay is made up for:
// the output starts with the input, and once the input has ended the samples
// still held in the filter are delivered, so the whole signal comes out.
// Equal rates pass the samples through unchanged.
//
// KernelWidth and FilterWindow are kept for the callers that set them; the
// filter no longer depends on them.
//
// Threads: see TPcmConverter. The setters belong to the owner's thread and are
// ignored while a run is going on.

#include "audio/buffered_converter.h"
#include "audio/pcm_procs.h"

#include <cstdint>
#include <vector>

struct soxr;

class TRateConverter : public TBufferedConverter {
    Q_OBJECT
public:
    explicit TRateConverter(QObject* owner = nullptr);
    ~TRateConverter() override;

    int OutSampleRate() const { return m_outSampleRate; }
    void SetOutSampleRate(int rate);
    int KernelWidth() const { return m_kernelWidth; }
    void SetKernelWidth(int width);
    TFilterWindowType FilterWindow() const { return m_filterWindow; }
    void SetFilterWindow(TFilterWindowType window);

    int GetBitsPerSample() override { return 16; }
    int GetChannels() override;
    int GetSampleRate() override { return m_outSampleRate; }
    void BeginRead() override;

protected:
    qint64 convertBlock(qint64 bytes) override;
    qint64 flushBlock() override;
    char* inputBlock() override { return reinterpret_cast<char*>(m_in.data()); }
    const char* outputBlock() const override { return reinterpret_cast<const char*>(m_out.data()); }
    void freeRunBuffers() override;

private:
    // Feeds `frames` frames (nullptr: the end of the input) and collects all
    // the output the filter can make; returns its size in bytes.
    qint64 resample(const int16_t* in, size_t frames);

    int m_outSampleRate = 22050;
    int m_kernelWidth = 30;
    TFilterWindowType m_filterWindow = fwBlackman;

    // Per run.
    int m_inRate = 0;
    int m_channels = 1;
    bool m_passThrough = false;
    std::vector<int16_t> m_in;
    std::vector<int16_t> m_out;
    std::vector<float> m_filtered;

    // The filter is built for one pair of rates and a channel count and kept
    // while they stay the same; every run clears its state.
    soxr* m_soxr = nullptr;
    int m_soxrInRate = 0;
    int m_soxrOutRate = 0;
    int m_soxrChannels = 0;
};
