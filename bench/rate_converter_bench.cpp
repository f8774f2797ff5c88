// Throughput of the rate converter over an in-memory 16-bit stream, in bytes
// of input per second: 22050 -> 44100, 44100 -> 22050 and 48000 -> 44100 Hz,
// stereo.

#include "audio/rate_converter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Delivers the same buffer over and over up to `total` bytes.
class RepeatingSource : public TPcmInput {
public:
    RepeatingSource(int rate, qint64 total) : m_rate(rate), m_total(total), m_data(1 << 16)
    {
        for (size_t i = 0; i < m_data.size(); ++i)
            m_data[i] = int16_t(12000 * std::sin(double(i / 2) * 0.05) + (i % 2) * 900);
    }
    ~RepeatingSource() override { NotifyRemoval(); }
    int GetBitsPerSample() override { return 16; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return m_rate; }
    void BeginRead() override
    {
        m_position = 0;
        m_size = m_total;
        m_busy = true;
    }
    void EndRead() override { m_busy = false; }
    qint64 ReadData(char* buffer, qint64 size) override
    {
        const qint64 bytes = qint64(m_data.size()) * 2;
        const qint64 at = m_position % bytes;
        const qint64 n = std::min({size, bytes - at, m_total - m_position});
        std::memcpy(buffer, reinterpret_cast<const char*>(m_data.data()) + at, size_t(n));
        m_position += n;
        return n;
    }

private:
    int m_rate;
    qint64 m_total;
    std::vector<int16_t> m_data;
};

void Convert(benchmark::State& state)
{
    const int inRate = int(state.range(0));
    const int outRate = int(state.range(1));
    const qint64 total = qint64(inRate) * 4 * 10; // ten seconds of stereo
    RepeatingSource source(inRate, total);
    TRateConverter rc;
    rc.SetFilterWindow(fwBlackman);
    rc.SetKernelWidth(30);
    rc.SetOutSampleRate(outRate);
    rc.SetInput(&source);
    std::vector<char> buffer(16384);
    for (auto _ : state) {
        rc.BeginRead();
        while (rc.ReadData(buffer.data(), qint64(buffer.size())) > 0)
            benchmark::DoNotOptimize(buffer.data());
        rc.EndRead();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * total);
}

} // namespace

BENCHMARK(Convert)
    ->Args({22050, 44100})
    ->Args({44100, 22050})
    ->Args({48000, 44100})
    ->Unit(benchmark::kMillisecond);
