// The OGG player window, playing through ALSA's file plugin: what reaches the
// sound card is compared with what the Vorbis reader decodes on its own.

#include "audio/alsa_test_util.h"
#include "audio/audio_test_util.h"

#include "audio/audio_out.h"
#include "audio/stereo_balance.h"
#include "audio/vorbis_in.h"
#include "settings/prompts.h"
#include "ui/players/ogg_player_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>

using namespace audiotest;

namespace {

// An Ogg Vorbis file made by oggenc from a generated tone.
class OggPlayer : public testing::Test {
protected:
    void SetUp() override
    {
        if (!quillon::test::haveProgram(QStringLiteral("oggenc")))
            GTEST_SKIP() << "oggenc is not installed";
    }
    QString makeOgg(const QString& name, int seconds)
    {
        const QString wav = m_dir.filePath(QStringLiteral("source.wav"));
        PcmSource source(testSignal(44100 * seconds, 16, 2), 16, 2, 44100);
        TWaveOut writer;
        writer.SetFileName(wav);
        EXPECT_EQ(writeWave(writer, source), "");
        const QString ogg = m_dir.filePath(name);
        EXPECT_FALSE(runProgram(QStringLiteral("oggenc"),
                                {QStringLiteral("-Q"), QStringLiteral("-o"), ogg, wav})
                         .isNull());
        return ogg;
    }
    // Everything the reader decodes from the file, read on its own.
    static QByteArray decoded(const QString& path)
    {
        TVorbisIn in;
        in.SetFileName(path);
        QByteArray all;
        in.BeginRead();
        char buffer[4096];
        qint64 n;
        while ((n = in.ReadData(buffer, sizeof buffer)) > 0)
            all.append(buffer, n);
        in.EndRead();
        return all;
    }
    bool waitIdle(TfrmOggPlayer& form)
    {
        return processEventsUntil(
            [&] { return form.AudioOut1->Status() == osIdle && form.BitBtn1->isEnabled(); });
    }

    QTemporaryDir m_dir;
    AlsaPlayback m_alsa;
    ScopedPrompts m_prompts;
};

} // namespace

TEST_F(OggPlayer, PlaysExactlyTheDecodedPcm)
{
    const QString ogg = makeOgg(QStringLiteral("song.OGG"), 3);
    const QByteArray pcm = decoded(ogg);
    ASSERT_GT(pcm.size(), 44100 * 4 * 2);

    struct Case {
        int track; // balance position 0..10
        bool leftSilent, rightSilent;
    } cases[] = {{10, true, false}, {0, false, true}, {5, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track);
        TfrmOggPlayer form;
        form.TrackBar1->setValue(c.track);
        form.PlayFile(ogg);
        EXPECT_EQ(form.lFileName->text(), QStringLiteral("song"));
        EXPECT_EQ(form.lTotalTime->text(), QStringLiteral("0:03"));
        EXPECT_EQ(form.lSampleRate->text(), QStringLiteral("44100 Hz"));
        EXPECT_FALSE(form.BitBtn1->isEnabled());
        EXPECT_TRUE(form.ScrollBar1->isEnabled());
        EXPECT_TRUE(form.Timer1->isActive());
        ASSERT_TRUE(waitIdle(form));
        EXPECT_FALSE(form.ScrollBar1->isEnabled());
        EXPECT_FALSE(form.Timer2->isActive());

        // The same PCM through a balance filter of its own is what must play.
        PcmSource again(pcm, 16, 2, 44100, 8192);
        TStereoBalance balance;
        balance.SetInput(&again);
        balance.SetBalance(float(c.track) / 10.0f);
        balance.BeginRead();
        QByteArray expected;
        char buffer[8192];
        qint64 n;
        while ((n = balance.ReadData(buffer, sizeof buffer)) > 0)
            expected.append(buffer, n);
        balance.EndRead();

        const QByteArray played = m_alsa.played();
        EXPECT_EQ(played, expected);
        bool leftSilent = true, rightSilent = true;
        for (qsizetype i = 0; i + 1 < played.size() / 2; i += 2) {
            leftSilent = leftSilent && sampleAt(played, i) == 0;
            rightSilent = rightSilent && sampleAt(played, i + 1) == 0;
        }
        EXPECT_EQ(leftSilent, c.leftSilent);
        EXPECT_EQ(rightSilent, c.rightSilent);
    }
}

