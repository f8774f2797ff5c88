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
#include <numbers>
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

std::vector<int16_t> resampleMono(const std::vector<int16_t>& x, int inRate, int outRate)
{
    QByteArray pcm(reinterpret_cast<const char*>(x.data()), qsizetype(x.size() * 2));
    PcmSource source(pcm, 16, 1, inRate, 7000);
    TRateConverter rc;
    rc.SetOutSampleRate(outRate);
    rc.SetInput(&source);
    return channel(pullAll(rc, 3000), 1, 0);
}

// Tones at -6 dBFS through each conversion, read from a 16384-point spectrum of
// the output: passband tones keep their level within 0.1 dB, with nothing
// else above -90 dB (no spurs, no images above the lower rate's band); tones
// beyond the output's band do not come back as aliases; a full-scale square,
// whose edges overshoot when band-limited, is clipped at the rails and never
// wraps around to the other sign.
TEST(RateConverter, ToneQualityAndNoWrapAround)
{
    struct Case {
        int inRate, outRate;
    };
    const Case cases[] = {{22050, 44100}, {32000, 44100}, {48000, 44100}, {11025, 44100},
                          {44100, 22050}, {44100, 8000},  {44100, 24000}};
    const int n = 16384;
    const size_t skip = 4096; // past the start, where the tone switches on
    const double amplitude = 16384;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.inRate << " -> " << c.outRate);
        const size_t inFrames = size_t(double(skip + n + 2048) * c.inRate / c.outRate);
        const int lower = std::min(c.inRate, c.outRate);
        for (const double hz : {1000.0, 0.25 * lower, 0.45 * lower}) {
            const int bin = oddBin(hz, c.outRate, n);
            const double f = double(bin) * c.outRate / n;
            const auto y =
                resampleMono(tone16(f, c.inRate, inFrames, amplitude), c.inRate, c.outRate);
            ASSERT_GE(y.size(), skip + n);
            const ToneReading r =
                readTone(amplitudeSpectrum(y, skip, n), n, c.outRate, bin, amplitude, lower / 2.0);
            EXPECT_NEAR(r.gainDb, 0.0, 0.1) << f << " Hz";
            EXPECT_LT(r.spurDb, -90.0) << f << " Hz, spur at " << r.spurHz << " Hz";
            EXPECT_LT(r.imageDb, -90.0) << f << " Hz";
        }
        if (c.outRate < c.inRate) {
            // Halfway between the two band edges, on a bin of the alias.
            const int aliasBin = oddBin(c.outRate - (c.outRate + c.inRate) / 4.0, c.outRate, n);
            const double f = c.outRate - double(aliasBin) * c.outRate / n;
            const auto y =
                resampleMono(tone16(f, c.inRate, inFrames, amplitude), c.inRate, c.outRate);
            const auto a = amplitudeSpectrum(y, skip, n);
            EXPECT_LT(dB(*std::max_element(a.begin(), a.end()) / amplitude), -90.0) << f << " Hz";
        }
        std::vector<int16_t> square(inFrames);
        for (size_t i = 0; i < inFrames; ++i)
            square[i] =
                std::sin(2 * std::numbers::pi * 997 * double(i) / c.inRate) >= 0 ? 32767 : -32768;
        const auto y = resampleMono(square, c.inRate, c.outRate);
        EXPECT_EQ(*std::max_element(y.begin(), y.end()), 32767);
        EXPECT_EQ(*std::min_element(y.begin(), y.end()), -32768);
        // A band-limited edge may take one large step, but a wrapped sample
        // is a spike: a step there and straight back.
        int spike = 0;
        for (size_t i = 1; i + 1 < y.size(); ++i) {
            const int there = int(y[i]) - int(y[i - 1]), back = int(y[i + 1]) - int(y[i]);
            if ((there < 0) != (back < 0))
                spike = std::max(spike, std::min(std::abs(there), std::abs(back)));
        }
        EXPECT_LT(spike, 16384);
    }
}

// Blocks, the filter's delay and the end of the input: whatever the read
// sizes, the output is the same, it lasts as long as the input, Size and
// Position agree with it, and a second run starts afresh. Equal rates pass
// the samples through untouched.
TEST(RateConverter, StreamsTheWholeSignalAlike)
{
    struct Case {
        int inRate, outRate, channels;
    };
    for (const Case c : {Case{22050, 44100, 2}, Case{48000, 44100, 2}, Case{44100, 8000, 1},
                         Case{32000, 44100, 1}, Case{44100, 44100, 2}}) {
        SCOPED_TRACE(testing::Message() << c.inRate << " -> " << c.outRate);
        const int frames = 3 * c.inRate / 2 + 77; // several blocks and a short last one
        const QByteArray input = testSignal(frames, 16, c.channels, 7);
        PcmSource source(input, 16, c.channels, c.inRate, 3001);
        TRateConverter rc;
        rc.SetOutSampleRate(c.outRate);
        rc.SetInput(&source);
        EXPECT_EQ(rc.GetSampleRate(), c.outRate);
        EXPECT_EQ(rc.GetChannels(), c.channels);
        const QByteArray small = pullAll(rc, 1000);
        const qint64 expectedBytes =
            std::llrint(double(frames) * c.outRate / c.inRate) * 2 * c.channels;
        EXPECT_EQ(rc.Size(), expectedBytes);
        EXPECT_EQ(small.size(), expectedBytes);
        EXPECT_EQ(rc.Position(), rc.Size());
        PcmSource whole(input, 16, c.channels, c.inRate, 1 << 24);
        whole.sizeUnknown = true;
        rc.SetInput(&whole);
        EXPECT_EQ(pullAll(rc, 1 << 20), small);
        if (c.inRate == c.outRate) {
            EXPECT_EQ(small, input);
        }
    }
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
    const QString src = dir.filePath(QStringLiteral("in.wav")),
                  dst = dir.filePath(QStringLiteral("out.wav"));
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
