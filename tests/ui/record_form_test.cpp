// The recorder window on the offscreen platform, recording through ALSA's file
// plugin: what is captured ends up in the saved file, recordings from the
// middle replace the rest, Undo restores the saved state, and the questions
// and messages come in the right order.
#include "ui/recorder/record_form.h"

#include "../audio/recorder_alsa_env.h"
#include "job_window_closer.h"
#include "recorder/recorder_rules.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"
#include "ui/recorder/new_record_file_form.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QtEndian>

#include <gtest/gtest.h>

#include <set>

using namespace quillon::test;

namespace {

constexpr qint64 kCdRate = 176400;

template <typename T> T* child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

QString labelText(QWidget& w, const char* name)
{
    return child<QLabel>(w, name)->text();
}

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

std::set<TMPBtnType> enabledButtons(TfrmRecord& form)
{
    std::set<TMPBtnType> on;
    for (TMPBtnType b : {btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord})
        if (form.MediaPlayer()->IsEnabled(b))
            on.insert(b);
    return on;
}

void press(TfrmRecord& form, TMPBtnType b)
{
    ASSERT_TRUE(form.MediaPlayer()->IsEnabled(b)) << int(b);
    form.MediaPlayer()->Button(b)->click();
}

struct NewFormat {
    int rateIndex = 7; // 44100
    bool eightBit = false;
    bool mono = false;
    bool ok = true;
};

// Answers the new-file dialog that the next miNewClick shows.
void answerNewDialog(NewFormat f)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        auto* d = qobject_cast<TfrmNewRecordFile*>(QApplication::activeModalWidget());
        if (!d)
            return;
        timer->stop();
        timer->deleteLater();
        d->findChild<QComboBox*>(QStringLiteral("cbBitSamples"))->setCurrentIndex(f.rateIndex);
        if (f.eightBit)
            d->findChild<QRadioButton*>(QStringLiteral("rbBitNumber"))->setChecked(true);
        if (f.mono)
            d->findChild<QRadioButton*>(QStringLiteral("rbChannelNumber"))->setChecked(true);
        if (f.ok)
            d->accept();
        else
            d->reject();
    });
    timer->start();
}

void newRecording(TfrmRecord& form, NewFormat f = {})
{
    answerNewDialog(f);
    form.miNewClick();
}

// Records about ms and stops; returns the wait the stop asked for (-1: none).
qint64 recordFor(TfrmRecord& form, int ms)
{
    qint64 waited = -1;
    form.SetStopWaiter([&waited](qint64 w) { waited = w; });
    press(form, btRecord);
    EXPECT_EQ(enabledButtons(form), (std::set<TMPBtnType>{btStop}));
    pump(ms);
    press(form, btStop);
    return waited;
}

QByteArray waveData(const QString& path)
{
    const QByteArray file = readFile(path);
    EXPECT_GE(file.size(), 44);
    EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 4), quint32(file.size() - 8));
    EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 40), quint32(file.size() - 44));
    return file.mid(44);
}

struct RecorderFixture : ::testing::Test {
    quillon::test::JobWindowCloser closer;
    TempHome home;
    RecorderAlsaEnv alsa{RecorderInputPattern(20 * kCdRate)};
    ScopedPrompts answers;
    QByteArray input = RecorderInputPattern(20 * kCdRate);

    void SetUp() override { OptionsSetting.SaveMp3 = false; }
};

} // namespace

TEST(NewRecordFile, PreselectsCdQuality)
{
    TfrmNewRecordFile dialog(nullptr);
    dialog.show();
    EXPECT_TRUE(child<QRadioButton>(dialog, "rbBitNumber16")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "rbChannelStereo")->isChecked());
    EXPECT_EQ(dialog.Rate(), 44100);
    EXPECT_EQ(dialog.Bits(), 16);
    EXPECT_EQ(dialog.Channels(), 2);
    // The two choices do not exclude each other.
    child<QRadioButton>(dialog, "rbChannelNumber")->click();
    EXPECT_TRUE(child<QRadioButton>(dialog, "rbBitNumber16")->isChecked());
    EXPECT_EQ(dialog.Channels(), 1);
}

