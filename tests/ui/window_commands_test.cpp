// The main window's commands reach the windows that do the work: Extract on a
// generated disc image through libcdio ends with the checked tracks on disk.
#include "cdaccess/cd_access.h"
#include "disc_image_writer.h"
#include "job_window_closer.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"
#include "ui/main/main_form.h"
#include "ui/main/window_commands.h"
#include "ui/tags/edit_track_name_form.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>

using quillon::test::TempHome;

namespace {
QString q(const char* s)
{
    return QString::fromUtf8(s);
}

discgen::TrackSpec tone(int frames, double hz)
{
    discgen::TrackSpec t;
    t.frames = frames;
    t.signal = discgen::Signal::Tone;
    t.frequency = hz;
    return t;
}

class WindowCommandsTest : public ::testing::Test {
protected:
    quillon::test::JobWindowCloser m_closer;
    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        quillon::test::UsePlainReads(OptionsSetting);
        // The window loads options.ini when it opens: it reads plainly too.
        ASSERT_TRUE(
            quillon::test::writeFile(m_home.file(q("options.ini")), quillon::test::kPlainReadsIni));
        m_tracks = {tone(150, 440), tone(75, 660), tone(120, 880)};
        m_cue = m_home.file(q("disc.cue"));
        ASSERT_TRUE(discgen::WriteCueBin(m_cue, m_tracks));
        qputenv("QUILLON_CD_IMAGES", QFile::encodeName(m_cue));
        m_out = m_home.file(q("out"));
        ASSERT_TRUE(QDir().mkpath(m_out));
    }
    void TearDown() override { qunsetenv("QUILLON_CD_IMAGES"); }

    // Tracks 1 and 3 checked, titled first and third, to WAV in m_out.
    void checkFirstAndThird(TMainForm& form, const QString& first, const QString& third)
    {
        ASSERT_EQ(form.ListView1()->topLevelItemCount(), 3) << form.statusText().toStdString();
        // Options are loaded by the window; set the job's ones afterwards.
        OptionsSetting.CommonOptions.OutputFolder = m_out;
        OptionsSetting.CommonOptions.OutputFormat = ofWAV;
        form.setTitle(0, first);
        form.setTitle(2, third);
        form.setChecked(0, true);
        form.setChecked(1, false);
        form.setChecked(2, true);
        form.updateCommands();
    }

    TempHome m_home;
    ScopedPrompts m_prompts;
    QList<discgen::TrackSpec> m_tracks;
    QString m_cue;
    QString m_out;
};
} // namespace

TEST_F(WindowCommandsTest, ExtractWritesTheCheckedTracksAsWav)
{
    TMainForm form(DefaultMainFormServices());
    AttachWindowCommands(form);
    form.show();
    checkFirstAndThird(form, q("First"), q("Third"));
    // QUILLON_SCREENSHOT=file.png keeps a picture of the wired window (README).
    if (const QString shot = qEnvironmentVariable("QUILLON_SCREENSHOT"); !shot.isEmpty())
        form.grab().save(shot);

    QAction* extract = form.action(TCommand::Extract);
    ASSERT_NE(extract, nullptr);
    ASSERT_TRUE(extract->isEnabled());
    extract->trigger(); // modal job window; returns when the job has ended

    const QByteArray first = quillon::test::readFile(m_out + q("/First.wav"));
    const QByteArray third = quillon::test::readFile(m_out + q("/Third.wav"));
    EXPECT_EQ(first.mid(44), discgen::TrackAudio(m_tracks[0]));
    EXPECT_EQ(third.mid(44), discgen::TrackAudio(m_tracks[2]));
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files).size(), 2);
    for (const auto& shown : m_prompts.shown)
        ADD_FAILURE() << "unexpected message: " << shown.text.toStdString();
    form.close();
}

