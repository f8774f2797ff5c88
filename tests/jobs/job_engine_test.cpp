#include "jobs/job_engine.h"

#include "cdaccess/cd_rip_thread.h"
#include "fake_cd_drive.h"
#include "job_test_support.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace quillon::test;

namespace {

struct EngineFixture : ::testing::Test {
    QTemporaryDir out;
    TOptionsSetting saved = OptionsSetting;
    RecordingView view;
    ScriptedEncoder encoder;
    ScopedPrompts prompts;

    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        OptionsSetting.CommonOptions.OutputFolder = out.path();
    }
    void TearDown() override { OptionsSetting = saved; }
    QString path(const QString& name) const { return out.filePath(name); }
    QStringList shownTexts() const
    {
        QStringList t;
        for (const auto& s : prompts.shown)
            t << s.text;
        return t;
    }
};

TEST_F(EngineFixture, ExtractionStepsAlternateAndWorkFilesFollowTheSettings)
{
    struct Case {
        int format;
        bool keepWav;
        QStringList statuses;
        int encodes;
        bool wavsRemain;
    } cases[] = {
        {ofWAV,
         false,
         {"Extracting(01/02): One", "Extracting(02/02): Two"},
         0,
         true},
        {ofMP3,
         false,
         {"Extracting(01/02): One", "Encoding(01/02): One", "Extracting(02/02): Two",
          "Encoding(02/02): Two"},
         2,
         false},
        {ofMP3,
         true,
         {"Extracting(01/02): One", "Encoding(01/02): One", "Extracting(02/02): Two",
          "Encoding(02/02): Two"},
         2,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format * 10 + c.keepWav);
        FakeCDDrive drive({40, 30});
        OptionsSetting.CommonOptions.OutputFormat = c.format;
        OptionsSetting.CommonOptions.IsKeepWav = c.keepWav;
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01One"), QStringLiteral("02Two")},
                          view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_EQ(view.closed, 1);
        EXPECT_TRUE(engine.Finished());
        EXPECT_EQ(view.statusLines, c.statuses);
        ASSERT_EQ(int(encoder.calls.size()), c.encodes);
        for (int i = 0; i < c.encodes; ++i) {
            const QString stem = path(i ? QStringLiteral("Two") : QStringLiteral("One"));
            EXPECT_EQ(encoder.calls[i].input, stem + QStringLiteral(".wav"));
            EXPECT_EQ(encoder.calls[i].output, stem + QStringLiteral(".mp3"));
            EXPECT_TRUE(encoder.calls[i].encode);
            EXPECT_EQ(encoder.calls[i].kind, TJobKind::Extract);
            EXPECT_TRUE(QFile::exists(stem + QStringLiteral(".mp3")));
        }
        EXPECT_EQ(QFile::exists(path(QStringLiteral("One.wav"))), c.wavsRemain);
        EXPECT_EQ(QFile::exists(path(QStringLiteral("Two.wav"))), c.wavsRemain);
        EXPECT_TRUE(prompts.shown.empty());
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }
}

