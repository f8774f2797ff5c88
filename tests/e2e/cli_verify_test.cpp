// quillon verify and quillon offset --find on generated disc images, with
// AccurateRip and the CTDB played by a server on 127.0.0.1 that answers what
// the disc generator says the intact disc holds.
#include "cli_disc_fixture.h"
#include "disc_image_writer.h"
#include "support/verify_db_server.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace quillon::test;

namespace {

using discgen::Signal;

struct CliVerifyE2E : CliDiscE2E {
    QString outDir;
    std::unique_ptr<VerifyDbServer> databases;

    void SetUp() override
    {
        if (!QFile::exists(binDir() + QStringLiteral("/quillon")))
            GTEST_SKIP() << "quillon is not built";
        home = work.filePath(QStringLiteral("home"));
        outDir = work.filePath(QStringLiteral("out"));
        QDir().mkpath(home);
        databases = std::make_unique<VerifyDbServer>();
        writeOptions({});
    }
    // options.ini: the databases here, and more [Verify] lines.
    void writeOptions(const QString& more)
    {
        ASSERT_TRUE(
            writeFile(home + QStringLiteral("/options.ini"),
                      (QStringLiteral("[Verify]\n") + databases->iniLines() + more).toUtf8()));
    }
    // The disc as the drive delivers it; the databases know the intact one.
    void writeDisc(const discgen::DiscSpec& spec, bool inDatabase = true)
    {
        cue = work.filePath(QStringLiteral("disc.cue"));
        QString error;
        ASSERT_TRUE(discgen::WriteCueBin(cue, spec, &error)) << error.toStdString();
        databases->know(spec, inDatabase);
    }
    // The intact disc shifted by shift samples, with one sample of changedTrack
    // (when not 0) flipped; the output folder emptied.
    void writeCaseDisc(int shift, int changedTrack)
    {
        discgen::DiscSpec spec = VerifiableDisc();
        spec.shift = shift;
        if (changedTrack)
            spec.changes.append({changedTrack, 30000});
        writeDisc(spec);
        QDir(outDir).removeRecursively();
    }
    int run(const QStringList& args, QString* out, QString* err) const
    {
        return quillon(args + QStringList{QStringLiteral("--cd-image"), cue}, out, err);
    }
    int verify(const QStringList& more, QString* out, QString* err = nullptr) const
    {
        QString e;
        const int code =
            run(QStringList{QStringLiteral("verify"), QStringLiteral("--output"), outDir} + more,
                out, &e);
        if (err)
            *err = e;
        return code;
    }
};

QString resultLines(const QString& out)
{
    QStringList lines;
    for (const QString& l : out.split(QLatin1Char('\n'))) {
        if (l.startsWith(QLatin1String("Track ")) || l.startsWith(QLatin1String("CTDB:")))
            lines << l;
    }
    return lines.join(QLatin1Char('\n'));
}

TEST_F(CliVerifyE2E, IntactChangedAndShiftedImages)
{
    const QString accurate3 =
        QStringLiteral("Track 01  accurately ripped (confidence 12)\n"
                       "Track 02  accurately ripped (confidence 12)\n"
                       "Track 03  accurately ripped (confidence 12)\n"
                       "CTDB: disc CRC %1 accurately ripped (confidence 7 of 7)");
    struct Case {
        const char* name;
        std::int64_t shift;
        int changedTrack;
        QStringList args;
        int exitCode;
        QString results; // the track and CTDB lines; %1 is the disc CRC
        QString notes;   // a line that must be there too
    } const cases[] = {
        {"intact", 0, 0, {}, 0, accurate3, {}},
        {"one sample changed in track 2: read again, still wrong",
         0,
         2,
         {},
         1,
         QStringLiteral("Track 01  accurately ripped (confidence 12)\n"
                        "Track 02  not accurately ripped\n"
                        "Track 03  accurately ripped (confidence 12)\n"
                        "CTDB: disc CRC %1 differs"),
         QStringLiteral("  read again securely after a mismatch: copy CRC ")},
        {"shifted 667 samples, read with that offset",
         667,
         0,
         {QStringLiteral("--offset"), QStringLiteral("667")},
         0,
         accurate3,
         {}},
        {"shifted 667 samples, read without an offset",
         667,
         0,
         {},
         1,
         QStringLiteral("Track 01  not accurately ripped\n"
                        "Track 02  not accurately ripped\n"
                        "Track 03  not accurately ripped\n"
                        "CTDB: disc CRC %1 differs"),
         {}},
        {"burst, shifted -5 samples, read with that offset",
         -5,
         0,
         {QStringLiteral("--read-mode"), QStringLiteral("burst"), QStringLiteral("--offset"),
          QStringLiteral("-5")},
         0,
         accurate3,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeCaseDisc(c.shift, c.changedTrack);
        if (HasFatalFailure())
            return;
        QString out;
        QString err;
        EXPECT_EQ(verify(c.args, &out, &err), c.exitCode) << err.toStdString();
        const QString results = resultLines(out);
        const QString crc = results.section(QStringLiteral("disc CRC "), 1).left(8);
        EXPECT_EQ(results, c.results.arg(crc)) << out.toStdString();
        EXPECT_TRUE(out.contains(c.notes)) << out.toStdString();
        if (c.exitCode != 0) {
            EXPECT_TRUE(err.contains(QStringLiteral("tracks that did not verify")))
                << err.toStdString();
        }
        // The log is there, complete, with the same result lines.
        const QString log = QString::fromUtf8(readFile(outDir + QStringLiteral("/Rip.log")));
        for (const QString& line : results.split(QLatin1Char('\n')).mid(0, 3))
            EXPECT_TRUE(log.contains(line)) << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("No read errors")));
        // An image reads without a word from the drive (paranoia's chatter
        // and its cache probe past the disc's end are no news).
        EXPECT_FALSE(log.contains(QStringLiteral("Drive says"))) << log.toStdString();
        EXPECT_EQ(QDir(outDir).entryList(QDir::Files), QStringList{QStringLiteral("Rip.log")});
    }
}