TEST_F(RecorderFixture, NewWritesTheChosenHeader)
{
    TfrmRecord form(nullptr, 1);
    form.show();
    const struct {
        NewFormat format;
        quint16 channels, bits;
        quint32 rate, byteRate;
        quint16 align;
    } cases[] = {
        {{0, true, true}, 1, 8, 8000, 8000, 1},
        {{8, false, false}, 2, 16, 48000, 192000, 4},
        {{}, 2, 16, 44100, 176400, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        newRecording(form, c.format);
        const QByteArray h = readFile(TRecordingFiles::NewRecordingPath());
        ASSERT_EQ(h.size(), 44);
        EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 22), c.channels);
        EXPECT_EQ(qFromLittleEndian<quint32>(h.constData() + 24), c.rate);
        EXPECT_EQ(qFromLittleEndian<quint32>(h.constData() + 28), c.byteRate);
        EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 32), c.align);
        EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 34), c.bits);
        EXPECT_EQ(enabledButtons(form), (std::set<TMPBtnType>{btRecord}));
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Record(NoName)"));
        EXPECT_EQ(labelText(form, "lbLength"), QStringLiteral("0.00 Sec"));
        EXPECT_EQ(labelText(form, "panRecordTime"), QStringLiteral("00:00:00.0"));
    }
    // Cancel in the dialog changes nothing.
    newRecording(form, NewFormat{0, true, true, false});
    EXPECT_EQ(readFile(TRecordingFiles::NewRecordingPath()).size(), 44);
    EXPECT_TRUE(answers.shown.empty());
}

TEST_F(RecorderFixture, RecordSaveAsRecordFromTheMiddleUndoAndSave)
{
    TfrmRecord form(nullptr, 1);
    form.show();
    newRecording(form);
    const qint64 waited = recordFor(form, 2000);
    EXPECT_EQ(labelText(form, "lbState"), QStringLiteral("Record over!"));
    EXPECT_EQ(enabledButtons(form), (std::set<TMPBtnType>{btPlay, btNext, btPrev, btRecord}));
    EXPECT_EQ(child<QSlider>(form, "TrackBar1")->value(), 400);
    // The stop waited for the rest of the second the clock showed.
    const QString clock = labelText(form, "panRecordTime");
    EXPECT_TRUE(clock.startsWith(QStringLiteral("00:00:0"))) << clock.toStdString();
    if (waited >= 0) {
        EXPECT_GT(waited, 0);
        EXPECT_LT(waited, 900);
    }
    EXPECT_TRUE(form.Modified());

    const QString take = home.file(QStringLiteral("take.wav"));
    answers.saveAnswers.push_back(home.file(QStringLiteral("take")));
    form.actSaveAsExecute();
    EXPECT_TRUE(answers.shown.empty()) << answers.lastText().toStdString();
    EXPECT_FALSE(QFile::exists(TRecordingFiles::NewRecordingPath()));
    EXPECT_EQ(form.CurrentFile(), take);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Record(%1)").arg(take));
    EXPECT_EQ(enabledButtons(form), (std::set<TMPBtnType>{btPlay, btNext, btRecord}));
    const QByteArray first = waveData(take);
    ASSERT_GE(first.size(), kCdRate);
    EXPECT_EQ(first, input.left(first.size()));
    EXPECT_EQ(readFile(TRecordingFiles::WorkCopyPath()), readFile(take));

    // Again from the middle: only the work copy changes until Save.
    child<QSlider>(form, "TrackBar1")->setValue(200);
    recordFor(form, 600);
    // Where the device puts 200 of 400: whole frames of the half time.
    const qint64 lengthMs = first.size() / 4 * 1000 / 44100;
    const qsizetype half = qsizetype(TrackBarTime(lengthMs, 200) * 44100 / 1000 * 4);
    EXPECT_EQ(waveData(take), first);
    const QByteArray worked = waveData(TRecordingFiles::WorkCopyPath());
    ASSERT_GT(worked.size(), half);
    EXPECT_EQ(worked.left(half), first.left(half));
    EXPECT_EQ(worked.mid(half), input.left(worked.size() - half));

    // Undo brings the saved file back into the work copy.
    answers.answers.push_back(pbYes);
    form.actUndoExecute();
    EXPECT_EQ(readFile(TRecordingFiles::WorkCopyPath()), readFile(take));
    EXPECT_EQ(labelText(form, "lbLength"), RecordTimeLabel(first.size() * 1000 / kCdRate));
    EXPECT_EQ(labelText(form, "lbPosition"), labelText(form, "lbLength"));
    EXPECT_EQ(enabledButtons(form), (std::set<TMPBtnType>{btPlay, btNext, btRecord}));

    // Record from the middle once more and save over the file.
    child<QSlider>(form, "TrackBar1")->setValue(200);
    recordFor(form, 600);
    answers.shown.clear();
    form.actSaveExecute();
    EXPECT_TRUE(answers.shown.empty());
    const QByteArray saved = waveData(take);
    EXPECT_EQ(saved.left(half), first.left(half));
    EXPECT_EQ(saved.mid(half), input.left(saved.size() - half));
    EXPECT_FALSE(form.Modified());

    // Playback runs to the end and leaves Play, Prev and Record.
    press(form, btPlay);
    EXPECT_EQ(labelText(form, "lbState"), QStringLiteral("Playing..."));
    EXPECT_EQ(enabledButtons(form), (std::set<TMPBtnType>{btPause, btStop, btNext, btPrev}));
    QElapsedTimer t;
    t.start();
    while (form.MediaPlayer()->IsEnabled(btStop) && t.elapsed() < 20000)
        pump(50);
    EXPECT_EQ(enabledButtons(form), (std::set<TMPBtnType>{btPlay, btPrev, btRecord}));
    EXPECT_EQ(readFile(alsa.playedPath()), saved);

    // Nothing is asked at close; the work copy goes, the saved file stays.
    form.close();
    EXPECT_TRUE(answers.shown.empty());
    EXPECT_FALSE(QFile::exists(TRecordingFiles::WorkCopyPath()));
    EXPECT_EQ(waveData(take), saved);
}

