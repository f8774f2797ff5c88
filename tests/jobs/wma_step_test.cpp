// WMA steps of the job engine with a scripted WMA encoder that, like the real
// one, posts its reports in order: results, the order of steps in an
// extraction, and the one-second read-outs.
#include "jobs/job_engine.h"
#include "jobs/steps/wma_step.h"
#include "jobs/wma_job_encoder.h"

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

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

// Posts its reports like the real encoder: progress (the 100 %), then 5000
// with the scripted result, both after start() has returned, unless the
// result is -1 (the step keeps running until the test reports).
class PostingWmaEncoder : public IJobEncoder {
public:
    struct Script {
        int result = 2;
        QString line;    // the error line (Message of the end report)
        QString message; // Message of the end report
        bool progress = true;
        bool writes = true;
    };
    std::vector<std::pair<QString, QString>> calls;
    std::deque<Script> scripts;
    bool active = false;
    int stops = 0;

    void start(QObject* receiver, const QString& input, const QString& output, bool, TJobKind,
               const TOptionsSetting&) override
    {
        calls.emplace_back(input, output);
        active = true;
        Script s;
        if (!scripts.empty()) {
            s = scripts.front();
            scripts.pop_front();
        }
        if (s.result < 0)
            return;
        if (s.writes)
            writeFile(output, "wma");
        if (s.progress)
            post(receiver, 100, 0, {}, {});
        post(receiver, scWmaDone, s.result, {}, s.line.isEmpty() ? s.message : s.line);
    }
    void stop(QObject*) override
    {
        active = false;
        ++stops;
    }
    static void post(QObject* receiver, int percent, int result, const QString& elapsed,
                     const QString& message)
    {
        auto info = std::make_unique<TProcessInfo>();
        info->Percent = percent;
        info->StepResult = result;
        info->ElapsedText = elapsed;
        info->Message = message;
        postProcessInfo(receiver, std::move(info));
    }
};

struct WmaStepFixture : ::testing::Test {
    QTemporaryDir out;
    TOptionsSetting saved = OptionsSetting;
    RecordingView view;
    PostingWmaEncoder wma;
    QTemporaryDir in;
    ScopedPrompts prompts;

    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        quillon::test::UsePlainReads(OptionsSetting);
        OptionsSetting.CommonOptions.OutputFolder = out.path();
        OptionsSetting.Encoders = 1;
        setJobWmaEncoder(&wma);
    }
    void TearDown() override
    {
        setJobWmaEncoder(nullptr);
        OptionsSetting = saved;
    }
    QString path(const QString& name) const { return out.filePath(name); }
    QString wav(const QString& name)
    {
        const QString file = in.filePath(name);
        EXPECT_TRUE(writeWav(file, 44100, 2, 16, 0.05));
        return file;
    }
};

TEST_F(WmaStepFixture, ConversionResultsAreCollectedAndTheJobGoesOn)
{
    wma.scripts = {
        {8, QStringLiteral("ERROR: cannot read a.wav: Invalid data"), {}, false},
        {2, {}, QStringLiteral("quillon-wmaenc failed with exit code 9: boom"), false},
        {2, {}, {}, true},        // a finished file
        {2, {}, {}, true, false}, // exit 0 but nothing written
    };
    QStringList items;
    for (const char* n : {"a.wav", "b.wav", "d", "e.x.wav"})
        items << wav(QLatin1String(n));
    TJobEngine engine(TJobKind::WavToWma, 0, items, view);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_EQ(engine.EncodedCount(), 4);
    EXPECT_TRUE(prompts.shown.empty());
    const auto& results = engine.Summary().items();
    const std::pair<TItemOutcome, QString> expected[] = {
        {TItemOutcome::Failed, QStringLiteral("ERROR: cannot read a.wav: Invalid data")},
        {TItemOutcome::Failed, QStringLiteral("quillon-wmaenc failed with exit code 9: boom")},
        {TItemOutcome::Made, QString()},
        {TItemOutcome::Failed, QStringLiteral("quillon-wmaenc made no output")},
    };
    ASSERT_EQ(wma.calls.size(), 4u);
    const QStringList outs = {u"a.wma"_s, u"b.wma"_s, u"d.wma"_s, u"e.x.wma"_s};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[size_t(i)].Outcome, expected[i].first);
        EXPECT_EQ(results[size_t(i)].Reason, expected[i].second);
        EXPECT_EQ(wma.calls[size_t(i)].first, items[i]);
        EXPECT_EQ(engine.OutputPath(i), path(outs[i]));
        EXPECT_EQ(QFile::exists(path(outs[i])), expected[i].first == TItemOutcome::Made);
    }
    EXPECT_TRUE(partFiles(out.path()).isEmpty());
    EXPECT_EQ(view.captions.first(), QStringLiteral("Encoding WAV to WMA"));
    EXPECT_EQ(view.captions.last(), QStringLiteral("Encoding"));
    EXPECT_EQ(view.statusLines.first(), QStringLiteral("Encoding(01/04): ") + items[0]);
    EXPECT_EQ(view.statusLines.last(), QStringLiteral("Encoding(04/04): ") + items[3]);
    EXPECT_EQ(wma.stops, 0); // steps that ended are not stopped
}