// extract reads through the same verification: the files are made
// whatever the result, the log lies beside them, and a track that did not
// verify makes the exit status 1.
TEST_F(CliVerifyE2E, ExtractVerifiesEveryTrackAndLogsBesideTheFiles)
{
    const QString wavs = QStringLiteral("Track01.wav,Track02.wav,Track03.wav");
    struct Case {
        const char* name;
        std::int64_t shift;
        int changedTrack;
        QStringList args;
        int exitCode;
        QString results; // the track lines
        QString inLog;   // a line the log holds too
    } const cases[] = {
        {"intact",
         0,
         0,
         {},
         0,
         QStringLiteral("Track 01  accurately ripped (confidence 12)\n"
                        "Track 02  accurately ripped (confidence 12)\n"
                        "Track 03  accurately ripped (confidence 12)\n"
                        "CTDB: disc CRC %1 accurately ripped (confidence 7 of 7)"),
         QStringLiteral("Track01.wav")},
        {"one sample changed in track 2",
         0,
         2,
         {QStringLiteral("--verify")},
         1,
         QStringLiteral("Track 01  accurately ripped (confidence 12)\n"
                        "Track 02  not accurately ripped\n"
                        "Track 03  accurately ripped (confidence 12)\n"
                        "CTDB: disc CRC %1 differs"),
         QStringLiteral("Read again in secure mode after a mismatch")},
        {"shifted, with the offset",
         667,
         0,
         {QStringLiteral("--offset"), QStringLiteral("667")},
         0,
         QStringLiteral("Track 01  accurately ripped (confidence 12)\n"
                        "Track 02  accurately ripped (confidence 12)\n"
                        "Track 03  accurately ripped (confidence 12)\n"
                        "CTDB: disc CRC %1 accurately ripped (confidence 7 of 7)"),
         QStringLiteral("Read offset")},
        {"shifted, without the offset",
         667,
         0,
         {},
         1,
         QStringLiteral("Track 01  not accurately ripped\n"
                        "Track 02  not accurately ripped\n"
                        "Track 03  not accurately ripped\n"
                        "CTDB: disc CRC %1 differs"),
         {}},
    };
    writeOptions(QStringLiteral("CueSheet=1\n"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeCaseDisc(c.shift, c.changedTrack);
        if (HasFatalFailure())
            return;
        QString out;
        QString err;
        EXPECT_EQ(run(QStringList{QStringLiteral("extract"), QStringLiteral("--format"),
                                  QStringLiteral("wav"), QStringLiteral("--output"), outDir} +
                          c.args,
                      &out, &err),
                  c.exitCode)
            << err.toStdString();
        const QString results = resultLines(out);
        const QString crc = results.section(QStringLiteral("disc CRC "), 1).left(8);
        EXPECT_EQ(results, c.results.arg(crc)) << out.toStdString() << err.toStdString();
        // Every file is made, and nothing half-made or temporary is left.
        EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u','),
                  QStringLiteral("Rip.cue,Rip.log,") + wavs);
        QStringList fileLines;
        for (const QByteArray& line : readFile(outDir + QStringLiteral("/Rip.cue")).split('\n')) {
            if (line.startsWith("FILE "))
                fileLines << QString::fromUtf8(line);
        }
        EXPECT_EQ(fileLines.join(u','),
                  QStringLiteral("FILE \"Track01.wav\" WAVE,FILE \"Track02.wav\" "
                                 "WAVE,FILE \"Track03.wav\" WAVE"));
        const QString log = QString::fromUtf8(readFile(outDir + QStringLiteral("/Rip.log")));
        EXPECT_TRUE(log.contains(c.inLog)) << log.toStdString();
        EXPECT_TRUE(log.contains(results.section(QLatin1Char('\n'), 1, 1)));
    }
}