TEST_F(RecorderFixture, OpenOfTheCurrentFileDoesNothingAndAMissingOneAsksAgain)
{
    const QString a = home.file(QStringLiteral("a.wav"));
    ASSERT_TRUE(
        writeFile(a, TWaveAudioDevice::EmptyWaveHeader(2, 16, 44100) + QByteArray(kCdRate, '\3')));
    TfrmRecord form(nullptr, 1);
    form.show();
    answers.openAnswers.push_back({a});
    form.miOpenClick();
    EXPECT_EQ(form.CurrentFile(), a);
    EXPECT_EQ(labelText(form, "lbLength"), QStringLiteral("1 Sec"));
    child<QSlider>(form, "TrackBar1")->setValue(100);
    EXPECT_EQ(labelText(form, "lbPosition"), QStringLiteral("0.25 Sec"));

    answers.openAnswers.push_back({a});
    form.miOpenClick();
    EXPECT_EQ(child<QSlider>(form, "TrackBar1")->value(), 100);
    EXPECT_TRUE(answers.shown.empty());

    const QString missing = home.file(QStringLiteral("gone.wav"));
    answers.openAnswers.push_back({missing});
    answers.openAnswers.push_back({a + QStringLiteral("x")}); // missing too; then cancel
    form.miOpenClick();
    ASSERT_EQ(answers.shown.size(), 2u);
    EXPECT_EQ(answers.shown[0].text,
              missing + QStringLiteral("\nCould not be found\uFF01\nPlease check the filename "
                                       "correct or not"));
    EXPECT_EQ(answers.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(form.CurrentFile(), a);
}

TEST_F(RecorderFixture, CancelAtCloseStillCloses)
{
    TfrmRecord form(nullptr, 1);
    form.show();
    newRecording(form);
    recordFor(form, 300);
    answers.answers.push_back(pbCancel);
    form.close();
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, QStringLiteral("NoName has been modified,Save it?"));
    EXPECT_EQ(answers.shown[0].buttons, unsigned(pbYes | pbNo | pbCancel));
    EXPECT_FALSE(form.Device().IsOpen());
    // The new-recording file stays for the next New to overwrite.
    EXPECT_GT(readFile(TRecordingFiles::NewRecordingPath()).size(), 44);
}

TEST_F(RecorderFixture, ACloseDuringTheLastSecondWaitsForTheTakeToEnd)
{
    TfrmRecord form(nullptr, 1);
    form.show();
    newRecording(form);
    bool closedEarly = true;
    // The stop waits out the second with the window alive; the title bar's
    // close comes in the middle of it.
    form.SetStopWaiter([&](qint64 wait) {
        form.close();
        closedEarly = !form.isVisible() || !form.Device().IsOpen();
        WaitMilliseconds(wait);
    });
    press(form, btRecord);
    // Stopped where the clock shows a tenth of 2 or more: the stop waits.
    QElapsedTimer guard;
    guard.start();
    do
        pump(20);
    while (labelText(form, "panRecordTime").right(1) < QStringLiteral("2") &&
           guard.elapsed() < 5000);
    answers.answers.push_back(pbNo);
    press(form, btStop);
    EXPECT_FALSE(closedEarly);
    pump(50);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Device().IsOpen());
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, QStringLiteral("NoName has been modified,Save it?"));
}