TEST_F(EngineFixture, ConversionsNameTheirOutputsAndSteps)
{
    struct Case {
        TJobKind kind;
        QStringList items;
        QStringList outputs;
        bool encode;
        QStringList captions;
        QStringList statuses;
    };
    const QString in = QStringLiteral("/some/where/");
    const Case cases[] = {
        {TJobKind::WavToMp3,
         {in + "a.b.wav", in + "noext"},
         {path("a.b.mp3"), path("noext.mp3")},
         true,
         {"Encoding WAV to MP3", "Encoding"},
         {"Encoding(01/02): " + in + "a.b.wav", "Encoding(02/02): " + in + "noext"}},
        {TJobKind::Mp3ToWav,
         {in + "song.mp3"},
         {path("song.wav")},
         false,
         {"Decoding MP3 to WAV"},
         {"Decoding(01/01): " + in + "song.mp3"}},
        {TJobKind::RecordToMp3,
         {out.path() + "/rec/take.wav"},
         {out.path() + "/rec/take.mp3"},
         true,
         {"Encoding WAV to MP3"},
         {"Encoding(01/01): " + out.path() + "/rec/take.wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        QDir().mkpath(out.path() + QStringLiteral("/rec"));
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        TJobEngine engine(c.kind, 0, c.items, view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        ASSERT_EQ(encoder.calls.size(), size_t(c.items.size()));
        for (int i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(encoder.calls[i].input, c.items[i]);
            EXPECT_EQ(encoder.calls[i].output, c.outputs[i]);
            EXPECT_EQ(encoder.calls[i].encode, c.encode);
            EXPECT_EQ(encoder.calls[i].kind, c.kind);
        }
        EXPECT_EQ(view.captions, c.captions);
        EXPECT_EQ(view.statusLines, c.statuses);
    }
}

TEST_F(EngineFixture, FailedTracksAreReportedOnceAndPassedOver)
{
    FakeCDDrive drive({20, 20, 20});
    drive.failingSectors = {25};
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    TJobEngine engine(TJobKind::Extract, 1,
                      {QStringLiteral("01Good"), QStringLiteral("02Bad"), QStringLiteral("03AC/DC")},
                      view, &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_EQ(shownTexts(),
              QStringList({QStringLiteral("Error while reading CD information!"),
                           path(QStringLiteral("AC/DC.wav")) +
                               QStringLiteral(" is not a valid file name.Please rename the "
                                              "Title in the CD tracks list.")}));
    ASSERT_EQ(encoder.calls.size(), 1u); // only the good track is encoded
    EXPECT_EQ(engine.ExtractedCount(), 3);
    EXPECT_EQ(engine.EncodedCount(), 3);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("AC"))));
    // Every track was extracted, so the work files of the MP3 output go.
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Good.wav"))));
}

TEST_F(EngineFixture, EncoderResultsAndFailures)
{
    struct Case {
        ScriptedEncoder::Script script;
        QStringList shown;
    } cases[] = {
        {{false, true, 2, {}}, {}},
        {{false, false, 0, {}}, {}}, // declined: skipped silently
        {{false, false, 1, {}}, {"/x/a.wavmaybe be used,operate fail!"}},
        {{false, true, 1, {}}, {}},
        {{false, false, 2, {}},
         {"Create MP3 file error!\r\nPlease check the output and lame options or run "
          "application again."}},
        {{false, true, 2, "lame ended with exit code 1: disk full"},
         {"lame ended with exit code 1: disk full"}},
        {{true, false, 0, {}}, {"Error while creating mp3 encoding process!2"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        encoder.scripts = {c.script};
        prompts.shown.clear();
        TJobEngine engine(TJobKind::WavToMp3, 0,
                          {QStringLiteral("/x/a.wav"), QStringLiteral("/x/b.wav")}, view,
                          &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_EQ(shownTexts(), c.shown);
        // A step that could not start ends the job; otherwise the second item runs.
        EXPECT_EQ(encoder.calls.size(), c.script.fail ? 1u : 2u);
        EXPECT_TRUE(engine.Finished());
    }
}

TEST_F(EngineFixture, ProgressReportsMoveTheViewOnlyForKnownPercentages)
{
    TJobEngine engine(TJobKind::WavToMp3, 0, {QStringLiteral("/x/a.wav")}, view, &encoder);
    encoder.scripts = {{false, false, -1, {}}};
    engine.Start();
    view.initializingVisible = true;
    struct Case {
        int percent;
        bool moves;
    } cases[] = {{0, false}, {-1, false}, {37, true}, {100, true}};
    for (const auto& c : cases) {
        const size_t before = view.gauge.size();
        auto info = std::make_unique<TProcessInfo>();
        info->Percent = c.percent;
        info->ElapsedText = QStringLiteral("00:0%1").arg(before);
        engine.HandleProcessInfo(std::move(info));
        EXPECT_EQ(view.gauge.size(), before + (c.moves ? 1 : 0)) << c.percent;
        EXPECT_EQ(view.times.back().left(5), QStringLiteral("00:0%1").arg(before));
        if (c.moves) {
            EXPECT_EQ(view.gauge.back(), c.percent);
            EXPECT_FALSE(view.initializingVisible);
        } else {
            EXPECT_TRUE(view.initializingVisible);
        }
    }
    engine.Stop();
    EXPECT_EQ(encoder.stops, 1);
    // After the end, reports change nothing.
    auto late = std::make_unique<TProcessInfo>();
    late->Percent = 50;
    const size_t gaugeBefore = view.gauge.size();
    engine.HandleProcessInfo(std::move(late));
    EXPECT_EQ(view.gauge.size(), gaugeBefore);
}

TEST_F(EngineFixture, StopDuringRipLeavesPartialFilesAndStopsCleanly)
{
    FakeCDDrive drive({30, 3000, 30});
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    std::atomic<bool> inSecondTrack{false};
    drive.beforeRead = [&](std::int32_t lba) {
        if (lba >= 30 + 100) {
            inSecondTrack = true;
            // Slow the reads down so that Stop lands in the middle.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    TJobEngine engine(TJobKind::Extract, 1,
                      {QStringLiteral("01A"), QStringLiteral("02B"), QStringLiteral("03C")}, view,
                      &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view, 60000, [&] { return inSecondTrack.load(); }));
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(engine.Finished());
    // Not every track was extracted: the work files stay; the partial WAV
    // has a header that matches its data.
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("A.wav"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("A.mp3"))));
    const QByteArray partial = readFile(path(QStringLiteral("B.wav")));
    ASSERT_GT(partial.size(), 44);
    EXPECT_LT(partial.size(), 44 + 3000 * 2352);
    EXPECT_EQ(qFromLittleEndian<quint32>(partial.constData() + 40), quint32(partial.size() - 44));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("C.wav"))));
    // Reports still queued for the ended job are ignored.
    QCoreApplication::processEvents();
    EXPECT_EQ(view.closed, 1);
}

