// Throughput of the ADPCM block codecs: DVI encode and decode, Microsoft
// decode, in bytes of 16-bit PCM per second.

#include "audio/adpcm.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

std::vector<int16_t> signal(int frames, int channels)
{
    std::vector<int16_t> out(size_t(frames) * channels);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(12000 * std::sin(double(i) * 0.013) + 3000 * std::sin(double(i) * 0.17));
    return out;
}

void DviEncode(benchmark::State& state)
{
    const int channels = int(state.range(0));
    const int blockAlign = 1024;
    const int frames = adpcm::imaFramesPerBlock(blockAlign, channels);
    const auto pcm = signal(frames, channels);
    std::vector<uint8_t> block(blockAlign);
    adpcm::ImaState states[2];
    for (auto _ : state) {
        adpcm::imaEncodeBlock(pcm.data(), blockAlign, channels, states, block.data());
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * frames * channels * 2);
}

void DviDecode(benchmark::State& state)
{
    const int channels = int(state.range(0));
    const int blockAlign = 1024;
    const int frames = adpcm::imaFramesPerBlock(blockAlign, channels);
    const auto pcm = signal(frames, channels);
    std::vector<uint8_t> block(blockAlign);
    adpcm::ImaState states[2];
    adpcm::imaEncodeBlock(pcm.data(), blockAlign, channels, states, block.data());
    std::vector<int16_t> out(size_t(frames) * channels);
    for (auto _ : state) {
        adpcm::imaDecodeBlock(block.data(), blockAlign, channels, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * frames * channels * 2);
}

void MsDecode(benchmark::State& state)
{
    const int channels = int(state.range(0));
    const int blockAlign = 1024;
    const int frames = (blockAlign - 7 * channels) * 2 / channels + 2;
    const adpcm::MsCoefficients coefficients[7] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                   {240, 0}, {460, -208}, {392, -232}};
    std::vector<uint8_t> block(blockAlign);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = uint8_t(i * 37 + 11);
    for (int c = 0; c < channels; ++c)
        block[size_t(c)] = uint8_t(c + 1);
    std::vector<int16_t> out(size_t(frames) * channels);
    for (auto _ : state) {
        adpcm::msDecodeBlock(block.data(), channels, frames, coefficients, 7, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * frames * channels * 2);
}

} // namespace

BENCHMARK(DviEncode)->Arg(1)->Arg(2);
BENCHMARK(DviDecode)->Arg(1)->Arg(2);
BENCHMARK(MsDecode)->Arg(1)->Arg(2);