TEST_F(RecorderFixture, ACaptureDeviceThatCannotBeOpenedLeavesTheWindowUsable)
{
    // After the failed take: record again, or close.
    for (bool closeThen : {false, true}) {
        SCOPED_TRACE(closeThen ? "close" : "record again");
        answers.shown.clear();
        alsa.set("QUILLON_ALSA_CAPTURE_DEVICE", "quillon_nocap");
        TfrmRecord form(nullptr, 1);
        form.show();
        newRecording(form);
        press(form, btRecord);
        ASSERT_EQ(answers.shown.size(), 1u);
        EXPECT_TRUE(answers.shown[0].text.startsWith(
            QStringLiteral("Error while initializing MCI device!")));
        EXPECT_EQ(answers.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(labelText(form, "lbState"), QStringLiteral("-----------"));
        EXPECT_TRUE(form.MediaPlayer()->IsEnabled(btRecord));
        EXPECT_FALSE(form.Device().HasUnsavedRecording());
        EXPECT_FALSE(form.Modified()) << "a take that never started recorded nothing";
        alsa.set("QUILLON_ALSA_CAPTURE_DEVICE", "quillon_rec");

        if (closeThen) {
            // Nothing to save is asked about, and no empty file stays behind.
            form.close();
            EXPECT_EQ(answers.shown.size(), 1u) << answers.lastText().toStdString();
            EXPECT_FALSE(QFile::exists(TRecordingFiles::NewRecordingPath()));
        } else {
            recordFor(form, 300);
            EXPECT_EQ(labelText(form, "lbState"), QStringLiteral("Record over!"));
            EXPECT_GT(readFile(TRecordingFiles::NewRecordingPath()).size(), 44);
        }
    }
}

TEST_F(RecorderFixture, SaveWithMp3TickedEncodesTheSavedFile)
{
    if (!haveProgram(QStringLiteral("lame")))
        GTEST_SKIP() << "lame is not installed";
    TfrmRecord form(nullptr, 1);
    form.show();
    child<QAction>(form, "miSaveMp3")->setChecked(true);
    newRecording(form);
    recordFor(form, 1000);
    const QString target = home.file(QStringLiteral("song.wav"));
    const QString mp3 = home.file(QStringLiteral("song.mp3"));
    answers.saveAnswers.push_back(target);
    form.actSaveExecute();
    EXPECT_EQ(form.CurrentFile(), target);
    const QByteArray encoded = readFile(mp3);
    ASSERT_GT(encoded.size(), 1000);
    EXPECT_TRUE(encoded.startsWith("ID3") ||
                (uchar(encoded[0]) == 0xFF && (uchar(encoded[1]) & 0xE0) == 0xE0));
    EXPECT_EQ(OptionsSetting.CommonOptions.OutputFormat, ofMP3);
    form.close();
    EXPECT_TRUE(OptionsSetting.SaveMp3);
}

TEST_F(RecorderFixture, Mp3WithoutACdHandleTellsAndClosesTheWindow)
{
    OptionsSetting.SaveMp3 = true;
    const QString a = home.file(QStringLiteral("a.wav"));
    ASSERT_TRUE(writeFile(a, TWaveAudioDevice::EmptyWaveHeader(2, 16, 44100) +
                                 QByteArray(kCdRate / 4, '\3')));
    TfrmRecord form(nullptr, 0);
    form.show();
    answers.openAnswers.push_back({a});
    form.miOpenClick();
    answers.saveAnswers.push_back(home.file(QStringLiteral("b.wav")));
    form.actSaveAsExecute();
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, QStringLiteral("Please access CD devices rightly above all!"));
    pump(50);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(QFile::exists(home.file(QStringLiteral("b.mp3"))));
    EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("b.wav"))));
}

TEST_F(RecorderFixture, ACaptureThatFailsMidwayKeepsTheWindowUsable)
{
    TfrmRecord form(nullptr, 1);
    form.show();
    newRecording(form);
    {
        // The disk "fills" after a few tenths of a second of sound.
        ScopedFileSizeLimit limit(64 * 1024);
        press(form, btRecord);
        QElapsedTimer t;
        t.start();
        while (labelText(form, "lbState") != QStringLiteral("Record over!") && t.elapsed() < 10000)
            pump(50);
    }
    EXPECT_EQ(labelText(form, "lbState"), QStringLiteral("Record over!"));
    ASSERT_FALSE(answers.shown.empty());
    EXPECT_TRUE(answers.lastText().startsWith(QStringLiteral("Cannot write the recording")))
        << answers.lastText().toStdString();
    EXPECT_EQ(answers.shown.back().icon, PromptIcon::Error);
    EXPECT_TRUE(form.MediaPlayer()->IsEnabled(btRecord));
    // Once there is room again, recording works.
    answers.shown.clear();
    recordFor(form, 300);
    EXPECT_TRUE(answers.shown.empty());
    EXPECT_GT(waveData(TRecordingFiles::NewRecordingPath()).size(), 0);
}
