#include "audio/rate_converter.h"

#include "audio/pcm_exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr qint64 kOutBlockBytes = 32768;

// The low 16 bits of the rounded value (ties to even): the filter does not clamp.
inline int16_t wrap16(double v)
{
    return int16_t(uint16_t(std::llrint(v)));
}

} // namespace

TRateConverter::TRateConverter(QObject* owner) : TBufferedConverter(owner) {}

TRateConverter::~TRateConverter()
{
    NotifyRemoval();
}

void TRateConverter::SetOutSampleRate(int rate)
{
    if (rate > 0 && !m_busy)
        m_outSampleRate = rate;
}

void TRateConverter::SetKernelWidth(int width)
{
    if (width > 1 && !m_busy)
        m_kernelWidth = width;
}

void TRateConverter::SetFilterWindow(TFilterWindowType window)
{
    if (!m_busy)
        m_filterWindow = window;
}

int TRateConverter::GetChannels()
{
    return requireInput()->GetChannels();
}

void TRateConverter::BeginRead()
{
    TPcmInput* input = requireInput();
    beginInput();
    try {
        m_inRate = input->GetSampleRate();
        m_channels = input->GetChannels();
        // The samples are read as 16-bit values whatever the input declares:
        // anything else would come out as noise.
        if (input->GetBitsPerSample() != 16)
            throw EPcmException("The rate converter needs 16 bit input.");
        if (m_inRate <= 0 || m_channels < 1 || m_channels > 2)
            throw EPcmException("The rate converter cannot read this audio format.");
    } catch (...) {
        TBufferedConverter::EndRead();
        throw;
    }
    const float ratio = float(m_outSampleRate) / float(m_inRate);
    if (ratio > 1)
        m_inBlockBytes = qint64(std::trunc(double(kOutBlockBytes) / ratio)) & ~qint64(3);
    else
        m_inBlockBytes = kOutBlockBytes;
    const int frameBytes = 2 * m_channels;
    m_inBlockBytes = std::max<qint64>(m_inBlockBytes - m_inBlockBytes % frameBytes, frameBytes);
    const qint64 inFrames = m_inBlockBytes / frameBytes;
    // Room for every output frame one block can make: n*out/in, plus the one
    // made between the previous block and this one, plus rounding slack.
    const qint64 outFrames =
        std::max<qint64>(kOutBlockBytes / frameBytes, inFrames * m_outSampleRate / m_inRate + 2);
    m_in.assign(size_t(inFrames * m_channels), 0);
    m_out.assign(size_t(outFrames * m_channels), 0);
    const int kw = m_kernelWidth;
    if (ratio >= 1) {
        m_accumulator.assign(size_t((outFrames + kw) * m_channels), 0.0);
        m_accTail.assign(size_t((kw - 1) * m_channels), 0.0);
    } else {
        m_sampleTail.assign(size_t((kw - 1) * m_channels), 0);
        m_history.assign(size_t((kw - 1 + inFrames) * m_channels), 0);
    }
    const qint64 inputSize = input->Size();
    m_size = inputSize < 0 ? -1 : std::llrint(double(ratio) * double(inputSize));
    m_phase = -1;
    // Each run starts from silence: a sample left from an earlier run (another
    // file, perhaps) must not leak into this one.
    m_lastFrame[0] = m_lastFrame[1] = 0;
    const float fc = ratio > 1 ? 0.4f / ratio : 0.4f * ratio;
    m_kernel = SincKernel(kw, fc, m_filterWindow);
}

void TRateConverter::freeRunBuffers()
{
    m_in = {};
    m_out = {};
    m_sampleTail = {};
    m_accTail = {};
    m_history = {};
}

