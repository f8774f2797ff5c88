// The job window on the offscreen platform: it stays responsive while a
// worker thread reports, its read-outs move, and Stop ends the job.
#include "ui/jobs/rip_form.h"

#include "encoders/encoder_fixtures.h"
#include "jobs/job_types.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"
#include "settings/prompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

// An encoder whose work runs on a thread of its own and reports like the real
// one: progress with time texts, then the end report.
class ThreadedEncoder : public IJobEncoder {
public:
    int steps = 40;
    std::atomic<bool> stopFlag{false};
    std::thread worker;
    bool active = false;

    ~ThreadedEncoder() override { join(); }
    void join()
    {
        stopFlag = true;
        if (worker.joinable())
            worker.join();
    }
    void start(QObject* receiver, const QString&, const QString& output, bool, TJobKind,
               const TOptionsSetting&) override
    {
        join();
        stopFlag = false;
        active = true;
        worker = std::thread([this, receiver, output] {
            for (int i = 1; i <= steps && !stopFlag; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
                auto info = std::make_unique<TProcessInfo>();
                info->Percent = i * 100 / steps;
                info->ElapsedText = QStringLiteral("00:%1").arg(i, 2, 10, QLatin1Char('0'));
                info->EstimatedText = QStringLiteral("01:%1").arg(i, 2, 10, QLatin1Char('0'));
                postProcessInfo(receiver, std::move(info));
            }
            if (stopFlag)
                return;
            QFile file(output);
            if (file.open(QIODevice::WriteOnly))
                file.write("mp3");
            file.close();
            auto end = std::make_unique<TProcessInfo>();
            end->Percent = scMp3Done;
            end->StepResult = 2;
            postProcessInfo(receiver, std::move(end));
        });
    }
    void stop(QObject*) override
    {
        // Like the real encoder: nothing is reported after a stop.
        active = false;
        join();
    }
};

struct Observed {
    QStringList titles, captions, elapsed, estimated;
    std::vector<int> gauge;
    int ticks = 0;
    bool initializingShownAtStart = false;
    QString summary;
};

template <typename T> T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

struct RipFormTest : ::testing::Test {
    QTemporaryDir out;
    QTemporaryDir in;
    QString a = wav("a.wav");
    QString b = wav("b.wav");
    TOptionsSetting saved = OptionsSetting;
    ScopedPrompts prompts;
    void SetUp() override
    {
        OptionsSetting.CommonOptions.OutputFolder = out.path();
        OptionsSetting.Encoders = 1; // the stand-in runs one step at a time
    }
    void TearDown() override { OptionsSetting = saved; }
    QString wav(const QByteArray& name)
    {
        const QString file = in.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(writeWav(file, 44100, 2, 16, 0.05));
        return file;
    }

    // Runs the window's modal loop while a timer on the UI thread samples
    // the controls; stopAfterTicks > 0 presses Stop then.
    Observed run(TRipForm& form, int stopAfterTicks = 0)
    {
        Observed seen;
        seen.initializingShownAtStart = !child<QLabel>(form, "Label3")->isHidden();
        QTimer sampler;
        sampler.setInterval(10);
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            ++seen.ticks;
            auto note = [](QStringList& list, const QString& v) {
                if (list.isEmpty() || list.back() != v)
                    list << v;
            };
            note(seen.titles, form.windowTitle());
            note(seen.captions, child<QGroupBox>(form, "GroupBox1")->title());
            note(seen.elapsed, child<QLabel>(form, "Label1")->text());
            note(seen.estimated, child<QLabel>(form, "Label2")->text());
            const int v = child<QProgressBar>(form, "FlatGauge1")->value();
            if (seen.gauge.empty() || seen.gauge.back() != v)
                seen.gauge.push_back(v);
            if (stopAfterTicks > 0 && seen.ticks == stopAfterTicks)
                child<QPushButton>(form, "btStop")->click();
            // A job that ran to its end waits for Close.
            if (form.showsSummary()) {
                seen.summary = child<QLabel>(form, "SummaryLabel")->text();
                child<QPushButton>(form, "btStop")->click();
            }
        });
        sampler.start();
        // A guard against a hang: the job ends long before.
        QTimer::singleShot(60000, &form, [&form] { form.done(-1); });
        const int result = form.exec();
        EXPECT_NE(result, -1) << "the job window did not close";
        return seen;
    }
};

