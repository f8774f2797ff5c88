// The Vorbis step of the job engine: the settings it applies, the comments
// it writes, WAV to OGG conversions, Stop while writing and a missing
// library.
#include "jobs/job_engine.h"
#include "jobs/steps/ogg_step.h"

#include "../audio/vorbis_test_util.h"
#include "job_test_support.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace quillon::test;
using namespace vorbistest;

namespace {

struct OggJob : ::testing::Test {
    QTemporaryDir work;
    QString outDir;
    TOptionsSetting saved = OptionsSetting;
    RecordingView view;
    ScopedPrompts prompts;

    void SetUp() override
    {
        outDir = work.filePath(QStringLiteral("out"));
        QDir().mkpath(outDir);
        OptionsSetting = TOptionsSetting{};
        OptionsSetting.CommonOptions.OutputFolder = outDir;
    }
    void TearDown() override
    {
        OptionsSetting = saved;
        vorbis::ReloadVorbisLibraries({});
    }
    QString wav(const QString& name, int frames, int channels, int rate)
    {
        const QString path = work.filePath(name);
        EXPECT_EQ(writeWav(path, audiotest::testSignal(frames, 16, channels, 5), channels, rate),
                  "");
        return path;
    }
    QString out(const QString& name) const { return outDir + QLatin1Char('/') + name; }
};

TEST(ApplyOggSettings, QualityOrBitRatesThroughTheSetters)
{
    struct Case {
        const char* name;
        bool useCompress;
        int position, maximum, nominal, minimum;
        float quality;
        TVorbisBitRate expMax, expNominal, expMin;
    };
    const Case cases[] = {
        {"slider 30", true, 30, 8, 8, 8, 0.2f, brAutoSelect, brAutoSelect, brAutoSelect},
        {"slider 100", true, 100, 0, 0, 0, 0.9f, brAutoSelect, brAutoSelect, brAutoSelect},
        {"slider below range", true, 5, 0, 0, 0, 0.2f, brAutoSelect, brAutoSelect, brAutoSelect},
        {"slider above range", true, 250, 0, 0, 0, 0.9f, brAutoSelect, brAutoSelect, brAutoSelect},
        {"128 alone", false, 30, 0, 8, 0, 0.2f, br128, br128, brAutoSelect},
        // The maximum is set while the nominal is still auto: ignored, then
        // raised to the nominal.
        {"192/128/96", false, 30, 11, 8, 6, 0.2f, br128, br128, br96},
        {"minimum above nominal ignored", false, 30, 0, 4, 10, 0.2f, br64, br64, brAutoSelect},
        {"index beyond the list held", false, 30, 0, 99, 0, 0.2f, br499, br499, brAutoSelect},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TOptionsSetting options;
        options.IsUseCompress = c.useCompress;
        options.CompressPosition = c.position;
        options.OggMaxBitRate = c.maximum;
        options.OggNomalBitRate = c.nominal;
        options.OggMinBitRate = c.minimum;
        TVorbisOut out;
        // Left over from a previous item: must not leak into this one.
        out.SetDesiredNominalBitrate(br320);
        out.SetDesiredMaximumBitrate(br320);
        out.SetCompression(0.7f);
        ApplyOggSettings(out, options);
        EXPECT_FLOAT_EQ(out.Compression(), c.quality);
        EXPECT_EQ(out.DesiredMaximumBitrate(), c.expMax);
        EXPECT_EQ(out.DesiredNominalBitrate(), c.expNominal);
        EXPECT_EQ(out.MinimumBitrate(), c.expMin);
    }
}

TEST_F(OggJob, WavToOggConvertsEveryItemWithItsTitle)
{
    if (!haveProgram(QStringLiteral("ogginfo")))
        GTEST_SKIP() << "vorbis-tools missing";
    const QString a = wav(QStringLiteral("First Song.wav"), 50000, 2, 44100);
    const QString b = wav(QStringLiteral("second.wav"), 30000, 1, 48000);
    OptionsSetting.IsUseCompress = false;
    OptionsSetting.OggNomalBitRate = 8;
    TJobEngine engine(TJobKind::WavToOgg, 0, {a, b}, view);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_TRUE(prompts.shown.empty()) << prompts.lastText().toStdString();
    EXPECT_EQ(engine.OggCount(), 2);
    EXPECT_EQ(view.statusLines, (QStringList{QStringLiteral("Encoding(01/02): ") + a,
                                             QStringLiteral("Encoding(02/02): ") + b}));
    EXPECT_EQ(view.captions,
              (QStringList{QStringLiteral("Encoding WAV to OGG"), QStringLiteral("Encoding")}));
    struct Expect {
        QString file, title;
        int frames, channels, rate;
    } expects[] = {
        {out(QStringLiteral("First Song.ogg")), QStringLiteral("TITLE=First Song"), 50000, 2,
         44100},
        {out(QStringLiteral("second.ogg")), QStringLiteral("TITLE=second"), 30000, 1, 48000}};
    for (const auto& e : expects) {
        SCOPED_TRACE(e.file.toStdString());
        EXPECT_EQ(oggInfoComplaint(e.file), "");
        // The track gain was measured beside the encoder.
        QStringList comments = listComments(e.file);
        EXPECT_EQ(comments.filter(QStringLiteral("REPLAYGAIN_TRACK_")).size(), 2);
        comments.removeIf(
            [](const QString& c) { return c.startsWith(QStringLiteral("REPLAYGAIN_TRACK_")); });
        EXPECT_EQ(comments, QStringList{e.title});
        TVorbisIn in;
        in.SetFileName(e.file);
        EXPECT_EQ(in.TotalSamples(), e.frames);
        EXPECT_EQ(in.GetChannels(), e.channels);
        EXPECT_EQ(in.GetSampleRate(), e.rate);
        EXPECT_EQ(in.BitrateNominal(), 128000);
    }
}

TEST_F(OggJob, StopDuringVorbisWritingLeavesNothingAndTheOldFileAlone)
{
    // Long enough that the stop comes well before the end.
    const QString a = wav(QStringLiteral("long.wav"), 44100 * 120, 2, 44100);
    const QString ogg = out(QStringLiteral("long.ogg"));
    ASSERT_TRUE(writeFile(ogg, "the previous long.ogg"));
    OptionsSetting.CompressPosition = 100;
    TJobEngine engine(TJobKind::WavToOgg, 0, {a}, view);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view, 60000, [&] { return !view.gauge.empty(); }));
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(engine.Finished());
    // Reports still under way are dropped by the finished job.
    QCoreApplication::processEvents();
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(prompts.shown.size(), 1u); // the question about long.ogg
    EXPECT_EQ(readFile(ogg), "the previous long.ogg");
    EXPECT_TRUE(partFiles(outDir).isEmpty());
    EXPECT_TRUE(engine.Summary().stopped());
}

