// TSoundIndicator: the bands checked against a plain DFT computed here, chunk
// by chunk, independent of the FFT the indicator uses.

#include "audio_test_util.h"

#include "audio/pcm_exception.h"
#include "audio/sound_indicator.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <numbers>

using namespace audiotest;

namespace {

using Bands = std::array<double, TSoundIndicator::kBands>;

double value(const QByteArray& pcm, int bits, qsizetype index)
{
    return bits == 16 ? double(sampleAt(pcm, index))
                      : double(static_cast<unsigned char>(pcm[index]));
}

// The chunk-averaged log10 magnitudes of bins 0..31 of one block.
Bands reference(const QByteArray& pcm, int bits, int channels)
{
    Bands bands{};
    const qsizetype frames = pcm.size() / (bits / 8) / channels;
    const qsizetype chunks = frames / 64;
    for (qsizetype k = 0; k < chunks; ++k) {
        for (int bin = 0; bin < 32; ++bin) {
            std::complex<double> sum = 0;
            for (int i = 0; i < 64; ++i) {
                const qsizetype f = k * 64 + i;
                const double v = channels == 2
                                     ? (value(pcm, bits, 2 * f) + value(pcm, bits, 2 * f + 1)) / 2
                                     : value(pcm, bits, f);
                const double hann = (1 - std::cos(2 * std::numbers::pi * i / 1023)) / 2;
                sum += v * hann * std::polar(1.0, -2 * std::numbers::pi * bin * i / 64);
            }
            const double magnitude = std::abs(sum / 64.0);
            bands[bin] += magnitude == 0 ? 0 : std::max(0.0, std::log10(magnitude));
        }
    }
    if (chunks > 0) {
        for (double& b : bands)
            b /= double(chunks);
    }
    return bands;
}

Bands values(TSoundIndicator& indicator)
{
    Bands out{};
    indicator.GetValues(out.data());
    return out;
}

} // namespace

TEST(SoundIndicator, BandsAreTheChunkAveragedSpectrum)
{
    struct Case {
        int bits, channels;
        qsizetype bytes; // one block of this many bytes
    } cases[] = {
        {16, 2, 4096}, // 1024 frames: 16 chunks
        {16, 1, 4096}, // 32 chunks
        {8, 2, 4096},  // 32 chunks
        {8, 1, 4096},  // 64 chunks
        {16, 2, 4296}, // a partial chunk at the end is left out
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bit, " << c.channels << " ch");
        const QByteArray pcm =
            testSignal(int(c.bytes / (c.bits / 8) / c.channels), c.bits, c.channels);
        PcmSource source(pcm + testSignal(50, c.bits, c.channels, 9), c.bits, c.channels, 44100,
                         1 << 20);
        TSoundIndicator indicator;
        indicator.SetInput(&source);
        indicator.BeginRead();
        QByteArray block(int(c.bytes), 0);
        ASSERT_EQ(indicator.ReadData(block.data(), c.bytes), c.bytes);
        EXPECT_EQ(block, pcm); // passed through unchanged
        EXPECT_EQ(indicator.Position(), c.bytes);

        // A final block too short for a chunk leaves the bands as they were.
        char tail[4096];
        EXPECT_EQ(indicator.ReadData(tail, sizeof tail), 50 * (c.bits / 8) * c.channels);

        const Bands expected = reference(pcm, c.bits, c.channels);
        const Bands got = values(indicator);
        for (int b = 0; b < 32; ++b)
            EXPECT_NEAR(got[b], 20 * expected[b], 1e-9) << "band " << b;
        EXPECT_GT(got[0], 0);
        // Taken: the next read of the values starts from zero.
        EXPECT_EQ(values(indicator), Bands{});
        indicator.EndRead();
        EXPECT_FALSE(source.Busy());
    }
}

TEST(SoundIndicator, SilenceGivesZeros)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        PcmSource source(QByteArray(8192, 0), 16, channels, 44100, 1 << 20);
        TSoundIndicator indicator;
        indicator.SetInput(&source);
        indicator.BeginRead();
        char block[8192];
        ASSERT_EQ(indicator.ReadData(block, sizeof block), 8192);
        EXPECT_EQ(values(indicator), Bands{});
        indicator.EndRead();
    }
}

TEST(SoundIndicator, Misuse)
{
    TSoundIndicator indicator;
    const auto message = [](auto&& call) {
        try {
            call();
        } catch (const EPcmException& e) {
            return std::string(e.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message([&] { indicator.GetChannels(); }), "Input is not assigned.");
    EXPECT_EQ(message([&] { indicator.BeginRead(); }), "Input is not assigned.");
    PcmSource source(QByteArray(100, 0), 16, 2, 44100);
    indicator.SetInput(&source);
    char buffer[16];
    EXPECT_EQ(message([&] { indicator.ReadData(buffer, 16); }), "The Stream is not opened");
    EXPECT_EQ(indicator.GetSampleRate(), 44100);
    EXPECT_EQ(values(indicator), Bands{});
}
