// The rate, mono/stereo, sample-width and balance filters, pulled directly
// and through the WAV writer.

#include "audio_test_util.h"
#include "converter_test_util.h"

#include "audio/ms_converter.h"
#include "audio/rate_converter.h"
#include "audio/sample_converter.h"
#include "audio/stereo_balance.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>

using namespace audiotest;
using namespace convtest;

namespace {

std::vector<int16_t> channel(const QByteArray& pcm, int channels, int c)
{
    std::vector<int16_t> out;
    for (qsizetype i = c; i < pcm.size() / 2; i += channels)
        out.push_back(sampleAt(pcm, i));
    return out;
}

struct RateCase {
    int inRate, outRate, channels;
};

class RateConversion : public ::testing::TestWithParam<RateCase> {};

// Blocks, tails and the phase carried between them must not change a single
// value: the filter's output equals a whole-signal model of the conversion.
TEST_P(RateConversion, MatchesWholeSignalModelAndSize)
{
    const RateCase c = GetParam();
    const int frames = 3 * c.inRate / 2 + 77; // several blocks and a short last one
    const QByteArray input = testSignal(frames, 16, c.channels, 7);
    PcmSource source(input, 16, c.channels, c.inRate, 3001);
    TRateConverter rc;
    rc.SetOutSampleRate(c.outRate);
    rc.SetInput(&source);
    EXPECT_EQ(rc.GetSampleRate(), c.outRate);
    EXPECT_EQ(rc.GetChannels(), c.channels);
    rc.BeginRead();
    const float ratio = float(c.outRate) / float(c.inRate);
    EXPECT_EQ(rc.Size(), std::llrint(double(ratio) * double(input.size())));
    rc.EndRead();

    const QByteArray out = pullAll(rc, 1000);
    for (int ch = 0; ch < c.channels; ++ch) {
        const auto expected = modelConvert(channel(input, c.channels, ch), c.inRate, c.outRate);
        const auto got = channel(out, c.channels, ch);
        ASSERT_EQ(got.size(), expected.size()) << "channel " << ch;
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], expected[i]) << "channel " << ch << " frame " << i;
    }
    // The count of frames delivered is the ratio's share of the input's.
    const double expectedFrames = double(frames) * c.outRate / c.inRate;
    EXPECT_NEAR(double(out.size()) / (2 * c.channels), expectedFrames, 2.0);
    // Position follows the input's and ends at Size, give or take a frame.
    EXPECT_NEAR(double(rc.Position()), double(rc.Size()), 4.0 * c.channels);
}

INSTANTIATE_TEST_SUITE_P(Rates, RateConversion,
                         ::testing::Values(RateCase{22050, 44100, 1}, RateCase{22050, 44100, 2},
                                           RateCase{44100, 22050, 1}, RateCase{44100, 22050, 2},
                                           RateCase{48000, 44100, 2}, RateCase{44100, 44100, 2},
                                           RateCase{11025, 44100, 1}, RateCase{32000, 44100, 2},
                                           RateCase{44100, 8000, 1}));

TEST(RateConverter, BlockSizesAndSampleCounts)
{
    // 22050 -> 44100: 8192 mono samples (one input block of 16384 bytes)
    // become 32768 bytes, two outputs per input sample.
    PcmSource up(sine(440, 22050, 8192, 1), 16, 1, 22050, 1 << 20);
    TRateConverter rc;
    rc.SetOutSampleRate(44100);
    rc.SetInput(&up);
    rc.BeginRead();
    std::vector<char> buffer(65536);
    EXPECT_EQ(rc.ReadData(buffer.data(), 65536), 32768);
    EXPECT_EQ(rc.ReadData(buffer.data(), 65536), 0);
    rc.EndRead();

    // Equal rates deliver exactly as many samples as they read, delayed by
    // half the kernel (plus the sample interpolated from silence).
    QByteArray impulse = pcm16(std::vector<int>(200, 0));
    qToLittleEndian<qint16>(qint16(20000), impulse.data() + 2 * 50);
    PcmSource same(impulse, 16, 1, 44100);
    rc.SetOutSampleRate(44100);
    rc.SetInput(&same);
    const auto y = values16(pullAll(rc));
    ASSERT_EQ(y.size(), 200u);
    const auto peak = std::max_element(y.begin(), y.end()) - y.begin();
    EXPECT_EQ(peak, 50 + 1 + 15);

    // 44100 -> 22050 keeps every second input instant, the first included:
    // a kernel of width 2 with a cut-off making it [a, b] shows which.
    PcmSource down(pcm16({1000, 2000, 3000, 4000, 5000, 6000}), 16, 1, 44100);
    rc.SetOutSampleRate(22050);
    rc.SetInput(&down);
    EXPECT_EQ(values16(pullAll(rc)).size(), 3u);
}

