// Extraction end to end: a generated disc image read through libcdio, the
// job engine, the rip thread and the real lame.
#include "jobs/job_engine.h"

#include "disc_image_fixture.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon::test;

namespace {

struct ExtractE2E : DiscImageFixture {
    QByteArray bin;

    void SetUp() override
    {
        makeDisc({QStringLiteral("2s:tone:440"), QStringLiteral("3s:noise:7"),
                  QStringLiteral("2.5s:tone:1000")});
        if (IsSkipped() || HasFatalFailure())
            return;
        bin = readFile(work.filePath(QStringLiteral("disc.bin")));
        OptionsSetting.CDInfo.Artist = QStringLiteral("The Artist");
        OptionsSetting.CDInfo.Album = QStringLiteral("The Album");
        OptionsSetting.CDInfo.Year = QStringLiteral("1999");
        OptionsSetting.CDInfo.Genre = 5;
        OptionsSetting.CDInfo.Comment = QStringLiteral("made here");
    }
    QByteArray imageAudio(int track) const
    {
        const qint64 from = qint64(toc.Entries[track - 1].Lba()) * kSectorSize;
        const qint64 to = qint64(toc.Entries[track].Lba()) * kSectorSize;
        return bin.mid(from, to - from);
    }
    QString out(const QString& name) const { return outDir + QLatin1Char('/') + name; }
    bool run(const QStringList& items)
    {
        TJobEngine engine(TJobKind::Extract, handle, items, view);
        engine.Start();
        return runUntilClosed(view, 120000);
    }
};

const QStringList kItems = {QStringLiteral("01First"), QStringLiteral("02Second"),
                            QStringLiteral("03Third")};

TEST_F(ExtractE2E, ThreeTracksToWavAreTheImageAudio)
{
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    ASSERT_TRUE(run(kItems));
    EXPECT_TRUE(prompts.shown.empty());
    for (int t = 1; t <= 3; ++t) {
        const QByteArray wav = readFile(out(kItems[t - 1].mid(2) + QStringLiteral(".wav")));
        ASSERT_EQ(wav.size(), 44 + imageAudio(t).size()) << t;
        EXPECT_TRUE(wav.mid(44) == imageAudio(t)) << t;
    }
}

TEST_F(ExtractE2E, ThreeTracksToMp3WithTagsWithRealLame)
{
    if (!haveProgram(QStringLiteral("lame")))
        GTEST_SKIP() << "lame is not installed";
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    OptionsSetting.UseID3 = true;
    ASSERT_TRUE(run(kItems));
    EXPECT_TRUE(prompts.shown.empty()) << prompts.lastText().toStdString();
    for (int t = 1; t <= 3; ++t) {
        const QString title = kItems[t - 1].mid(2);
        EXPECT_FALSE(QFile::exists(out(title + QStringLiteral(".wav")))) << t;
        const QByteArray mp3 = readFile(out(title + QStringLiteral(".mp3")));
        ASSERT_GT(mp3.size(), 1000) << t;
        // An MPEG audio frame starts the file (after an ID3v2 tag if lame wrote one).
        const int start = mp3.startsWith("ID3")
                              ? 10 + ((mp3[6] & 0x7f) << 21 | (mp3[7] & 0x7f) << 14 |
                                      (mp3[8] & 0x7f) << 7 | (mp3[9] & 0x7f))
                              : 0;
        EXPECT_EQ(quint8(mp3[start]), 0xff) << t;
        EXPECT_EQ(quint8(mp3[start + 1]) & 0xe0, 0xe0) << t;
        const QByteArray tag = mp3.right(128);
        ASSERT_TRUE(tag.startsWith("TAG")) << t;
        EXPECT_EQ(QString::fromLatin1(tag.mid(3, 30)).remove(QChar(0)), title);
        EXPECT_EQ(QString::fromLatin1(tag.mid(33, 30)).remove(QChar(0)),
                  QStringLiteral("The Artist"));
        EXPECT_EQ(QString::fromLatin1(tag.mid(63, 30)).remove(QChar(0)),
                  QStringLiteral("The Album"));
        EXPECT_EQ(tag.mid(93, 4), "1999");
        EXPECT_EQ(quint8(tag[125]), 0);
        EXPECT_EQ(quint8(tag[126]), t);
        EXPECT_NE(quint8(tag[127]), 255); // a genre was chosen
    }
}

TEST_F(ExtractE2E, MissingLameIsSaidOnceWithoutHanging)
{
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    TJobEngine engine(TJobKind::Extract, handle, kItems, view);
    engine.Start();
    const bool closed = runUntilClosed(view, 120000);
    qputenv("PATH", path);
    ASSERT_TRUE(closed);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(engine.Summary().headline(),
              QStringLiteral("0 of 3 tracks made; 1 failed; 2 not begun"));
    EXPECT_TRUE(engine.Summary().items()[0].Reason.startsWith(
        QStringLiteral("Error while creating mp3 encoding process!")));
    // The ripped track was a work file: nothing is left.
    EXPECT_TRUE(QDir(outDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ExtractE2E, StopInTheMiddleLeavesOnlyCompleteFiles)
{
    if (!haveProgram(QStringLiteral("lame")))
        GTEST_SKIP() << "lame is not installed";
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    TJobEngine engine(TJobKind::Extract, handle, kItems, view);
    engine.Start();
    // The first track is made while later ones are read or encoded.
    runUntilClosed(view, 120000,
                   [&] { return engine.Summary().items()[0].Outcome == TItemOutcome::Made; });
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    // Whatever the stop met, only the files made are there, and whole.
    QStringList made;
    for (const QString& file : engine.Summary().madeFiles())
        made << QFileInfo(file).fileName();
    EXPECT_TRUE(made.contains(QStringLiteral("First.mp3")));
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden, QDir::Name), made);
}

} // namespace