TEST_F(OggJob, AMissingEncoderLibraryIsSaidOnceAndNothingStarts)
{
    const QString a = wav(QStringLiteral("x.wav"), 1000, 2, 44100);
    vorbis::ReloadVorbisLibraries([](const char* file) -> void* {
        if (std::string(file) == "libvorbisenc.so.2")
            return nullptr;
        return dlopen(file, RTLD_NOW | RTLD_LOCAL);
    });
    struct Case {
        TJobKind kind;
        int format;
        QStringList items;
    } cases[] = {{TJobKind::WavToOgg, ofMP3, {a}},
                 {TJobKind::Extract, ofOGG, {QStringLiteral("01One")}}};
    for (const auto& c : cases) {
        RecordingView v;
        OptionsSetting.CommonOptions.OutputFormat = c.format;
        TJobEngine engine(c.kind, 0, c.items, v);
        engine.Start();
        EXPECT_EQ(v.closed, 1);
        EXPECT_TRUE(v.statusLines.isEmpty());
        EXPECT_EQ(engine.Summary().jobError(),
                  QStringLiteral("libvorbisenc.so.2 library could not be loaded."));
    }
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(QDir(outDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(OggJob, EightBitInputIsWidenedAndAFailedRunSaysWhyWhileTheJobGoesOn)
{
    const QString eight = work.filePath(QStringLiteral("eight.wav"));
    {
        audiotest::PcmSource source(audiotest::testSignal(4000, 8, 2), 8, 2, 44100);
        TWaveOut w;
        w.SetFileName(eight);
        ASSERT_EQ(runOutput(w, source), "");
    }
    const QString big = wav(QStringLiteral("big.wav"), 44100 * 20, 2, 44100);
    const QString good = wav(QStringLiteral("good.wav"), 20000, 2, 44100);
    {
        // The Vorbis file of big.wav grows past this, the others stay below.
        ScopedFileSizeLimit limit(60000);
        TJobEngine engine(TJobKind::WavToOgg, 0, {eight, big, good}, view);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_EQ(engine.OggCount(), 3);
        const auto& items = engine.Summary().items();
        EXPECT_EQ(items[0].Outcome, TItemOutcome::Made);
        EXPECT_EQ(items[1].Outcome, TItemOutcome::Failed);
        EXPECT_EQ(
            items[1].Reason,
            QStringLiteral("cannot write %1: File too large").arg(out(QStringLiteral("big.ogg"))));
        EXPECT_EQ(items[2].Outcome, TItemOutcome::Made);
    }
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("big.ogg"))));
    EXPECT_TRUE(partFiles(outDir).isEmpty());
    for (const auto& [name, frames] :
         {std::pair{"eight.ogg", 4000}, std::pair{"good.ogg", 20000}}) {
        TVorbisIn in;
        in.SetFileName(out(QString::fromLatin1(name)));
        EXPECT_EQ(in.TotalSamples(), frames) << name;
    }
}

} // namespace
