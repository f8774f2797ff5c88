// The WAV to WAV dialog on the offscreen platform, converting real files:
// which converters each conversion passes, what sox reads in the output,
// refused input and failures, and a long run that leaves the window live.
#include "ui/players/resample_form.h"

#include "settings/prompts.h"
#include "support/test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <set>

using namespace Qt::StringLiterals;

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return QStringLiteral("<failed: %1>").arg(QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// A sine file made by sox: rate, channels, bits (8-bit WAV is unsigned).
QString makeWav(const QTemporaryDir& dir, const QString& name, int rate, int channels, int bits,
                int seconds = 1)
{
    const QString path = dir.filePath(name);
    run(QStringLiteral("sox"),
        {u"-n"_s, u"-r"_s, QString::number(rate), u"-c"_s, QString::number(channels), u"-b"_s,
         QString::number(bits), u"-e"_s, bits == 8 ? u"unsigned-integer"_s : u"signed-integer"_s,
         path, u"synth"_s, QString::number(seconds), u"sine"_s, u"440"_s, u"vol"_s, u"0.5"_s});
    return path;
}

struct ResampleDialogTest : ::testing::Test {
    QTemporaryDir dir;
    ScopedPrompts prompts;
    TfrmResample form;

    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty())
            GTEST_SKIP() << "sox is missing";
        form.show();
    }
    template <typename T> T* control(const char* name)
    {
        T* w = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void chooseInput(const QString& path)
    {
        prompts.openAnswers.push_back({path});
        control<QPushButton>("bInputFile")->click();
    }
    void chooseOutput(const QString& path)
    {
        prompts.saveAnswers.push_back(path);
        control<QPushButton>("bOutputFile")->click();
    }
    void want(int channels, const QString& rate, int bits, int encoding)
    {
        control<QSpinBox>("SpinEdit1")->setValue(channels);
        control<QComboBox>("cbBitSamples")->setEditText(rate);
        control<QSpinBox>("SpinEdit3")->setValue(bits);
        control<QComboBox>("ComboBox1")->setCurrentIndex(encoding);
    }
    // Clicks Convert and handles events until Convert is enabled again.
    bool convert(const std::function<void()>& whileRunning = {})
    {
        auto* button = control<QPushButton>("bConvert");
        button->click();
        QDeadlineTimer guard(120000);
        while (!button->isEnabled() && !guard.hasExpired()) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            if (whileRunning)
                whileRunning();
        }
        return button->isEnabled();
    }
};