TEST_F(CliVerifyE2E, OffsetFindFindsTheShiftOfAKnownDisc)
{
    struct Case {
        std::int64_t shift;
        bool inDatabase;
        int exitCode;
        QString says; // on standard output, or standard error when failing
    } const cases[] = {
        {667, true, 0, QStringLiteral("Read offset: +667 samples (3 of 3 tracks agree)")},
        {-1200, true, 0, QStringLiteral("Read offset: -1200 samples (3 of 3 tracks agree)")},
        {0, true, 0, QStringLiteral("Read offset: 0 samples")},
        {6, false, 1, QStringLiteral("not in the AccurateRip database")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shift);
        discgen::DiscSpec spec = VerifiableDisc();
        spec.shift = c.shift;
        writeDisc(spec, c.inDatabase);
        QString out;
        QString err;
        EXPECT_EQ(run({QStringLiteral("offset"), QStringLiteral("--find")}, &out, &err),
                  c.exitCode);
        EXPECT_TRUE((c.exitCode == 0 ? out : err).contains(c.says))
            << out.toStdString() << err.toStdString();
    }
}

TEST_F(CliVerifyE2E, DiscInNoDatabaseIsReadTwiceAndAnExistingLogIsKept)
{
    writeDisc(VerifiableDisc(), false);
    ASSERT_TRUE(QDir().mkpath(outDir));
    ASSERT_TRUE(writeFile(outDir + QStringLiteral("/Rip.log"), "an older log"));
    QString out;
    EXPECT_EQ(verify({}, &out), 0);
    EXPECT_EQ(resultLines(out), QStringLiteral("Track 01  not in database\n"
                                               "Track 02  not in database\n"
                                               "Track 03  not in database\n"
                                               "CTDB: disc not in database"));
    EXPECT_EQ(out.count(QStringLiteral("read twice (test and copy)")), 3);
    EXPECT_FALSE(out.contains(QStringLiteral("differs")));
    EXPECT_EQ(readFile(outDir + QStringLiteral("/Rip.log")), "an older log");
    const QString log = QString::fromUtf8(readFile(outDir + QStringLiteral("/Rip (2).log")));
    EXPECT_TRUE(log.contains(QStringLiteral("Test CRC"))) << log.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Rip (2).log")));
}

} // namespace

