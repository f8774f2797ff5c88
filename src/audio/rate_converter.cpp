#include "audio/rate_converter.h"

#include "audio/pcm_exception.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr qint64 kOutBlockBytes = 32768;
// Output frames asked of the filter per call.
constexpr size_t kChunkFrames = 8192;

// Rounded to the nearest value (ties to even) and clipped to the 16-bit range:
// an overshoot past full scale must never wrap to the other sign.
inline int16_t clip16(float v)
{
    const float scaled = v * 32768.0f;
    if (scaled >= 32767.0f)
        return 32767;
    if (scaled <= -32768.0f)
        return -32768;
    return int16_t(std::lrintf(scaled));
}

} // namespace

TRateConverter::TRateConverter(QObject* owner) : TBufferedConverter(owner) {}

TRateConverter::~TRateConverter()
{
    NotifyRemoval();
    soxr_delete(m_soxr);
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
        m_passThrough = m_inRate == m_outSampleRate;
        if (!m_passThrough) {
            if (m_soxr && (m_soxrInRate != m_inRate || m_soxrOutRate != m_outSampleRate ||
                           m_soxrChannels != m_channels)) {
                soxr_delete(m_soxr);
                m_soxr = nullptr;
            }
            if (m_soxr) {
                soxr_clear(m_soxr);
            } else {
                const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
                const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
                soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
                // Ratios such as 44100 -> 24000 have too many phases for a
                // table of their own; the default interpolation between
                // coefficients then leaves spurs near -85 dB, the low-order
                // one (a larger table) keeps them below -110 dB.
                runtime.flags = SOXR_COEF_INTERP_LOW;
                soxr_error_t error = nullptr;
                m_soxr = soxr_create(m_inRate, m_outSampleRate, unsigned(m_channels), &error, &io,
                                     &quality, &runtime);
                if (error || !m_soxr) {
                    soxr_delete(m_soxr);
                    m_soxr = nullptr;
                    throw EPcmException(std::string("The rate converter cannot start: ") +
                                        soxr_strerror(error));
                }
                m_soxrInRate = m_inRate;
                m_soxrOutRate = m_outSampleRate;
                m_soxrChannels = m_channels;
            }
        }
    } catch (...) {
        TBufferedConverter::EndRead();
        throw;
    }
    const int frameBytes = 2 * m_channels;
    const double ratio = double(m_outSampleRate) / double(m_inRate);
    // One block's output should about fill the output block.
    m_inBlockBytes = ratio > 1 ? qint64(double(kOutBlockBytes) / ratio) : kOutBlockBytes;
    m_inBlockBytes = std::max<qint64>(m_inBlockBytes - m_inBlockBytes % frameBytes, frameBytes);
    m_in.assign(size_t(m_inBlockBytes / 2), 0);
    m_out.clear();
    m_out.reserve(size_t(kOutBlockBytes / 2));
    const qint64 inputSize = input->Size();
    m_size = inputSize < 0
                 ? -1
                 : std::llrint(double(inputSize / frameBytes) * ratio) * qint64(frameBytes);
}

void TRateConverter::freeRunBuffers()
{
    m_in = {};
    m_out = {};
    m_filtered = {};
}

qint64 TRateConverter::convertBlock(qint64 bytes)
{
    const size_t frames = size_t(bytes / (2 * m_channels));
    if (frames == 0)
        return 0;
    if (m_passThrough) {
        m_out.assign(m_in.begin(), m_in.begin() + std::ptrdiff_t(frames * size_t(m_channels)));
        return qint64(frames) * 2 * m_channels;
    }
    return resample(m_in.data(), frames);
}

qint64 TRateConverter::flushBlock()
{
    return m_passThrough ? 0 : resample(nullptr, 0);
}

qint64 TRateConverter::resample(const int16_t* in, size_t frames)
{
    const size_t channels = size_t(m_channels);
    size_t used = 0;
    size_t made = 0;
    // Until the input is taken and a call leaves room unused: then the filter
    // has handed out all it can make from what it was given.
    for (;;) {
        if (m_filtered.size() < (made + kChunkFrames) * channels)
            m_filtered.resize((made + kChunkFrames) * channels);
        size_t taken = 0;
        size_t out = 0;
        const soxr_error_t error =
            soxr_process(m_soxr, in ? in + used * channels : nullptr, frames - used, &taken,
                         m_filtered.data() + made * channels, kChunkFrames, &out);
        if (error)
            throw EPcmException(std::string("The rate converter failed: ") + error);
        if (taken == 0 && out == 0 && used < frames)
            throw EPcmException("The rate converter stalled.");
        used += taken;
        made += out;
        if (used >= frames && out < kChunkFrames)
            break;
    }
    m_out.resize(made * channels);
    for (size_t i = 0; i < made * channels; ++i)
        m_out[i] = clip16(m_filtered[i]);
    return qint64(made * channels * 2);
}