TEST_F(ResampleDialogTest, ChainsAndTheFilesTheyWrite)
{
    struct Case {
        int rate, channels, bits; // input
        int wantChannels;
        QString wantRate;
        int wantBits, encoding; // 0 RAW PCM, 1 DVI IMA ADPCM
        QStringList chain;
        QString soxChannels, soxRate, soxBits, soxEncoding;
    };
    const Case cases[] = {
        {44100,
         2,
         16,
         1,
         QStringLiteral("44100"),
         16,
         0,
         {u"WaveIn1"_s, u"MSConverter1"_s, u"WaveOut1"_s},
         QStringLiteral("1"),
         QStringLiteral("44100"),
         QStringLiteral("16"),
         QStringLiteral("Signed Integer PCM")},
        {22050,
         1,
         8,
         2,
         QStringLiteral("44100"),
         8,
         0,
         {u"WaveIn1"_s, u"SampleConverter1"_s, u"MSConverter1"_s, u"RateConverter1"_s,
          u"SampleConverter2"_s, u"WaveOut1"_s},
         QStringLiteral("2"),
         QStringLiteral("44100"),
         QStringLiteral("8"),
         QStringLiteral("Unsigned Integer PCM")},
        {48000,
         2,
         16,
         2,
         QStringLiteral("48000"),
         16,
         0,
         {u"WaveIn1"_s, u"WaveOut1"_s},
         QStringLiteral("2"),
         QStringLiteral("48000"),
         QStringLiteral("16"),
         QStringLiteral("Signed Integer PCM")},
        {44100,
         2,
         16,
         2,
         QStringLiteral("22050"),
         16,
         1,
         {u"WaveIn1"_s, u"RateConverter1"_s, u"WaveOut1"_s},
         QStringLiteral("2"),
         QStringLiteral("22050"),
         QStringLiteral("4"),
         QStringLiteral("IMA ADPCM")},
        {8000,
         1,
         16,
         1,
         QStringLiteral("  8000"),
         8,
         0,
         {u"WaveIn1"_s, u"SampleConverter2"_s, u"WaveOut1"_s},
         QStringLiteral("1"),
         QStringLiteral("8000"),
         QStringLiteral("8"),
         QStringLiteral("Unsigned Integer PCM")},
        {11025,
         1,
         8,
         1,
         QStringLiteral("11025"),
         16,
         1,
         {u"WaveIn1"_s, u"SampleConverter1"_s, u"WaveOut1"_s},
         QStringLiteral("1"),
         QStringLiteral("11025"),
         QStringLiteral("4"),
         QStringLiteral("IMA ADPCM")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const QString in =
            makeWav(dir, QStringLiteral("in%1.wav").arg(n), c.rate, c.channels, c.bits);
        const QString out = dir.filePath(QStringLiteral("out%1.wav").arg(n++));
        chooseInput(in);
        EXPECT_EQ(control<QLabel>("Label6")->text(), QString::number(c.channels));
        EXPECT_EQ(control<QLabel>("Label7")->text(), QString::number(c.rate));
        EXPECT_EQ(control<QLabel>("Label8")->text(), QString::number(c.bits));
        EXPECT_EQ(control<QLabel>("Label15")->text(), u"Raw PCM"_s);
        chooseOutput(out);
        EXPECT_EQ(control<QLabel>("lOutputFileName")->toolTip(), out);
        want(c.wantChannels, c.wantRate, c.wantBits, c.encoding);
        ASSERT_TRUE(convert());
        EXPECT_TRUE(prompts.shown.empty()) << prompts.lastText().toStdString();
        EXPECT_EQ(form.chainNames(), c.chain);
        EXPECT_EQ(control<QProgressBar>("ProgressBar1")->value(), 0);
        EXPECT_EQ(run(QStringLiteral("sox"), {u"--i"_s, u"-c"_s, out}), c.soxChannels);
        EXPECT_EQ(run(QStringLiteral("sox"), {u"--i"_s, u"-r"_s, out}), c.soxRate);
        EXPECT_EQ(run(QStringLiteral("sox"), {u"--i"_s, u"-b"_s, out}), c.soxBits);
        EXPECT_EQ(run(QStringLiteral("sox"), {u"--i"_s, u"-e"_s, out}), c.soxEncoding);
        // A second of audio comes out as a second at the new rate.
        const QString duration = run(QStringLiteral("soxi"), {u"-D"_s, out});
        EXPECT_NEAR(duration.toDouble(), 1.0, 0.02) << duration.toStdString();
        if (c.encoding == 1) {
            QFile f(out);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QByteArray header = f.read(40);
            EXPECT_EQ(qFromLittleEndian<quint16>(header.constData() + 20), 0x11); // IMA ADPCM
            EXPECT_EQ(qFromLittleEndian<quint16>(header.constData() + 32), 512);  // block bytes
        }
    }
}

TEST_F(ResampleDialogTest, InputLabelsAndRefusedConversions)
{
    const QString good = makeWav(dir, QStringLiteral("good.wav"), 22050, 2, 16);
    const QString adpcm = dir.filePath(QStringLiteral("adpcm.wav"));
    run(QStringLiteral("sox"), {good, u"-e"_s, u"ima-adpcm"_s, adpcm});
    chooseInput(adpcm);
    EXPECT_EQ(control<QLabel>("Label15")->text(), u"DVI IMA ADPCM"_s);
    EXPECT_EQ(control<QLabel>("lInputFileName")->text(), u"adpcm.wav"_s);
    EXPECT_EQ(control<QLabel>("lInputFileName")->toolTip(), adpcm);

    // Not a WAV file: the labels keep what they showed, Convert does nothing.
    const QString junk = dir.filePath(QStringLiteral("junk.wav"));
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write("RIFF....not really");
    j.close();
    chooseInput(junk);
    EXPECT_EQ(control<QLabel>("lInputFileName")->text(), u"adpcm.wav"_s);
    chooseOutput(dir.filePath(QStringLiteral("never.wav")));
    control<QPushButton>("bConvert")->click();
    EXPECT_TRUE(control<QPushButton>("bConvert")->isEnabled());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.wav"))));

    // Without an output name Convert does nothing either.
    TfrmResample fresh;
    fresh.show();
    prompts.openAnswers.push_back({good});
    fresh.findChild<QPushButton*>(QStringLiteral("bInputFile"))->click();
    fresh.findChild<QPushButton*>(QStringLiteral("bConvert"))->click();
    EXPECT_TRUE(fresh.findChild<QPushButton*>(QStringLiteral("bConvert"))->isEnabled());
    EXPECT_EQ(fresh.Conversion.WaveOut1.Status(), osIdle);
    EXPECT_TRUE(prompts.shown.empty());

    // A rate that is no positive number is refused with a message.
    chooseInput(good);
    for (const QString& rate : {QStringLiteral("abc"), QStringLiteral("0"), QStringLiteral("-8000"),
                                QStringLiteral("")}) {
        want(2, rate, 16, 0);
        prompts.shown.clear();
        control<QPushButton>("bConvert")->click();
        ASSERT_EQ(prompts.shown.size(), 1u) << rate.toStdString();
        EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("not a valid sample rate")));
        EXPECT_TRUE(control<QPushButton>("bConvert")->isEnabled());
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.wav"))));
    }
}