TEST(RateConverter, SettersKeepOldValuesOnBadInputOrWhileBusy)
{
    PcmSource source(sine(440, 44100, 100, 1), 16, 1, 44100);
    TRateConverter rc;
    EXPECT_EQ(rc.OutSampleRate(), 22050);
    EXPECT_EQ(rc.KernelWidth(), 30);
    EXPECT_EQ(rc.FilterWindow(), fwBlackman);
    const std::vector<std::function<void()>> ignored = {
        [&] { rc.SetKernelWidth(1); },
        [&] { rc.SetOutSampleRate(0); },
        [&] { rc.SetOutSampleRate(-5); },
    };
    for (const auto& set : ignored)
        set();
    EXPECT_EQ(rc.OutSampleRate(), 22050);
    EXPECT_EQ(rc.KernelWidth(), 30);
    rc.SetInput(&source);
    rc.BeginRead();
    rc.SetOutSampleRate(48000);
    rc.SetKernelWidth(8);
    rc.SetFilterWindow(fwHann);
    rc.EndRead();
    EXPECT_EQ(rc.OutSampleRate(), 22050);
    EXPECT_EQ(rc.KernelWidth(), 30);
    EXPECT_EQ(rc.FilterWindow(), fwBlackman);
    rc.SetKernelWidth(2);
    EXPECT_EQ(rc.KernelWidth(), 2);
}

// A sine keeps its frequency through every conversion: the spectral peak of
// the output sits at the tone's bin of the output rate.
TEST(RateConverter, KeepsTheFrequencyOfASine)
{
    struct Case {
        int inRate, outRate;
        double hz;
    };
    for (const Case c : {Case{22050, 44100, 1000}, Case{44100, 22050, 3000},
                         Case{48000, 44100, 5000}, Case{44100, 44100, 440}}) {
        PcmSource source(sine(c.hz, c.inRate, c.inRate, 1), 16, 1, c.inRate, 8192);
        TRateConverter rc;
        rc.SetOutSampleRate(c.outRate);
        rc.SetInput(&source);
        const auto y = channel(pullAll(rc), 1, 0);
        const int n = 8192;
        ASSERT_GT(y.size(), size_t(n + 1000));
        const auto p = spectrum(y, 1000, n);
        const auto peak = double(std::max_element(p.begin(), p.end()) - p.begin());
        EXPECT_NEAR(peak, c.hz * n / c.outRate, 1.0) << c.inRate << " -> " << c.outRate;
    }
}

// What is left of content the filter should remove. Falling rates: a tone
// between the new and the old Nyquist frequency, against a passband tone of
// the same level (whole output power). Rising rates: the image of a passband
// tone mirrored at the old Nyquist frequency, against the tone itself.
TEST(RateConverter, StopbandLeakage)
{
    struct Case {
        int inRate, outRate;
        double stopHz; // falling: the tone fed in; rising: 0
        double passHz;
    };
    const int n = 8192;
    auto outputSpectrum = [&](const Case& c, double hz) {
        PcmSource source(sine(hz, c.inRate, c.inRate, 1), 16, 1, c.inRate, 8192);
        TRateConverter rc;
        rc.SetOutSampleRate(c.outRate);
        rc.SetInput(&source);
        return spectrum(channel(pullAll(rc), 1, 0), 1000, n);
    };
    auto band = [&](const std::vector<double>& p, double hz, int outRate) {
        const int bin = int(std::lrint(hz * n / outRate));
        double s = 0;
        for (int b = std::max(bin - 4, 0); b <= std::min(bin + 4, n / 2 - 1); ++b)
            s += p[size_t(b)];
        return s;
    };
    auto total = [](const std::vector<double>& p) {
        return std::accumulate(p.begin(), p.end(), 0.0);
    };
    for (const Case c : {Case{44100, 22050, 15000, 3000}, Case{48000, 44100, 23000, 3000},
                         Case{22050, 44100, 0, 5000}, Case{32000, 44100, 0, 5000}}) {
        double leak, pass;
        double atHz;
        if (c.stopHz > 0) {
            leak = total(outputSpectrum(c, c.stopHz));
            pass = total(outputSpectrum(c, c.passHz));
            atHz = c.stopHz;
        } else {
            const auto p = outputSpectrum(c, c.passHz);
            // The first image, folded back when it lies above the output's Nyquist.
            atHz = c.inRate - c.passHz;
            if (atHz > c.outRate / 2.0)
                atHz = c.outRate - atHz;
            leak = band(p, atHz, c.outRate);
            pass = band(p, c.passHz, c.outRate);
        }
        const double db = 10 * std::log10(std::max(leak, 1e-30) / pass);
        std::printf("stopband leakage %d -> %d Hz (%.0f Hz): %.1f dB\n", c.inRate, c.outRate, atHz,
                    db);
        EXPECT_LT(db, -50.0) << c.inRate << " -> " << c.outRate;
    }
}

