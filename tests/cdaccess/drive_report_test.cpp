// The text account of the drives, through the in-memory drive and through the
// program itself on a generated image.
#include "cdaccess/drive_report.h"
#include "disc_image_writer.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using quillon::test::MemoryCDDrive;

namespace {

TEST(DriveReport, SaysWhatWentWrong)
{
    struct Case {
        const char* what;
        void (*setUp)(MemoryCDDrive&);
        const char* expected;
    };
    const Case cases[] = {
        {"disc", [](MemoryCDDrive&) {}, "   2     00:07:00  00:03   audio\n"},
        {"key", [](MemoryCDDrive&) {}, "Disc key 4864, 3 tracks\n"},
        {"lead-out", [](MemoryCDDrive&) {}, "Lead-out  00:12:00\n"},
        {"open fails", [](MemoryCDDrive& d) { d.setFailGetHandle(true); },
         "Cannot open the drive: "},
        {"no TOC", [](MemoryCDDrive& d) { d.setFailReadTOC(true); }, "No disc: "},
        {"data only",
         [](MemoryCDDrive& d) { d.setDataTrack(1), d.setDataTrack(2), d.setDataTrack(3); },
         "3 tracks, no audio\n"},
    };
    for (const Case& c : cases) {
        MemoryCDDrive drive;
        c.setUp(drive);
        const QString report = DriveReport(drive);
        EXPECT_TRUE(report.startsWith(QStringLiteral("Drives:\n  1. Memory CD-DRIVE (memory)\n")))
            << c.what;
        EXPECT_TRUE(report.contains(QString::fromLatin1(c.expected))) << c.what << "\n"
                                                                      << report.toStdString();
        EXPECT_EQ(drive.openHandleCount(), 0) << c.what << ": the report closes what it opened";
    }
}

TEST(DriveReport, ProgramListsImagesFromTheEnvironment)
{
    QTemporaryDir dir;
    const QString cue = dir.filePath(QStringLiteral("env.cue"));
    ASSERT_TRUE(discgen::WriteCueBin(cue, {{225, discgen::Signal::Tone, 440, 0},
                                           {450, discgen::Signal::Silence, 0, 0},
                                           {300, discgen::Signal::Noise, 0, 3}}));
    const QString extra = dir.filePath(QStringLiteral("extra.cue"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLON_CD_IMAGES"), cue);
    p.setProcessEnvironment(env);
    p.start(quillon::test::binDir() + QStringLiteral("/quillon"),
            {QStringLiteral("--list-drives"), QStringLiteral("--cd-image"), extra});
    ASSERT_TRUE(p.waitForFinished(60000));
    // extra.cue is not there: listed, said, and a failure as for "quillon drives".
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
              QStringLiteral("quillon: cannot read the disc image %1: no such file\n").arg(extra));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral(". Image env.cue (") + cue + QLatin1Char(')')))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral(". Image extra.cue (") + extra + QLatin1Char(')')))
        << out.toStdString();
    EXPECT_LT(out.indexOf(QStringLiteral("env.cue")), out.indexOf(QStringLiteral("extra.cue")));
    // Tracks at LBA 0, 225, 675: the 4608 disc.
    EXPECT_TRUE(out.contains(QStringLiteral("Disc key 4608, 3 tracks"))) << out.toStdString();

    // With the image alone all is well; with nothing at all the run fails.
    p.start(quillon::test::binDir() + QStringLiteral("/quillon"),
            {QStringLiteral("--list-drives")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    env.remove(QStringLiteral("QUILLON_CD_IMAGES"));
    p.setProcessEnvironment(env);
    p.start(quillon::test::binDir() + QStringLiteral("/quillon"),
            {QStringLiteral("--list-drives")});
    ASSERT_TRUE(p.waitForFinished(60000));
    if (QString::fromUtf8(p.readAllStandardOutput()) == QStringLiteral("No CD drive found.\n")) {
        EXPECT_EQ(p.exitCode(), 1);
    }
}

} // namespace
