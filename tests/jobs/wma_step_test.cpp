// WMA steps of the job engine with a scripted WMA encoder that, like the real
// one, sends its end report inside start(): results, messages, the order of
// steps in an extraction, and the one-second read-outs.
#include "jobs/job_engine.h"
#include "jobs/wma_step.h"

#include "fake_cd_drive.h"
#include "job_test_support.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon::test;

namespace {

// Sends 5000 with the scripted result synchronously from start(), unless the
// result is -1 (the step keeps running until the test reports).
class SendingWmaEncoder : public IJobEncoder {
public:
    struct Script {
        int result = 2;
        QString line;    // ElapsedText of the end report (the error line)
        QString message; // Message of the end report
        bool progress = true;
    };
    std::vector<std::pair<QString, QString>> calls;
    std::deque<Script> scripts;
    bool active = false;
    int stops = 0;

    void start(QObject* receiver, const QString& input, const QString& output, bool,
               TJobKind) override
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
        writeFile(output, "wma");
        if (s.progress)
            send(receiver, 100, 0, {}, {});
        send(receiver, scWmaDone, s.result, s.line, s.message);
    }
    bool isActive() const override { return active; }
    void stop() override
    {
        active = false;
        ++stops;
    }
    static void send(QObject* receiver, int percent, int result, const QString& elapsed,
                     const QString& message)
    {
        auto info = std::make_unique<TProcessInfo>();
        info->Percent = percent;
        info->StepResult = result;
        info->ElapsedText = elapsed;
        info->Message = message;
        TMessageEvent event(WM_PROCESSINFO, 0, std::move(info));
        QCoreApplication::sendEvent(receiver, &event);
    }
};

struct WmaStepFixture : ::testing::Test {
    QTemporaryDir out;
    TOptionsSetting saved = OptionsSetting;
    RecordingView view;
    SendingWmaEncoder wma;
    ScopedPrompts prompts;

    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        OptionsSetting.CommonOptions.OutputFolder = out.path();
        setJobWmaEncoder(&wma);
    }
    void TearDown() override
    {
        setJobWmaEncoder(nullptr);
        OptionsSetting = saved;
    }
    QString path(const QString& name) const { return out.filePath(name); }
};

TEST_F(WmaStepFixture, ConversionResultsShowTheirMessagesAndTheJobGoesOn)
{
    const QString in = QStringLiteral("/in/");
    wma.scripts = {
        {8, QStringLiteral("ERROR: cannot read /in/a.wav: Invalid data"), {}, false},
        {0, {}, {}, false}, // declined or no utility
        {1, {}, {}, false}, // output in use
        {2, {}, QStringLiteral("quillon-wmaenc failed with exit code 9: boom"), false},
        {2, {}, {}, true},  // a finished file
        {4, {}, {}, false}, // skipped
    };
    QStringList items;
    for (const char* n : {"a.wav", "b.wav", "c.wav", "d", "e.x.wav", "f.wav"})
        items << in + QLatin1String(n);
    TJobEngine engine(TJobKind::WavToWma, 0, items, view);
    QList<bool> timer;
    QObject::connect(&engine, &TJobEngine::wmaTimerChanged, [&](bool on) { timer << on; });
    engine.Start();
    // Every report came inside start(): the job ended before Start returned.
    EXPECT_TRUE(engine.Finished());
    EXPECT_EQ(view.closed, 1);
    EXPECT_FALSE(engine.WmaTimerRunning());
    EXPECT_EQ(engine.EncodedCount(), 6);

    QStringList shown;
    for (const auto& s : prompts.shown) {
        EXPECT_EQ(s.icon, PromptIcon::Error);
        shown << s.text;
    }
    EXPECT_EQ(shown, QStringList({QStringLiteral("ERROR: cannot read /in/a.wav: Invalid data"),
                                  in + QStringLiteral("c.wavmaybe be used,operate fail!"),
                                  QStringLiteral("quillon-wmaenc failed with exit code 9: boom")}));
    ASSERT_EQ(wma.calls.size(), 6u);
    const QStringList outs = {"a.wma", "b.wma", "c.wma", "d.wma", "e.x.wma", "f.wma"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(wma.calls[i].first, items[i]);
        EXPECT_EQ(wma.calls[i].second, path(outs[i]));
    }
    EXPECT_EQ(view.captions.first(), QStringLiteral("Encoding WAV to WMA"));
    EXPECT_EQ(view.captions.last(), QStringLiteral("Encoding"));
    EXPECT_EQ(view.statusLines.first(), QStringLiteral("Encoding(01/06): /in/a.wav"));
    EXPECT_EQ(view.statusLines.last(), QStringLiteral("Encoding(06/06): /in/f.wav"));
    EXPECT_EQ(wma.stops, 1); // the end of the job stops the encoder object
    // The timer ran during each step and is off at the end.
    ASSERT_FALSE(timer.isEmpty());
    EXPECT_TRUE(timer.first());
    EXPECT_FALSE(timer.last());
}