TEST_F(EngineFixture, RipStartFailuresAreShownAndTheJobWaitsForStop)
{
    struct Case {
        bool refuseMode;
        const char* text;
    } cases[] = {
        {true, "CD extract failed!Please try again."},
        {false, "Error while reading TOC information!"},
    };
    for (const auto& c : cases) {
        FakeCDDrive drive({10});
        drive.refuseMode = c.refuseMode;
        drive.failTOC = !c.refuseMode;
        view = RecordingView{};
        prompts.shown.clear();
        TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01A")}, view, &encoder);
        engine.Start();
        runUntilClosed(view, 300, [&] { return !prompts.shown.empty(); });
        EXPECT_EQ(shownTexts(), QStringList{QString::fromLatin1(c.text)});
        EXPECT_EQ(view.closed, 0);
        engine.Stop();
        EXPECT_EQ(view.closed, 1);
    }
}

TEST_F(EngineFixture, NormalizingShowsInTheStatusLine)
{
    FakeCDDrive drive({20});
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    OptionsSetting.CommonOptions.IsNormalize = true;
    TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01Seven")}, view, &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_EQ(view.statusLines, QStringList({QStringLiteral("Extracting(01/01): Seven"),
                                             QStringLiteral("Normalizing(01/01): Seven")}));
}

TEST_F(EngineFixture, ExtractionToFormatsWithoutAStepIsRefusedUpFront)
{
    for (int format : {ofFLAC, ofOpus}) {
        OptionsSetting.CommonOptions.OutputFormat = format;
        FakeCDDrive drive({10});
        view = RecordingView{};
        prompts.shown.clear();
        TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01A")}, view, &encoder);
        engine.Start();
        ASSERT_EQ(prompts.shown.size(), 1u) << format;
        EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("FLAC or Opus")));
        EXPECT_EQ(view.closed, 1) << "the job ends instead of waiting for Stop";
        EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files).isEmpty());
    }
}

} // namespace
