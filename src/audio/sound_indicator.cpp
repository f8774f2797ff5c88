#include "audio/sound_indicator.h"

#include "audio/pcm_exception.h"

#include <QtEndian>

#include <cmath>
#include <complex>
#include <numbers>
#include <thread>

namespace {

constexpr int kWindowPoints = 1024;

// In-place radix-2 FFT over n points (a power of two); the forward direction
// (the one analysis uses) divides by n.
void forwardFft(std::complex<double>* x, int n)
{
    for (int i = 0, j = 0; i < n - 1; ++i) {
        if (i < j)
            std::swap(x[i], x[j]);
        int k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
    for (int half = 1; half < n; half *= 2) {
        const std::complex<double> step = std::polar(1.0, -std::numbers::pi / half);
        std::complex<double> w = 1.0;
        for (int j = 0; j < half; ++j) {
            for (int i = j; i < n; i += 2 * half) {
                const std::complex<double> t = w * x[i + half];
                x[i + half] = x[i] - t;
                x[i] += t;
            }
            w *= step;
        }
    }
    for (int i = 0; i < n; ++i)
        x[i] /= double(n);
}

// log10 |z|, with 0 for |z| = 0 and for anything below 0.
double logMagnitude(std::complex<double> z)
{
    const double m = std::abs(z);
    if (m == 0)
        return 0;
    const double v = std::log10(m);
    return v < 0 ? 0 : v;
}

class SpinGuard {
public:
    explicit SpinGuard(std::atomic_flag& flag) : m_flag(flag)
    {
        while (m_flag.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
    }
    ~SpinGuard() { m_flag.clear(std::memory_order_release); }
    SpinGuard(const SpinGuard&) = delete;
    SpinGuard& operator=(const SpinGuard&) = delete;

private:
    std::atomic_flag& m_flag;
};

} // namespace

TSoundIndicator::TSoundIndicator(QObject* owner) : TPcmConverter(owner), m_window(kWindowPoints)
{
    for (int i = 0; i < kWindowPoints; ++i)
        m_window[i] = (1 - std::cos(2 * std::numbers::pi * i / (kWindowPoints - 1))) / 2;
}

TSoundIndicator::~TSoundIndicator()
{
    NotifyRemoval();
}

TPcmInput* TSoundIndicator::requireInput()
{
    TPcmInput* input = Input();
    if (!input)
        throw EPcmException("Input is not assigned.");
    return input;
}

int TSoundIndicator::GetBitsPerSample()
{
    return requireInput()->GetBitsPerSample();
}

int TSoundIndicator::GetChannels()
{
    return requireInput()->GetChannels();
}

int TSoundIndicator::GetSampleRate()
{
    return requireInput()->GetSampleRate();
}

int TSoundIndicator::GetTotalTime()
{
    return requireInput()->GetTotalTime();
}

void TSoundIndicator::BeginRead()
{
    TPcmInput* input = requireInput();
    m_busy = true;
    input->BeginRead();
    m_size = input->Size();
    {
        SpinGuard guard(m_valuesLock);
        m_bands.fill(0);
    }
    m_position = 0;
}

void TSoundIndicator::EndRead()
{
    if (TPcmInput* input = Input())
        input->EndRead();
    m_busy = false;
}

qint64 TSoundIndicator::ReadData(char* buffer, qint64 size)
{
    if (!m_busy)
        throw EPcmException("The Stream is not opened");
    const qint64 r = readInput(buffer, size);
    TPcmInput* input = Input();
    if (input)
        m_position = input->Position();
    if (r <= 0 || !input)
        return r;
    // The window is reading the values: this block goes unanalysed.
    if (m_valuesLock.test_and_set(std::memory_order_acquire))
        return r;
    analyse(buffer, r, input->GetBitsPerSample(), input->GetChannels());
    m_valuesLock.clear(std::memory_order_release);
    return r;
}

void TSoundIndicator::analyse(const char* data, qint64 bytes, int bits, int channels)
{
    const int frameBytes = (bits == 16 ? 2 : 1) * (channels == 2 ? 2 : 1);
    const qint64 chunks = bytes / frameBytes / kChunkFrames;
    const auto sample = [&](qint64 index) -> double {
        if (bits == 16)
            return qFromLittleEndian<qint16>(data + 2 * index);
        return static_cast<unsigned char>(data[index]);
    };
    std::complex<double> points[kChunkFrames];
    for (qint64 k = 0; k < chunks; ++k) {
        for (int i = 0; i < kChunkFrames; ++i) {
            const qint64 frame = k * kChunkFrames + i;
            const double v =
                channels == 2 ? (sample(2 * frame) + sample(2 * frame + 1)) / 2 : sample(frame);
            points[i] = v * m_window[i];
        }
        forwardFft(points, kChunkFrames);
        bool finite = true;
        for (int b = 0; b < kBands; ++b) {
            m_bands[b] += logMagnitude(points[b]);
            finite = finite && std::isfinite(m_bands[b]);
        }
        if (!finite)
            m_bands.fill(0);
    }
    if (chunks >= 1) {
        for (double& band : m_bands)
            band /= double(chunks);
    }
}

void TSoundIndicator::GetValues(double values[kBands])
{
    SpinGuard guard(m_valuesLock);
    for (int b = 0; b < kBands; ++b) {
        values[b] = m_bands[b] * 20;
        m_bands[b] = 0;
    }
}