TEST_F(RipFormTest, ShowsItsTexts)
{
    ThreadedEncoder enc;
    enc.steps = 1;
    TRipForm form(nullptr, TJobKind::WavToMp3, 0, {a}, &enc);
    ASSERT_NE(child<QPushButton>(form, "btStop"), nullptr);
    EXPECT_EQ(child<QPushButton>(form, "btStop")->text(), QStringLiteral("Stop"));
    EXPECT_EQ(child<QLabel>(form, "Label10")->text(), QStringLiteral("Time elapsed:"));
    EXPECT_EQ(child<QLabel>(form, "Label20")->text(), QStringLiteral("Time estimated:"));
    EXPECT_FALSE(child<QProgressBar>(form, "FlatGauge1")->isTextVisible());
    run(form);
}

TEST_F(RipFormTest, TitleKeepsTheStepAndShortensTheName)
{
    const QString step = QStringLiteral("Encoding(01/01): ");
    // Real files (the job refuses what is no WAV file), named as given:
    // relative to the current folder, so that their length does not depend
    // on where the test's folder is.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(in.filePath(QStringLiteral("x"))));
    QDir::setCurrent(in.path());
    const QByteArray longName = "x/" + QByteArray(150, 'n') + " - The Long One.wav";
    const QByteArray longer = "x/Somebody - A Song With A Longer Title.wav";
    wav("x/a.wav");
    wav(longer);
    wav(longName);
    const struct {
        QString item;
        bool whole;
    } cases[] = {{QStringLiteral("x/a.wav"), true},
                 {QString::fromLatin1(longer), true},
                 {QString::fromLatin1(longName), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item.toStdString());
        ThreadedEncoder enc;
        enc.steps = 1;
        TRipForm form(nullptr, TJobKind::WavToMp3, 0, {c.item}, &enc);
        EXPECT_EQ(form.statusLine(), step + c.item);
        EXPECT_TRUE(form.windowTitle().startsWith(step)) << form.windowTitle().toStdString();
        EXPECT_LE(form.width(), 560) << form.width();
        if (c.whole) {
            EXPECT_EQ(form.windowTitle(), form.statusLine());
        } else {
            EXPECT_TRUE(form.windowTitle().contains(QChar(0x2026)));
            EXPECT_TRUE(form.windowTitle().endsWith(QStringLiteral("One.wav")));
        }
        run(form);
    }
    QDir::setCurrent(cwd);
}

TEST_F(RipFormTest, StaysResponsiveAndReadOutsMoveUntilTheJobEnds)
{
    ThreadedEncoder enc;
    TRipForm form(nullptr, TJobKind::WavToMp3, 0, {a, b}, &enc);
    const Observed seen = run(form);
    EXPECT_TRUE(form.engine().Finished());
    EXPECT_TRUE(seen.initializingShownAtStart);
    // Two jobs of about a second: the UI thread kept ticking all along.
    EXPECT_GT(seen.ticks, 20);
    EXPECT_EQ(seen.titles, QStringList({QStringLiteral("Encoding(01/02): ") + a,
                                        QStringLiteral("Encoding(02/02): ") + b}));
    EXPECT_EQ(seen.captions,
              QStringList({QStringLiteral("Encoding WAV to MP3"), QStringLiteral("Encoding")}));
    EXPECT_GT(seen.gauge.size(), 5u);
    EXPECT_GE(seen.elapsed.size(), 2u); // whole seconds of the job
    EXPECT_GT(seen.estimated.size(), 5u);
    EXPECT_TRUE(child<QLabel>(form, "Label3")->isHidden());
    EXPECT_TRUE(child<QProgressBar>(form, "FlatGauge1")->isTextVisible());
    EXPECT_TRUE(form.engine().Summary().clean());
    // The whole job's gauge only grows, and the end is said in the window.
    EXPECT_TRUE(std::is_sorted(seen.gauge.begin(), seen.gauge.end()));
    EXPECT_EQ(seen.gauge.back(), 100);
    EXPECT_EQ(seen.summary, form.engine().Summary().text());
}

TEST_F(RipFormTest, StopEndsTheJobAndClosesTheWindow)
{
    ThreadedEncoder enc;
    enc.steps = 400; // ten seconds unless stopped
    TRipForm form(nullptr, TJobKind::WavToMp3, 0, {a}, &enc);
    const Observed seen = run(form, 15);
    EXPECT_TRUE(form.engine().Finished());
    EXPECT_FALSE(enc.active);
    EXPECT_LT(seen.gauge.back(), 100);
    // Nothing half-made is left.
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
