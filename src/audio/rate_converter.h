#pragma once
// Changes the sample rate of a 16-bit stream with a windowed-sinc low-pass
// filter. Falling rates filter at the input rate and keep the input instants
// that the phase accumulator selects; rising (and equal) rates interpolate
// linearly to the output instants and filter at the output rate.
//
// Threads: see TPcmConverter. The setters belong to the owner's thread and are
// ignored while a run is going on.

#include "audio/buffered_converter.h"
#include "audio/pcm_procs.h"

#include <cstdint>
#include <vector>

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
    char* inputBlock() override { return reinterpret_cast<char*>(m_in.data()); }
    const char* outputBlock() const override { return reinterpret_cast<const char*>(m_out.data()); }
    void freeRunBuffers() override;

private:
    template <int Channels> int downsample(const int16_t* x, int frames);
    template <int Channels> int upsample(const int16_t* x, int frames);

    int m_outSampleRate = 22050;
    int m_kernelWidth = 30;
    TFilterWindowType m_filterWindow = fwBlackman;

    // Per run.
    int m_inRate = 0;
    int m_channels = 1;
    std::vector<int16_t> m_in;
    std::vector<int16_t> m_out;
    std::vector<int16_t> m_sampleTail; // falling: last KernelWidth-1 frames, interleaved
    std::vector<double> m_accTail;     // rising: KernelWidth-1 accumulator frames
    std::vector<int16_t> m_history;    // falling: tail followed by the block
    std::int64_t m_phase = -1;
    int16_t m_lastFrame[2] = {0, 0};

    // Live until destruction.
    std::vector<double> m_kernel;
    std::vector<double> m_accumulator;
};
