// The order of events of a job that reads and encodes at once: encoders that
// end out of order, a failing encoder among others, Stop in the middle, the
// bound on waiting WAV files, and settings that change during the job.
#include "jobs/job_engine.h"

#include "encoders/encoder_fixtures.h"
#include "job_test_support.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

// An encoder whose steps end only when the test says so, each with its own
// result; it counts the steps running at once.
class HeldEncoder : public IJobEncoder {
public:
    struct Step {
        QString input;
        QString output;
        int bitRate;
        bool running = true;
    };
    std::map<QObject*, Step> steps;
    std::vector<QObject*> order;
    int stops = 0;
    int mostAtOnce = 0;

    void start(QObject* receiver, const QString& input, const QString& output, bool, TJobKind,
               const TOptionsSetting& options) override
    {
        steps[receiver] = {input, output, options.BitRate};
        order.push_back(receiver);
        mostAtOnce = std::max(mostAtOnce, running());
    }
    void stop(QObject* receiver) override
    {
        ++stops;
        steps[receiver].running = false;
    }
    int running() const
    {
        return int(std::count_if(steps.begin(), steps.end(),
                                 [](const auto& s) { return s.second.running; }));
    }
    // Ends the n-th step started: a made file, or lame's failure.
    void end(size_t n, bool ok)
    {
        QObject* receiver = order.at(n);
        Step& s = steps[receiver];
        ASSERT_TRUE(s.running);
        s.running = false;
        if (ok)
            writeFile(s.output, "mp3 of " + QFileInfo(s.input).fileName().toUtf8());
        auto info = std::make_unique<TProcessInfo>();
        info->Percent = scMp3Done;
        info->StepResult = kEncoderEnded;
        if (!ok)
            info->Message = QStringLiteral("lame failed with exit code 1: boom");
        postProcessInfo(receiver, std::move(info));
    }
};

struct PipelineFixture : ::testing::Test {
    QTemporaryDir out;
    TOptionsSetting saved = OptionsSetting;
    RecordingView view;
    HeldEncoder encoder;
    ScopedPrompts prompts;

    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        quillon::test::UsePlainReads(OptionsSetting);
        OptionsSetting.CommonOptions.OutputFolder = out.path();
        OptionsSetting.CommonOptions.OutputFormat = ofMP3;
        OptionsSetting.Encoders = 2;
    }
    void TearDown() override { OptionsSetting = saved; }
    // Hidden WAV files of ripped tracks in the output folder.
    int wavs() const
    {
        return int(QDir(out.path())
                       .entryList({QStringLiteral(".*.wav.*.part")}, QDir::Files | QDir::Hidden)
                       .size());
    }
    // Runs the event loop until cond holds, checking the WAV bound all along.
    bool until(const std::function<bool()>& cond, int limit)
    {
        bool within = true;
        runUntilClosed(view, 30000, [&] {
            within = within && wavs() <= limit;
            return cond();
        });
        EXPECT_TRUE(within) << "more than " << limit << " WAV files at once";
        return cond();
    }
    static QStringList items(int n)
    {
        QStringList list;
        for (int i = 1; i <= n; ++i)
            list << TwoDigitsItem(i);
        return list;
    }
    static QString TwoDigitsItem(int i)
    {
        return QStringLiteral("%1T%1").arg(i, 2, 10, QChar(u'0'));
    }
};

TEST_F(PipelineFixture, EncodersEndOutOfOrderAndAFailureStopsNoOther)
{
    OpenMemoryDrive drive({20, 20, 20, 20, 20});
    TJobEngine engine(TJobKind::Extract, 1, items(5), view, &encoder);
    engine.Start();
    EXPECT_EQ(engine.Encoders(), 2);
    // Two tracks encode, a third has been read and waits: the drive stops.
    ASSERT_TRUE(
        until([&] { return encoder.order.size() == 2 && engine.ExtractedCount() == 3; }, 3));
    EXPECT_EQ(engine.RunningSteps().size(), 2u); // no fourth read while three WAVs wait
    EXPECT_EQ(drive.readCount(), 3 * 2);
    // The second track ends first, then the first fails: each result stays
    // with its own track, and the others go on.
    encoder.end(1, true);
    ASSERT_TRUE(until([&] { return encoder.order.size() == 3; }, 3));
    encoder.end(0, false);
    ASSERT_TRUE(until([&] { return encoder.order.size() == 4; }, 3));
    encoder.end(3, true);
    encoder.end(2, true);
    ASSERT_TRUE(until([&] { return encoder.order.size() == 5; }, 3));
    encoder.end(4, true);
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_EQ(encoder.mostAtOnce, 2);
    EXPECT_LE(engine.MostWavsHeld(), 3);
    const auto& results = engine.Summary().items();
    EXPECT_EQ(results[0].Outcome, TItemOutcome::Failed);
    EXPECT_EQ(results[0].Reason, QStringLiteral("lame failed with exit code 1: boom"));
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(results[size_t(i)].Outcome, TItemOutcome::Made) << i;
        EXPECT_EQ(readFile(engine.OutputPath(i)).left(6), QByteArray("mp3 of"));
    }
    // Each encoder read its own track.
    for (size_t n = 0; n < 5; ++n) {
        const auto& s = encoder.steps[encoder.order[n]];
        EXPECT_TRUE(QFileInfo(s.input).fileName().startsWith(QLatin1Char('.')));
    }
    EXPECT_TRUE(partFiles(out.path()).isEmpty());
    EXPECT_EQ(engine.OverallPercent(), 100);
}