TEST_F(ResampleDialogTest, AFailedRunIsShownAndConvertComesBack)
{
    chooseInput(makeWav(dir, QStringLiteral("in.wav"), 22050, 1, 16));
    chooseOutput(dir.filePath(QStringLiteral("out.wav")));
    ASSERT_TRUE(
        quillon::test::writeFile(dir.filePath(QStringLiteral("out.wav")), "an older out.wav"));
    want(1, QStringLiteral("22050"), 8, 1); // ADPCM cannot hold 8-bit samples
    ASSERT_TRUE(convert());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, u"Cannot encode 8 bit sound into ADPCM."_s);
    // The file there is untouched and nothing half-made is left.
    EXPECT_EQ(quillon::test::readFile(dir.filePath(QStringLiteral("out.wav"))), "an older out.wav");
    EXPECT_TRUE(
        QDir(dir.path()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden).isEmpty());
    // The next conversion with usable settings works.
    prompts.shown.clear();
    want(1, QStringLiteral("22050"), 16, 1);
    ASSERT_TRUE(convert());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(
        run(QStringLiteral("sox"), {u"--i"_s, u"-e"_s, dir.filePath(QStringLiteral("out.wav"))}),
        u"IMA ADPCM"_s);

    // The input itself as the output: read whole before it is replaced.
    chooseInput(dir.filePath(QStringLiteral("in.wav")));
    chooseOutput(dir.filePath(QStringLiteral("in.wav")));
    want(2, QStringLiteral("44100"), 16, 0);
    ASSERT_TRUE(convert());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(run(QStringLiteral("soxi"), {u"-r"_s, dir.filePath(QStringLiteral("in.wav"))}),
              QStringLiteral("44100"));
    EXPECT_NEAR(
        run(QStringLiteral("soxi"), {u"-D"_s, dir.filePath(QStringLiteral("in.wav"))}).toDouble(),
        1.0, 0.001);
}

TEST_F(ResampleDialogTest, ALongConversionKeepsTheWindowResponsive)
{
    chooseInput(makeWav(dir, QStringLiteral("long.wav"), 22050, 2, 16, 300));
    chooseOutput(dir.filePath(QStringLiteral("long44.wav")));
    want(2, QStringLiteral("44100"), 16, 0);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    std::set<int> progress;
    int ticksWhileMoving = 0;
    auto* bar = control<QProgressBar>("ProgressBar1");
    ASSERT_TRUE(convert([&] {
        if (bar->value() > 0 && progress.insert(bar->value()).second)
            ticksWhileMoving = ticks;
    }));
    // The bar went through several values and the UI thread kept handling
    // timer events between them.
    EXPECT_GE(progress.size(), 3u);
    EXPECT_GT(ticksWhileMoving, 0);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_NEAR(run(QStringLiteral("soxi"), {u"-D"_s, dir.filePath(QStringLiteral("long44.wav"))})
                    .toDouble(),
                300.0, 0.05);
}

} // namespace