TEST_F(CliVerifyE2E, AudioBeforeTrackOneIsNamedAndRippedAsTrackZeroWhenAsked)
{
    discgen::DiscSpec spec = VerifiableDisc();
    spec.pregap = discgen::TrackSpec{150, Signal::Tone, 440};
    writeDisc(spec);
    writeOptions(QStringLiteral("RipHiddenTrack=1\n"));
    QString out;
    QString err;
    EXPECT_EQ(verify({}, &out, &err), 0) << err.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("accurately ripped (confidence 12)")), 3)
        << out.toStdString();
    const QString log = QString::fromUtf8(readFile(outDir + QStringLiteral("/Rip.log")));
    EXPECT_TRUE(log.contains(QStringLiteral("00:02.00 of audio before track 1, ripped as track 0")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Track 00 (hidden track one audio)")));
    EXPECT_TRUE(log.contains(QStringLiteral("CTDB TOC:           150:750:1270:1750")));
}

// extract rips the audio before track 1 as its own track 0 when asked: a
// file numbered 00 with exactly those samples, in the log and the cue sheet
// as track 1's INDEX 00. Silence there makes no file and no fuss.
TEST_F(CliVerifyE2E, ExtractRipsAudioBeforeTrackOneAsTrackZero)
{
    struct Case {
        const char* name;
        Signal pregap;
        QString files; // what the output folder holds afterwards
    } const cases[] = {
        {"a tone before track 1", Signal::Tone,
         QStringLiteral("00 Hidden Track.wav,01 Track01.wav,02 Track02.wav,03 Track03.wav,"
                        "Rip.cue,Rip.log")},
        {"silence before track 1", Signal::Silence,
         QStringLiteral("01 Track01.wav,02 Track02.wav,03 Track03.wav,Rip.cue,Rip.log")},
    };
    writeOptions(QStringLiteral("CueSheet=1\nRipHiddenTrack=1\n"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        discgen::DiscSpec spec = VerifiableDisc();
        spec.pregap = discgen::TrackSpec{150, c.pregap, 440};
        writeDisc(spec);
        QDir(outDir).removeRecursively();
        QString out;
        QString err;
        EXPECT_EQ(run({QStringLiteral("extract"), QStringLiteral("--format"), QStringLiteral("wav"),
                       QStringLiteral("--name-template"), QStringLiteral("%track% %title%"),
                       QStringLiteral("--output"), outDir},
                      &out, &err),
                  0)
            << out.toStdString() << err.toStdString();
        // A clean job: not a word about an item that made nothing.
        EXPECT_FALSE(err.contains(QStringLiteral("tracks made"))) << err.toStdString();
        EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u','),
                  c.files);
        EXPECT_EQ(out.count(QStringLiteral("accurately ripped (confidence 12)")), 3)
            << out.toStdString();
        const QString log = QString::fromUtf8(readFile(outDir + QStringLiteral("/Rip.log")));
        const QByteArray cueSheet = readFile(outDir + QStringLiteral("/Rip.cue"));
        if (c.pregap == Signal::Silence) {
            EXPECT_TRUE(log.contains(QStringLiteral("00:02.00 of silence before track 1")))
                << log.toStdString();
            EXPECT_FALSE(cueSheet.contains("INDEX 00")) << cueSheet.toStdString();
            continue;
        }
        const QByteArray wav = readFile(outDir + QStringLiteral("/00 Hidden Track.wav"));
        EXPECT_TRUE(wav.mid(44) == discgen::TrackAudio(*spec.pregap)) << wav.size();
        EXPECT_TRUE(log.contains(QStringLiteral("00:02.00 of audio before track 1, ripped as "
                                                "track 0")))
            << log.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("Track 00 (hidden track one audio)\n"
                                                "  File:             00 Hidden Track.wav")))
            << log.toStdString();
        EXPECT_TRUE(cueSheet.contains("FILE \"00 Hidden Track.wav\" WAVE\n"
                                      "  TRACK 01 AUDIO\n"))
            << cueSheet.toStdString();
        EXPECT_TRUE(cueSheet.contains("    INDEX 00 00:00:00\n"
                                      "FILE \"01 Track01.wav\" WAVE\n"
                                      "    INDEX 01 00:00:00\n"))
            << cueSheet.toStdString();
    }
}
