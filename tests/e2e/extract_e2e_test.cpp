// Extraction end to end: a generated disc image read through libcdio, the
// job engine, the rip thread and the real lame.
#include "jobs/job_engine.h"

#include "disc_image_fixture.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
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
        const int start = mp3.startsWith("ID3") ? 10 + ((mp3[6] & 0x7f) << 21 | (mp3[7] & 0x7f) << 14 |
                                                        (mp3[8] & 0x7f) << 7 | (mp3[9] & 0x7f))
                                                : 0;
        EXPECT_EQ(quint8(mp3[start]), 0xff) << t;
        EXPECT_EQ(quint8(mp3[start + 1]) & 0xe0, 0xe0) << t;
        const QByteArray tag = mp3.right(128);
        ASSERT_TRUE(tag.startsWith("TAG")) << t;
        EXPECT_EQ(QString::fromLatin1(tag.mid(3, 30)).remove(QChar(0)), title);
        EXPECT_EQ(QString::fromLatin1(tag.mid(33, 30)).remove(QChar(0)),
                  QStringLiteral("The Artist"));
        EXPECT_EQ(QString::fromLatin1(tag.mid(63, 30)).remove(QChar(0)), QStringLiteral("The Album"));
        EXPECT_EQ(tag.mid(93, 4), "1999");
        EXPECT_EQ(quint8(tag[125]), 0);
        EXPECT_EQ(quint8(tag[126]), t);
        EXPECT_NE(quint8(tag[127]), 255); // a genre was chosen
    }
}

TEST_F(ExtractE2E, TitleThatIsNoFileNameIsReportedAndTheJobGoesOn)
{
    // (Sector read failures are driven by the in-memory drive in the engine tests.)
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    ASSERT_TRUE(run({QStringLiteral("01../AC/DC"), QStringLiteral("02Fine"),
                     QStringLiteral("03Also fine")}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              out(QStringLiteral("../AC/DC.wav")) +
                  QStringLiteral(" is not a valid file name.Please rename the Title in the CD "
                                 "tracks list."));
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("Fine.wav"))));
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("Also fine.wav"))));
    EXPECT_FALSE(QFile::exists(work.filePath(QStringLiteral("AC"))));
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files).size(), 2); // disc.cue, disc.bin
}

TEST_F(ExtractE2E, MissingLameIsReportedWithoutHanging)
{
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    const bool closed = run(kItems);
    qputenv("PATH", path);
    ASSERT_TRUE(closed);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, PromptIcon::Error);
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("First.wav"))));
}

TEST_F(ExtractE2E, StopInTheMiddleLeavesPartialFiles)
{
    if (!haveProgram(QStringLiteral("lame")))
        GTEST_SKIP() << "lame is not installed";
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    TJobEngine engine(TJobKind::Extract, handle, kItems, view);
    engine.Start();
    runUntilClosed(view, 120000,
                   [&] { return view.statusLines.contains(QStringLiteral("Extracting(02/03): Second")); });
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("First.mp3"))));
    // Not every track was extracted: the work files stay.
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("First.wav"))));
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("Third.wav"))));
}

} // namespace