TEST_F(OggPlayer, NamesThatAreNotOgg)
{
    const QString ogg = makeOgg(QStringLiteral("song.ogg"), 1);
    const QString mp3 = m_dir.filePath(QStringLiteral("song.mp3"));
    QFile::copy(ogg, mp3);
    const QString broken = m_dir.filePath(QStringLiteral("broken.ogg"));
    quillon::test::writeFile(broken, QByteArray("OggS but not really"));
    for (const QString& path : {mp3, broken}) {
        SCOPED_TRACE(path.toStdString());
        m_prompts.openAnswers.push_back({path});
        TfrmOggPlayer form;
        form.BitBtn1Click();
        EXPECT_EQ(m_prompts.lastText(), QStringLiteral("Ogg file is not valid."));
        EXPECT_TRUE(form.BitBtn1->isEnabled());
        EXPECT_EQ(form.AudioOut1->Status(), osIdle);
        EXPECT_EQ(form.lFileName->text(), QStringLiteral("OGG"));
    }
}

TEST_F(OggPlayer, NoSoundDeviceIsReportedAndLeavesThePlayerReady)
{
    const QString ogg = makeOgg(QStringLiteral("song.ogg"), 1);
    AlsaPlayback::useDevice("quillon_missing");
    TfrmOggPlayer form;
    form.PlayFile(ogg);
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_TRUE(m_prompts.lastText().contains(QStringLiteral("Cannot open sound device")))
        << m_prompts.lastText().toStdString();
    EXPECT_EQ(m_prompts.shown[0].icon, PromptIcon::Error);
    EXPECT_TRUE(form.BitBtn1->isEnabled());
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_FALSE(form.ScrollBar1->isEnabled());
    EXPECT_EQ(form.AudioOut1->Status(), osIdle);

    // With the device back the same file plays.
    AlsaPlayback::useDevice("quillon_play");
    form.PlayFile(ogg);
    ASSERT_TRUE(waitIdle(form));
    EXPECT_GT(m_alsa.playedSize(), 0);
    EXPECT_EQ(m_prompts.shown.size(), 1u);
}

TEST_F(OggPlayer, PauseResumeStopAndJump)
{
    const QString ogg = makeOgg(QStringLiteral("long.ogg"), 8);
    TfrmOggPlayer form;
    form.PlayFile(ogg);
    ASSERT_TRUE(waitUntil([&] { return m_alsa.playedSize() > 0; }));

    form.BitBtn2Click(); // pause
    EXPECT_EQ(form.AudioOut1->Status(), osPaused);
    EXPECT_FALSE(form.Timer1->isActive());
    const qint64 size = m_alsa.playedSize();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(m_alsa.playedSize(), size);

    form.BitBtn2Click(); // resume
    EXPECT_EQ(form.AudioOut1->Status(), osBusy);
    EXPECT_TRUE(form.Timer2->isActive());

    // The elapsed time follows a jump to the middle.
    form.ScrollBar1Scroll(50);
    EXPECT_EQ(form.PlayClock(), 4000);
    form.Timer2Timer();
    EXPECT_EQ(form.lCurrentTime->text(), QStringLiteral("0:04"));

    form.BitBtn2Click(); // pause, then stop: the output is resumed first
    form.bStopClick();
    ASSERT_TRUE(waitIdle(form));
    EXPECT_LT(m_alsa.playedSize(), 8 * 176400);
}

TEST_F(OggPlayer, SpectrumWhilePlaying)
{
    const QString ogg = makeOgg(QStringLiteral("tone.ogg"), 4);
    TfrmOggPlayer form;
    form.show();
    form.PlayFile(ogg);
    ASSERT_TRUE(waitUntil([&] { return m_alsa.playedSize() > 4 * 8192; }));
    form.Timer1Timer();
    const QImage picture = form.Picture();
    int green = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            green += picture.pixelColor(x, y) == QColor(0, 128, 0);
    EXPECT_GT(green, 0);
    const QString shot = QString::fromLocal8Bit(qgetenv("QUILLON_SCREENSHOT"));
    if (!shot.isEmpty())
        form.grab().save(shot);
    form.bStopClick();
    ASSERT_TRUE(waitIdle(form));
}

TEST_F(OggPlayer, CloseDuringPlayStopsFirst)
{
    const QString ogg = makeOgg(QStringLiteral("close.ogg"), 5);
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        TfrmOggPlayer form;
        form.show();
        form.PlayFile(ogg);
        if (i % 3 == 1)
            form.BitBtn2Click(); // paused
        if (i % 2 == 0)
            form.close(); // the title bar's close
        else
            form.bCloseClick();
        // The window waits for the output without blocking, and goes only
        // once the output is idle.
        ASSERT_TRUE(processEventsUntil([&] { return !form.isVisible(); }));
        EXPECT_EQ(form.AudioOut1->Status(), osIdle);
    }
}