TEST_F(WmaStepFixture, AMissingUtilityEndsTheJobWithItsMessage)
{
    wma.scripts = {
        {0, {}, QStringLiteral("The WMA encoder (quillon-wmaenc) can not be found"), false, false}};
    TJobEngine engine(TJobKind::WavToWma, 0,
                      {wav(QStringLiteral("a.wav")), wav(QStringLiteral("b.wav"))}, view);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_EQ(wma.calls.size(), 1u);
    EXPECT_EQ(engine.Summary().items()[0].Reason,
              QStringLiteral("The WMA encoder (quillon-wmaenc) can not be found"));
    EXPECT_EQ(engine.Summary().items()[1].Outcome, TItemOutcome::Pending);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(WmaStepFixture, ExtractionAlternatesRipAndWmaAndSkipsFailedTracks)
{
    struct Case {
        bool keepWav;
        std::set<std::int32_t> failing;
        QStringList statuses;
        int encodes;
        int failed;
    } cases[] = {
        {false,
         {},
         {u"Extracting(01/02): One"_s, u"Encoding(01/02): One"_s, u"Extracting(02/02): Two"_s,
          u"Encoding(02/02): Two"_s},
         2,
         0},
        {true,
         {45}, // a sector of the second track
         {u"Extracting(01/02): One"_s, u"Encoding(01/02): One"_s, u"Extracting(02/02): Two"_s},
         1,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keepWav);
        OpenMemoryDrive drive({40, 30});
        for (std::int32_t sector : c.failing)
            drive.failReadAt(sector);
        OptionsSetting.CommonOptions.OutputFormat = ofWMA;
        OptionsSetting.CommonOptions.IsKeepWav = c.keepWav;
        OptionsSetting.ReplayGain = false; // the scripted encoder makes no real files
        view = RecordingView{};
        wma.calls.clear();
        prompts.shown.clear();
        TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01One"), QStringLiteral("02Two")},
                          view);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_EQ(view.statusLines, c.statuses);
        ASSERT_EQ(int(wma.calls.size()), c.encodes);
        EXPECT_TRUE(wma.calls[0].first.endsWith(QStringLiteral(".part")));
        EXPECT_TRUE(QFile::exists(path(QStringLiteral("One.wma"))));
        EXPECT_TRUE(prompts.shown.empty());
        EXPECT_EQ(engine.Summary().count(TItemOutcome::Failed), c.failed);
        EXPECT_EQ(engine.EncodedCount(), 2);
        EXPECT_EQ(QFile::exists(path(QStringLiteral("One.wav"))), c.keepWav);
        EXPECT_TRUE(partFiles(out.path()).isEmpty());
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }
}

TEST_F(WmaStepFixture, EstimatesFollowTheOutputAndStopAtTheUtilitysWord)
{
    struct Case {
        qint64 inputSize;
        qint64 outputSize;
        bool estimate;
    } cases[] = {
        {1000, 0, true},     // small input: a fixed two-second estimate
        {3000000, 0, false}, // large input, nothing written yet: no estimate
        {3000000, 50000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inputSize * 10 + c.outputSize);
        const QString input = in.filePath(QStringLiteral("in.wav"));
        ASSERT_TRUE(writeWav(input, 44100, 2, 16, double(c.inputSize) / (44100 * 4)));
        view = RecordingView{};
        OptionsSetting.ReplayGain = false; // the step ends on the utility's word alone
        PostingWmaEncoder::Script running;
        running.result = -1;
        wma.scripts = {running};
        TJobEngine engine(TJobKind::WavToWma, 0, {input}, view);
        engine.Start();
        ASSERT_EQ(engine.RunningSteps().size(), 1u);
        auto* step = dynamic_cast<TWmaStep*>(engine.RunningSteps()[0].get());
        ASSERT_NE(step, nullptr);
        // What the utility has written so far, under the name it was given.
        ASSERT_TRUE(writeFile(wma.calls.back().second, QByteArray(int(c.outputSize), 'y')));
        step->tick();
        EXPECT_EQ(step->percent() >= 0, c.estimate);
        ASSERT_FALSE(view.stepLines.empty());
        EXPECT_EQ(view.stepLines.back().at(0).Percent, step->percent());
        // The utility's 100 % ends the estimates.
        PostingWmaEncoder::post(step, 100, 0, {}, {});
        QCoreApplication::sendPostedEvents(step);
        EXPECT_EQ(step->percent(), 100);
        ASSERT_TRUE(writeFile(wma.calls.back().second, QByteArray(10, 'y')));
        step->tick();
        EXPECT_EQ(step->percent(), 100);
        PostingWmaEncoder::post(step, scWmaDone, 2, {}, {});
        QCoreApplication::sendPostedEvents(step);
        EXPECT_EQ(view.closed, 1);
        wma.calls.clear();
    }
}

} // namespace