qint64 TRateConverter::convertBlock(qint64 bytes)
{
    const int frames = int(bytes / (2 * m_channels));
    if (frames <= 0)
        return 0;
    const bool falling = m_outSampleRate < m_inRate;
    int made;
    if (m_channels == 2)
        made = falling ? downsample<2>(m_in.data(), frames) : upsample<2>(m_in.data(), frames);
    else
        made = falling ? downsample<1>(m_in.data(), frames) : upsample<1>(m_in.data(), frames);
    return qint64(made) * 2 * m_channels;
}

template <int Channels> int TRateConverter::downsample(const int16_t* x, int frames)
{
    const int kw = m_kernelWidth;
    const int tailFrames = kw - 1;
    const std::int64_t out = m_outSampleRate;
    const std::int64_t step = std::int64_t(m_inRate) - out;
    // history = tail, then the block: x[j - k] is history[tailFrames + j - k].
    int16_t* h = m_history.data();
    std::memcpy(h, m_sampleTail.data(), size_t(tailFrames * Channels) * 2);
    std::memcpy(h + tailFrames * Channels, x, size_t(frames) * Channels * 2);
    const double* kernel = m_kernel.data();
    if (m_phase < 0)
        m_phase = out;
    int16_t* y = m_out.data();
    int made = 0;
    for (int j = 0; j < frames; ++j) {
        if (out < m_phase) {
            m_phase -= out;
            continue;
        }
        // Sum over k = 0..kw-1 of kernel[kw-1-k] * x[j-k], in that order.
        const int16_t* s = h + (tailFrames + j) * Channels;
        double acc[Channels] = {};
        for (int k = 0; k < kw; ++k) {
            const double c = kernel[kw - 1 - k];
            for (int ch = 0; ch < Channels; ++ch)
                acc[ch] += c * s[-k * Channels + ch];
        }
        for (int ch = 0; ch < Channels; ++ch)
            y[made * Channels + ch] = wrap16(acc[ch]);
        ++made;
        m_phase += step;
    }
    // The last kw-1 input frames of history (covers blocks shorter than the tail).
    std::memcpy(m_sampleTail.data(), h + frames * Channels, size_t(tailFrames * Channels) * 2);
    return made;
}

template <int Channels> int TRateConverter::upsample(const int16_t* x, int frames)
{
    const int kw = m_kernelWidth;
    const int tailFrames = kw - 1;
    const std::int64_t out = m_outSampleRate;
    const std::int64_t in = m_inRate;
    const double* kernel = m_kernel.data();
    double* acc = m_accumulator.data();
    std::fill(m_accumulator.begin(), m_accumulator.end(), 0.0);
    std::memcpy(acc, m_accTail.data(), size_t(tailFrames * Channels) * sizeof(double));
    std::fill(m_accTail.begin(), m_accTail.end(), 0.0);
    if (m_phase < 0)
        m_phase = 0;
    int f = 0;
    const double outD = double(out);

    auto scatter = [&](const double* v) {
        double* a = acc + f * Channels;
        for (int i = 0; i < kw; ++i) {
            const double c = kernel[i];
            for (int ch = 0; ch < Channels; ++ch)
                a[i * Channels + ch] += v[ch] * c;
        }
        ++f;
    };
    auto interval = [&](const int16_t* a, const int16_t* b) {
        while (m_phase < out) {
            double v[Channels];
            for (int ch = 0; ch < Channels; ++ch)
                v[ch] = std::nearbyint(double((out - m_phase) * a[ch] + m_phase * b[ch]) / outD);
            scatter(v);
            m_phase += in;
        }
        m_phase -= out;
    };

    interval(m_lastFrame, x);
    for (int i = 0; i + 1 < frames; ++i)
        interval(x + i * Channels, x + (i + 1) * Channels);
    for (int ch = 0; ch < Channels; ++ch)
        m_lastFrame[ch] = x[(frames - 1) * Channels + ch];

    int16_t* y = m_out.data();
    for (int i = 0; i < f * Channels; ++i)
        y[i] = wrap16(acc[i]);
    std::memcpy(m_accTail.data(), acc + f * Channels,
                size_t(tailFrames * Channels) * sizeof(double));
    return f;
}