TEST(MSConverter, StereoToMonoAndMonoToStereo)
{
    struct Case {
        int channels;
        TMSConverterMode mode;
        std::vector<int> in, out;
    };
    const std::vector<Case> cases = {
        {2,
         msmMonoToBoth,
         {-3, 0, 3, 0, 32767, 32767, -32768, -32768, 5, -8},
         {-1, 1, 32767, -32768, -1}},
        {1, msmMonoToBoth, {7, -9, 32767}, {7, 7, -9, -9, 32767, 32767}},
        {1, msmMonoToLeft, {7, -9}, {0, 7, 0, -9}},
        {1, msmMonoToRight, {7, -9}, {7, 0, -9, 0}},
    };
    for (const Case& c : cases) {
        PcmSource source(pcm16(c.in), 16, c.channels, 32000);
        TMSConverter ms;
        ms.SetMode(c.mode);
        ms.SetInput(&source);
        EXPECT_EQ(ms.GetChannels(), 3 - c.channels);
        EXPECT_EQ(ms.GetSampleRate(), 32000);
        ms.BeginRead();
        EXPECT_EQ(ms.Size(), qint64(c.out.size()) * 2);
        ms.EndRead();
        EXPECT_EQ(values16(pullAll(ms, 6)), c.out) << c.channels << " " << c.mode;
    }
}

TEST(SampleConverter, WidthConversions)
{
    PcmSource sixteen(pcm16({-32768, 0, 32767, -1, 255, 256}), 16, 1, 8000);
    TSampleConverter sc;
    sc.SetInput(&sixteen);
    EXPECT_EQ(sc.GetBitsPerSample(), 8);
    const QByteArray eight = pullAll(sc);
    EXPECT_EQ(eight, QByteArray::fromHex("0080ff7f8081"));

    PcmSource bytes(QByteArray::fromHex("0080ff01"), 8, 2, 8000);
    sc.SetInput(&bytes);
    EXPECT_EQ(sc.GetBitsPerSample(), 16);
    EXPECT_EQ(sc.GetChannels(), 2);
    sc.BeginRead();
    EXPECT_EQ(sc.Size(), 8);
    sc.EndRead();
    EXPECT_EQ(values16(pullAll(sc, 3)), (std::vector<int>{-32768, 0, 32512, -32512}));

    // A longer run crosses block boundaries (16384 input bytes per block).
    const QByteArray long8 = testSignal(40000, 8, 1, 3);
    PcmSource many(long8, 8, 1, 8000, 1234);
    sc.SetInput(&many);
    const auto wide = values16(pullAll(sc, 5000));
    ASSERT_EQ(wide.size(), size_t(long8.size()));
    for (size_t i = 0; i < wide.size(); i += 997)
        EXPECT_EQ(wide[i], (int(uint8_t(long8[qsizetype(i)])) - 128) * 256);
}