TEST_F(PipelineFixture, StopEndsTheReadingAndEveryEncoder)
{
    OpenMemoryDrive drive({20, 20, 2000});
    std::atomic<bool> inThird{false};
    drive.setBeforeRead([&](std::int32_t lba) {
        if (lba >= 40) {
            inThird = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    TJobEngine engine(TJobKind::Extract, 1, items(3), view, &encoder);
    engine.Start();
    ASSERT_TRUE(until([&] { return encoder.order.size() == 2 && inThird.load(); }, 3));
    ASSERT_EQ(engine.RunningSteps().size(), 3u);
    // The step lines name the track being read and both encodes.
    ASSERT_FALSE(view.stepLines.empty());
    QStringList shown;
    for (const TStepLine& line : view.stepLines.back())
        shown << line.Text.left(15);
    EXPECT_EQ(shown,
              QStringList({u"Encoding(01/03)"_s, u"Encoding(02/03)"_s, u"Extracting(03/0"_s}));
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(encoder.stops, 2);
    EXPECT_EQ(encoder.running(), 0);
    EXPECT_TRUE(engine.RunningSteps().empty());
    EXPECT_TRUE(view.stepLines.back().empty());
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(engine.Summary().headline(), QStringLiteral("Stopped; 0 of 3 tracks made"));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.closed, 1);
}

TEST_F(PipelineFixture, TheWavBoundFollowsTheEncoderSetting)
{
    struct Case {
        int encoders;
        int limit;
    } cases[] = {{1, 2}, {3, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoders);
        OpenMemoryDrive drive({10, 10, 10, 10, 10, 10});
        OptionsSetting.Encoders = c.encoders;
        view = RecordingView{};
        encoder = HeldEncoder{};
        TJobEngine engine(TJobKind::Extract, 1, items(6), view, &encoder);
        engine.Start();
        ASSERT_TRUE(until(
            [&] {
                return int(encoder.order.size()) == c.encoders &&
                       engine.ExtractedCount() == c.limit;
            },
            c.limit));
        // Ending encodes one at a time lets exactly one more track in.
        for (size_t n = 0; n < 6; ++n) {
            ASSERT_TRUE(until([&] { return encoder.order.size() > n; }, c.limit));
            encoder.end(n, true);
        }
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_EQ(engine.MostWavsHeld(), c.limit);
        EXPECT_EQ(encoder.mostAtOnce, c.encoders);
        EXPECT_EQ(engine.Summary().count(TItemOutcome::Made), 6);
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }
}

TEST_F(PipelineFixture, SettingsChangedDuringTheJobDoNotReachIt)
{
    OpenMemoryDrive drive({10, 10, 10});
    OptionsSetting.BitRate = 128;
    OptionsSetting.Encoders = 1;
    TJobEngine engine(TJobKind::Extract, 1, items(3), view, &encoder);
    engine.Start();
    ASSERT_TRUE(until([&] { return encoder.order.size() == 1; }, 2));
    QTemporaryDir elsewhere;
    OptionsSetting.BitRate = 320;
    OptionsSetting.Encoders = 4;
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    OptionsSetting.CommonOptions.OutputFolder = elsewhere.path();
    OptionsSetting.CommonOptions.IsKeepWav = true;
    for (size_t n = 0; n < 3; ++n) {
        ASSERT_TRUE(until([&] { return encoder.order.size() > n; }, 2));
        EXPECT_EQ(encoder.running(), 1);
        encoder.end(n, true);
    }
    ASSERT_TRUE(runUntilClosed(view));
    for (QObject* step : encoder.order)
        EXPECT_EQ(encoder.steps[step].bitRate, 128);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files),
              QStringList({u"T01.mp3"_s, u"T02.mp3"_s, u"T03.mp3"_s}));
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
}

} // namespace