TEST_F(WindowCommandsTest, ExtractAsksBeforeReplacingAndSaysOnceAtTheEndWhatWasNotMade)
{
    TMainForm form(DefaultMainFormServices());
    AttachWindowCommands(form);
    form.show();
    checkFirstAndThird(form, q("First"), q("AC/DC"));
    ASSERT_TRUE(quillon::test::writeFile(m_out + q("/First.wav"), "mine"));
    m_prompts.answers = {pbNo};
    form.action(TCommand::Extract)->trigger();

    EXPECT_EQ(quillon::test::readFile(m_out + q("/First.wav")), "mine");
    EXPECT_EQ(quillon::test::readFile(m_out + q("/AC-DC.wav")).mid(44),
              discgen::TrackAudio(m_tracks[2]));
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].text, m_out + q("/First.wav has existed,overite it?"));
    // The end is said once, in the job window.
    EXPECT_EQ(m_closer.summaries, QStringList(q("1 of 2 tracks made; 1 skipped\nFirst: ") + m_out +
                                              q("/First.wav exists and was kept")));
    form.close();
}

TEST_F(WindowCommandsTest, AnotherDriveChosenInTheOptionsIsListedAndExtracted)
{
    // A second drive holding another disc of two tracks.
    const QList<discgen::TrackSpec> other = {tone(90, 1000), tone(60, 1200)};
    const QString otherCue = m_home.file(q("other.cue"));
    ASSERT_TRUE(discgen::WriteCueBin(otherCue, other));
    qputenv("QUILLON_CD_IMAGES", QFile::encodeName(m_cue + q(":") + otherCue));
    TMainForm form(DefaultMainFormServices());
    AttachWindowCommands(form);
    form.show();
    ASSERT_EQ(form.ListView1()->topLevelItemCount(), 3);

    const std::vector<TCDREC> drives = cdAccess().GetCDList();
    const auto second = std::find_if(drives.begin(), drives.end(),
                                     [&](const TCDREC& d) { return d.Device == otherCue; });
    ASSERT_NE(second, drives.end());
    // What the options' OK does once the drive changed.
    form.SwitchDrive(int(second - drives.begin()));
    ASSERT_EQ(form.ListView1()->topLevelItemCount(), 2);
    OptionsSetting.CommonOptions.OutputFolder = m_out;
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    form.setTitle(1, q("Second Disc"));
    form.SelectAll(false);
    form.setChecked(1, true);
    form.updateCommands();
    form.action(TCommand::Extract)->trigger();

    EXPECT_EQ(quillon::test::readFile(m_out + q("/Second Disc.wav")).mid(44),
              discgen::TrackAudio(other[1]));
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files | QDir::Hidden).size(), 1);
    for (const auto& shown : m_prompts.shown)
        ADD_FAILURE() << "unexpected message: " << shown.text.toStdString();
    form.close();
}

TEST_F(WindowCommandsTest, ExtractWithNothingCheckedIsDisabled)
{
    TMainForm form(DefaultMainFormServices());
    AttachWindowCommands(form);
    form.show();
    form.SelectAll(false);
    form.updateCommands();
    EXPECT_FALSE(form.action(TCommand::Extract)->isEnabled());
    form.close();
}

TEST_F(WindowCommandsTest, RenameTitleChangesTheSelectedRowAndCancelKeepsIt)
{
    TMainForm form(DefaultMainFormServices());
    AttachWindowCommands(form);
    form.show();
    ASSERT_EQ(form.ListView1()->topLevelItemCount(), 3);
    form.ListView1()->setCurrentItem(form.ListView1()->topLevelItem(1));
    QAction* rename = form.action(TCommand::EditTrackName);
    ASSERT_TRUE(rename && rename->isEnabled());

    // Answers the modal rename dialog once it is up.
    const auto answer = [](const QString& text, bool ok) {
        QTimer::singleShot(0, [text, ok] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<TfrmEditTrackName*>(w);
                    dialog && dialog->isVisible()) {
                    dialog->eName->setText(text);
                    ok ? dialog->accept() : dialog->reject();
                }
            }
        });
    };
    answer(q("Renamed"), true);
    rename->trigger();
    EXPECT_EQ(form.titles().value(1), q("Renamed"));
    answer(q("Ignored"), false);
    rename->trigger();
    EXPECT_EQ(form.titles().value(1), q("Renamed"));
    form.close();
}