TEST(StereoBalance, BalanceTable)
{
    struct Case {
        float balance;
        int bits, channels;
        QByteArray in, out;
    };
    const QByteArray stereo16 = pcm16({1000, 1000, -301, -301});
    const std::vector<Case> cases = {
        {1.0f, 16, 2, stereo16, pcm16({0, 1000, 0, -301})},
        {0.0f, 16, 2, stereo16, pcm16({1000, 0, -301, 0})},
        {0.5f, 16, 2, stereo16, pcm16({1000, 500, -301, -150})},
        {0.75f, 16, 2, stereo16, pcm16({250, 1000, -75, -301})},
        {1.5f, 16, 2, stereo16, pcm16({1000, 500, -301, -150})}, // ignored: stays 0.5
        {0.5f, 16, 1, pcm16({1000, -301}), pcm16({1000, 500, -301, -150})},
        {0.25f, 8, 2, QByteArray::fromHex("c8c8"), QByteArray::fromHex("c832")},
        {1.0f, 8, 1, QByteArray::fromHex("c8ff"), QByteArray::fromHex("00c800ff")},
    };
    for (const Case& c : cases) {
        PcmSource source(c.in, c.bits, c.channels, 44100);
        TStereoBalance sb;
        sb.SetBalance(c.balance);
        sb.SetInput(&source);
        EXPECT_EQ(sb.GetChannels(), 2);
        EXPECT_EQ(sb.GetBitsPerSample(), c.bits);
        EXPECT_EQ(pullAll(sb, 8).toHex(), c.out.toHex()) << c.balance << " " << c.bits;
        EXPECT_EQ(sb.Position(), sb.Size());
    }
}

// Every filter refuses queries and runs without an input, and reads outside
// a run.
TEST(Converters, MisuseRaisesTheirMessages)
{
    std::vector<std::unique_ptr<TPcmConverter>> filters;
    filters.push_back(std::make_unique<TRateConverter>());
    filters.push_back(std::make_unique<TMSConverter>());
    filters.push_back(std::make_unique<TSampleConverter>());
    filters.push_back(std::make_unique<TStereoBalance>());
    // How many of the three format queries each answers from its own settings.
    const int ownAnswers[] = {2, 1, 0, 1};
    for (size_t i = 0; i < filters.size(); ++i) {
        TPcmConverter* f = filters[i].get();
        SCOPED_TRACE(f->metaObject()->className());
        auto message = [](const std::function<void()>& call) -> std::string {
            try {
                call();
            } catch (const EPcmException& e) {
                return e.what();
            }
            return "";
        };
        EXPECT_EQ(message([&] { f->BeginRead(); }), "Input not assigned");
        char b[4];
        EXPECT_EQ(message([&] { f->ReadData(b, 4); }), "The Stream is not opened");
        int answers = 0, refusals = 0;
        for (const std::function<void()>& query :
             {std::function<void()>([&] { f->GetBitsPerSample(); }),
              std::function<void()>([&] { f->GetChannels(); }),
              std::function<void()>([&] { f->GetSampleRate(); })}) {
            const std::string m = message(query);
            answers += m.empty();
            refusals += m == "Input not assigned";
        }
        EXPECT_EQ(answers, ownAnswers[i]);
        EXPECT_EQ(answers + refusals, 3);
    }
    // The rate and mono/stereo filters read 16-bit values only.
    PcmSource eightBit(QByteArray(100, char(128)), 8, 1, 22050);
    TRateConverter rc;
    rc.SetInput(&eightBit);
    EXPECT_THROW(rc.BeginRead(), EPcmException);
    EXPECT_FALSE(rc.Busy());
    EXPECT_FALSE(eightBit.Busy());
}

// The chain the job uses: reader, rate converter, writer; the file written is
// what the filter delivers, headed with the new rate.
TEST(RateConverter, ThroughWaveOutToAFile)
{
    QTemporaryDir dir;
    const QString src = dir.filePath("in.wav"), dst = dir.filePath("out.wav");
    PcmSource tone(sine(1000, 22050, 22050, 2), 16, 2, 22050);
    TWaveOut writer;
    writer.SetFileName(src);
    ASSERT_EQ(writeWave(writer, tone), "");

    TWaveIn reader;
    reader.SetFileName(src);
    TRateConverter rc;
    rc.SetOutSampleRate(44100);
    rc.SetInput(&reader);
    TWaveOut out;
    out.SetFileName(dst);
    ASSERT_EQ(writeWave(out, rc), "");
    TWaveIn check;
    check.SetFileName(dst);
    EXPECT_EQ(check.GetSampleRate(), 44100);
    EXPECT_EQ(check.GetChannels(), 2);
    const QByteArray written = readWave(check);
    rc.SetInput(&reader);
    EXPECT_EQ(sampleDifference(written, pullAll(rc)), "");
    EXPECT_NEAR(double(written.size()), 2.0 * 22050 * 4, 8.0);
}

} // namespace
