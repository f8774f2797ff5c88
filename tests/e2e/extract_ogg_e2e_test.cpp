// Extraction to Ogg Vorbis end to end: a generated disc image read through
// libcdio, the rip thread, the job engine and the real libvorbis, checked
// with the vorbis-tools.
#include "jobs/job_engine.h"

#include "../audio/vorbis_test_util.h"
#include "disc_image_fixture.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"
#include "tags/genres.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace quillon::test;
using namespace vorbistest;

namespace {

struct ExtractOggE2E : DiscImageFixture {
    void SetUp() override
    {
        if (!haveProgram(QStringLiteral("ogginfo")) || !haveProgram(QStringLiteral("oggdec")))
            GTEST_SKIP() << "vorbis-tools missing";
        makeDisc({QStringLiteral("2s:tone:440"), QStringLiteral("3s:noise:7"),
                  QStringLiteral("2.5s:tone:1000")});
        if (IsSkipped() || HasFatalFailure())
            return;
        OptionsSetting.CommonOptions.OutputFormat = ofOGG;
        OptionsSetting.CDInfo.Artist = QStringLiteral("The Artist");
        OptionsSetting.CDInfo.Album = QStringLiteral("The Album");
        OptionsSetting.CDInfo.Year = QStringLiteral("1999");
        OptionsSetting.CDInfo.Genre = 5;
        OptionsSetting.CDInfo.Comment = QStringLiteral("made here");
    }
    qint64 trackFrames(int track) const
    {
        return qint64(toc.Entries[track].Lba() - toc.Entries[track - 1].Lba()) * kSectorSize / 4;
    }
    QString out(const QString& name) const { return outDir + QLatin1Char('/') + name; }
};

const QStringList kItems = {QStringLiteral("01First"), QStringLiteral("02Second"),
                            QStringLiteral("03Third")};

TEST_F(ExtractOggE2E, ThreeTracksBecomeOggFilesWithComments)
{
    struct Case {
        bool useId3;
        bool keepWav;
    } cases[] = {{true, false}, {false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.useId3 ? "with comments" : "without comments");
        for (const QString& f : QDir(outDir).entryList(QDir::Files))
            QFile::remove(out(f));
        OptionsSetting.UseID3 = c.useId3;
        OptionsSetting.CommonOptions.IsKeepWav = c.keepWav;
        RecordingView v;
        TJobEngine engine(TJobKind::Extract, handle, kItems, v);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(v, 120000));
        EXPECT_TRUE(prompts.shown.empty()) << prompts.lastText().toStdString();
        EXPECT_EQ(v.statusLines,
                  (QStringList{u"Extracting(01/03): First"_s, u"Encoding(01/03): First"_s,
                               u"Extracting(02/03): Second"_s, u"Encoding(02/03): Second"_s,
                               u"Extracting(03/03): Third"_s, u"Encoding(03/03): Third"_s,
                               u"Writing the album gain"_s}));
        for (int t = 1; t <= 3; ++t) {
            SCOPED_TRACE(t);
            const QString title = kItems[t - 1].mid(2);
            const QString ogg = out(title + QStringLiteral(".ogg"));
            EXPECT_EQ(QFile::exists(out(title + QStringLiteral(".wav"))), c.keepWav);
            EXPECT_EQ(oggInfoComplaint(ogg), "");
            EXPECT_EQ(oggdecDecode(ogg).size(), trackFrames(t) * 4);
            const QStringList expected =
                c.useId3 ? QStringList{QStringLiteral("TITLE=") + title,
                                       QStringLiteral("ARTIST=The Artist"),
                                       QStringLiteral("ALBUMARTIST=The Artist"),
                                       QStringLiteral("ALBUM=The Album"),
                                       QStringLiteral("DATE=1999"),
                                       QStringLiteral("GENRE=") + GenreNames()[4],
                                       QStringLiteral("COMMENT=made here"),
                                       QStringLiteral("TRACKNUMBER=") + QString::number(t)}
                         : QStringList{};
            // The gains, measured as the disc was read, come with or without
            // "Use ID3".
            QStringList comments = listComments(ogg);
            const QStringList gains = comments.filter(QRegularExpression(QStringLiteral(
                R"(^REPLAYGAIN_(TRACK|ALBUM)_(GAIN=-?\d+\.\d\d dB|PEAK=\d\.\d{6})$)")));
            EXPECT_EQ(gains.size(), 4) << comments.join(u' ').toStdString();
            comments.removeIf(
                [](const QString& x) { return x.startsWith(QStringLiteral("REPLAYGAIN_")); });
            // The album gain is written by TagLib, which keeps its own order.
            comments.sort();
            QStringList sorted = expected;
            sorted.sort();
            EXPECT_EQ(comments, sorted);
        }
    }
}

TEST_F(ExtractOggE2E, AFailedTrackIsSaidWithTheSystemsReasonAndTheJobGoesOn)
{
    TJobEngine engine(TJobKind::Extract, handle, kItems, view);
    {
        // The 3 s track's WAV (529 244 bytes) cannot be written; the others fit.
        ScopedFileSizeLimit limit(500000);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view, 120000));
    }
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(engine.OggCount(), 3);
    EXPECT_EQ(engine.Summary().items()[1].Outcome, TItemOutcome::Failed);
    EXPECT_EQ(engine.Summary().items()[1].Reason,
              QStringLiteral("cannot write a temporary file in %1: File too large").arg(outDir));
    EXPECT_EQ(oggInfoComplaint(out(QStringLiteral("First.ogg"))), "");
    EXPECT_EQ(oggInfoComplaint(out(QStringLiteral("Third.ogg"))), "");
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("First.ogg"), QStringLiteral("Third.ogg")}));
}

} // namespace