TEST_F(WmaStepFixture, ExtractionAlternatesRipAndWmaAndSkipsFailedTracks)
{
    struct Case {
        bool keepWav;
        std::set<std::int32_t> failing;
        QStringList statuses;
        int encodes;
        int messages;
    } cases[] = {
        {false,
         {},
         {"Extracting(01/02): One", "Encoding(01/02): One", "Extracting(02/02): Two",
          "Encoding(02/02): Two"},
         2,
         0},
        {true,
         {45}, // a sector of the second track
         {"Extracting(01/02): One", "Encoding(01/02): One", "Extracting(02/02): Two"},
         1,
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keepWav);
        FakeCDDrive drive({40, 30});
        drive.failingSectors = c.failing;
        OptionsSetting.CommonOptions.OutputFormat = ofWMA;
        OptionsSetting.CommonOptions.IsKeepWav = c.keepWav;
        view = RecordingView{};
        wma.calls.clear();
        prompts.shown.clear();
        TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01One"), QStringLiteral("02Two")},
                          view);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_EQ(view.statusLines, c.statuses);
        ASSERT_EQ(int(wma.calls.size()), c.encodes);
        EXPECT_EQ(wma.calls[0].first, path(QStringLiteral("One.wav")));
        EXPECT_EQ(wma.calls[0].second, path(QStringLiteral("One.wma")));
        EXPECT_EQ(int(prompts.shown.size()), c.messages); // the failed rip, once
        EXPECT_EQ(engine.EncodedCount(), 2);
        EXPECT_EQ(QFile::exists(path(QStringLiteral("One.wav"))), c.keepWav);
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }
}

TEST_F(WmaStepFixture, TimerReadOutsFollowTheOutputAndStopAtProgress)
{
    struct Case {
        qint64 inputSize;
        qint64 outputSize; // -1: no output file yet
        bool estimate;
    } cases[] = {
        {1000, -1, true},     // small input: a fixed two-second estimate
        {3000000, -1, false}, // large input, nothing written yet: elapsed only
        {3000000, 0, false},
        {3000000, 50000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inputSize * 10 + c.outputSize);
        const QString input = path(QStringLiteral("in.wav"));
        ASSERT_TRUE(writeFile(input, QByteArray(int(c.inputSize), 'x')));
        QFile::remove(path(QStringLiteral("in.wma")));
        if (c.outputSize >= 0)
            ASSERT_TRUE(
                writeFile(path(QStringLiteral("in.wma")), QByteArray(int(c.outputSize), 'y')));
        view = RecordingView{};
        view.initializingVisible = true;
        wma.scripts = {{-1}};
        TJobEngine engine(TJobKind::WavToWma, 0, {input}, view);
        engine.Start();
        ASSERT_TRUE(engine.WmaTimerRunning());
        const size_t gaugeBefore = view.gauge.size();
        engine.Timer1Timer();
        ASSERT_FALSE(view.times.isEmpty());
        EXPECT_TRUE(view.times.last().startsWith(QStringLiteral("00:0")));
        EXPECT_EQ(view.times.last().endsWith(QLatin1Char('|')), !c.estimate);
        EXPECT_EQ(view.gauge.size() > gaugeBefore, c.estimate);
        EXPECT_FALSE(view.initializingVisible);
        if (c.inputSize < 2000000)
            EXPECT_EQ(view.times.last().section(QLatin1Char('|'), 1), QStringLiteral("00:02"));
        // The first progress report of the step ends the read-outs.
        SendingWmaEncoder::send(&engine, 100, 0, QStringLiteral("00:03"), {});
        EXPECT_FALSE(engine.WmaTimerRunning());
        const qsizetype ticks = view.times.size();
        engine.Timer1Timer();
        EXPECT_EQ(view.times.size(), ticks);
        SendingWmaEncoder::send(&engine, scWmaDone, 2, {}, {});
        EXPECT_EQ(view.closed, 1);
    }
}

} // namespace
