// The disc image generator: track specs, reproducible output, the title section,
// and its images checked by libcdio's own cd-info.
#include "cdaccess/cdio_access.h"
#include "disc_image_writer.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using discgen::Signal;
using discgen::TrackSpec;

TEST(Discgen, ParsesTrackSpecs)
{
    struct Case {
        QString text;
        bool ok;
        std::int32_t frames = 0;
        Signal signal = Signal::Silence;
        double frequency = 0;
        std::uint32_t seed = 0;
    };
    const Case cases[] = {
        {QStringLiteral("5s:tone:440"), true, 375, Signal::Tone, 440, 0},
        {QStringLiteral("3.2s:noise:7"), true, 240, Signal::Noise, 0, 7},
        {QStringLiteral("2s:silence"), true, 150, Signal::Silence, 0, 0},
        {QStringLiteral("100:tone:1000.5"), true, 100, Signal::Tone, 1000.5, 0},
        {QStringLiteral("1f:SILENCE"), true, 1, Signal::Silence, 0, 0},
        {QStringLiteral("0.01s:silence"), true, 1, Signal::Silence, 0, 0}, // 0.75 frames rounds up
        {QStringLiteral("0s:silence"), false},
        {QStringLiteral("0.001s:silence"), false},
        {QStringLiteral("-5s:silence"), false},
        {QStringLiteral("81m:silence"), false},
        {QStringLiteral("4801s:silence"), false}, // longer than 80 minutes
        {QStringLiteral("5s"), false},
        {QStringLiteral("5s:tone"), false},
        {QStringLiteral("5s:tone:0"), false},
        {QStringLiteral("5s:tone:30000"), false},
        {QStringLiteral("5s:noise:x"), false},
        {QStringLiteral("5s:silence:3"), false},
        {QStringLiteral("5s:square:3"), false},
        {QStringLiteral("nans:silence"), false},
    };
    for (const Case& c : cases) {
        QString error;
        const auto track = discgen::ParseTrackSpec(c.text, &error);
        ASSERT_EQ(track.has_value(), c.ok) << c.text.toStdString();
        if (!c.ok) {
            EXPECT_FALSE(error.isEmpty()) << c.text.toStdString();
            continue;
        }
        EXPECT_EQ(track->frames, c.frames) << c.text.toStdString();
        EXPECT_EQ(track->signal, c.signal) << c.text.toStdString();
        EXPECT_EQ(track->frequency, c.frequency) << c.text.toStdString();
        EXPECT_EQ(track->seed, c.seed) << c.text.toStdString();
    }
}

TEST(Discgen, SignalsLookRight)
{
    const QByteArray tone = discgen::TrackAudio({75, Signal::Tone, 441, 0});
    ASSERT_EQ(tone.size(), 75 * kSectorSize);
    auto sample = [](const QByteArray& a, qsizetype index) {
        return std::int16_t(std::uint8_t(a[index * 2]) | (std::uint8_t(a[index * 2 + 1]) << 8));
    };
    // 441 Hz at 44100 Hz: 100 samples per period; left starts at 0, right at the peak.
    EXPECT_EQ(sample(tone, 0), 0);
    EXPECT_EQ(sample(tone, 1), 16000);
    EXPECT_EQ(sample(tone, 2 * 25), 16000); // left, a quarter period on
    EXPECT_EQ(sample(tone, 2 * 100 + 1), 16000);

    EXPECT_EQ(discgen::TrackAudio({2, Signal::Silence, 0, 0}), QByteArray(2 * kSectorSize, '\0'));

    const QByteArray a = discgen::TrackAudio({10, Signal::Noise, 0, 7});
    EXPECT_EQ(a, discgen::TrackAudio({10, Signal::Noise, 0, 7})) << "same seed, same bytes";
    EXPECT_NE(a, discgen::TrackAudio({10, Signal::Noise, 0, 8}));
    EXPECT_NE(a.left(kSectorSize), a.mid(kSectorSize, kSectorSize));
}

class DiscgenTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Runs quillon-discgen in the test folder; returns its exit code.
    int run(const QStringList& args, QString* output = nullptr)
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(quillon::test::binDir() + QStringLiteral("/quillon-discgen"), args);
        if (!p.waitForFinished(60000))
            return -1;
        if (output)
            *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

TEST_F(DiscgenTool, WritesTheSameImageEveryTime)
{
    const QStringList tracks = {QStringLiteral("5s:tone:440"), QStringLiteral("3.2s:noise:7"),
                                QStringLiteral("2s:silence")};
    QString out;
    ASSERT_EQ(run(QStringList{QStringLiteral("a.cue")} + tracks, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Disc key: 4879"))) << out.toStdString();
    ASSERT_EQ(run(QStringList{QStringLiteral("b.cue")} + tracks), 0);
    const QByteArray bin = quillon::test::readFile(path("a.bin"));
    EXPECT_EQ(bin.size(), (375 + 240 + 150) * kSectorSize);
    EXPECT_EQ(bin, quillon::test::readFile(path("b.bin")));
    QByteArray expected;
    expected += discgen::TrackAudio({375, Signal::Tone, 440, 0});
    expected += discgen::TrackAudio({240, Signal::Noise, 0, 7});
    expected += discgen::TrackAudio({150, Signal::Silence, 0, 0});
    EXPECT_EQ(bin, expected) << "the tool and the library write the same audio";
    EXPECT_EQ(quillon::test::readFile(path("a.cue")),
              QByteArray("FILE \"a.bin\" BINARY\n"
                         "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                         "  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n"
                         "  TRACK 03 AUDIO\n    INDEX 01 00:08:15\n"));
}

// The extras of verification tests: audio before track 1's INDEX 01, one
// changed sample, and the whole disc shifted as a drive with an offset reads it.
TEST_F(DiscgenTool, PregapChangedSampleAndShift)
{
    const TrackSpec pregap{30, Signal::Noise, 0, 3};
    const TrackSpec one{75, Signal::Tone, 440, 0};
    const TrackSpec two{40, Signal::Noise, 0, 9};
    QByteArray plain =
        discgen::TrackAudio(pregap) + discgen::TrackAudio(one) + discgen::TrackAudio(two);
    QByteArray changed = plain;
    changed[(30 + 75) * kSectorSize + 100 * 4] ^= 1; // track 2, sample 100, left low byte
    struct Case {
        QStringList options;
        QByteArray bin;
    } const cases[] = {
        {{QStringLiteral("--change"), QStringLiteral("2:100")}, changed},
        {{QStringLiteral("--shift"), QStringLiteral("667")},
         QByteArray(667 * 4, '\0') + plain.chopped(667 * 4)},
        {{QStringLiteral("--shift"), QStringLiteral("-6")}, plain.mid(24) + QByteArray(24, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(u' ').toStdString());
        QString out;
        ASSERT_EQ(run(QStringList{QStringLiteral("p.cue"), QStringLiteral("75:tone:440"),
                                  QStringLiteral("40:noise:9"), QStringLiteral("--pregap"),
                                  QStringLiteral("30:noise:3")} +
                          c.options,
                      &out),
                  0)
            << out.toStdString();
        EXPECT_EQ(quillon::test::readFile(path("p.bin")), c.bin);
        EXPECT_EQ(quillon::test::readFile(path("p.cue")),
                  QByteArray("FILE \"p.bin\" BINARY\n"
                             "  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:00:30\n"
                             "  TRACK 02 AUDIO\n    INDEX 01 00:01:30\n"));
    }
    for (const QStringList& bad :
         {QStringList{QStringLiteral("--change"), QStringLiteral("3:0")},
          QStringList{QStringLiteral("--change"), QStringLiteral("1:44100")},
          QStringList{QStringLiteral("--change"), QStringLiteral("x")},
          QStringList{QStringLiteral("--shift"), QStringLiteral("1e3")},
          QStringList{QStringLiteral("--shift"), QStringLiteral("-999999")}}) {
        QString out;
        EXPECT_NE(run(QStringList{QStringLiteral("q.cue"), QStringLiteral("75:tone:440"),
                                  QStringLiteral("40:noise:9")} +
                          bad,
                      &out),
                  0)
            << bad.join(u' ').toStdString();
        EXPECT_FALSE(QFile::exists(path("q.cue")));
    }
}

TEST_F(DiscgenTool, RejectsBadArguments)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("x.cue")},
        {QStringLiteral("x.cue"), QStringLiteral("5s:wobble")},
        {QStringLiteral("x.cue"), QStringLiteral("5s:silence"), QStringLiteral("--genre"),
         QStringLiteral("200")},
        {QStringLiteral("x.cue"), QStringLiteral("5s:silence"), QStringLiteral("--titles")},
        {QStringLiteral("x.cue"), QStringLiteral("5s:silence"), QStringLiteral("--title"),
         QStringLiteral("a"), QStringLiteral("--title"), QStringLiteral("b")},
    };
    for (const QStringList& args : cases) {
        QString out;
        EXPECT_EQ(run(args, &out), 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("usage"))) << out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("x.cue")));
    QString out;
    EXPECT_EQ(run({QStringLiteral("--help")}, &out), 0) << "asked for, the usage is no error";
    EXPECT_TRUE(out.startsWith(QStringLiteral("usage"))) << out.toStdString();
    EXPECT_EQ(run({path("no/such/folder/x.cue"), QStringLiteral("1s:silence")}, &out), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("Unable to write"))) << out.toStdString();
}

TEST_F(DiscgenTool, TitlesGoIntoTheDiscSection)
{
    const QString ini = path("cdinfo.dat");
    ASSERT_TRUE(quillon::test::writeFile(ini,
                                         "[1234]\nArtist=Other\n\n[4879]\nArtist=Old\n1=Old title\n"
                                         "[999]\nAlbum=Kept\n"));
    QString out;
    ASSERT_EQ(
        run({QStringLiteral("d.cue"), QStringLiteral("5s:tone:440"), QStringLiteral("3.2s:noise:7"),
             QStringLiteral("2s:silence"), QStringLiteral("--titles"), ini,
             QStringLiteral("--artist"), QStringLiteral("Demo Band"), QStringLiteral("--album"),
             QStringLiteral("Test Tones"), QStringLiteral("--year"), QStringLiteral("2024"),
             QStringLiteral("--genre"), QStringLiteral("9"), QStringLiteral("--comment"),
             QStringLiteral("line one\nline two"), QStringLiteral("--title"),
             QStringLiteral("A = B")},
            &out),
        0)
        << out.toStdString();
    EXPECT_EQ(quillon::test::readFile(ini),
              QByteArray("[1234]\nArtist=Other\n\n[999]\nAlbum=Kept\n\n"
                         "[4879]\nArtist=Demo Band\nAlbum=Test Tones\n"
                         "Year=2024\nGenre=9\nComment=line one line two\n"
                         "TrackNumber=3\n1=A = B\n2=Noise 7\n3=Silence\n"));
}

// libcdio's own cd-info lists the same track starts and lead-out as our TOC:
// the addresses the CDDB disc id is computed from.
TEST_F(DiscgenTool, TocAgreesWithCdInfo)
{
    if (!quillon::test::haveProgram(QStringLiteral("cd-info")))
        GTEST_SKIP() << "cd-info (libcdio-utils) is not installed";
    const QString cue = path("c.cue");
    const QList<TrackSpec> tracks = {{300, Signal::Tone, 440, 0},
                                     {4 * 4500 + 17, Signal::Silence, 0, 0},
                                     {1, Signal::Noise, 0, 1},
                                     {800, Signal::Tone, 220, 0}};
    ASSERT_TRUE(discgen::WriteCueBin(cue, tracks));

    QProcess p;
    p.start(QStringLiteral("cd-info"),
            {QStringLiteral("--no-header"), QStringLiteral("--no-device-info"),
             QStringLiteral("--no-analyze"), QStringLiteral("--cue-file"), cue});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString listing = QString::fromUtf8(p.readAllStandardOutput());
    // "  2: 00:06:00  000300 audio ..." and "170: 04:08:17  018317 leadout ..."
    static const QRegularExpression row(
        QStringLiteral(R"(^\s*(\d+): (\d\d):(\d\d):(\d\d)\s+(\d+) (\w+))"),
        QRegularExpression::MultilineOption);
    std::vector<std::array<int, 3>> theirs; // number, absolute frames, LSN
    for (auto it = row.globalMatch(listing); it.hasNext();) {
        const auto m = it.next();
        const int frames =
            (m.captured(2).toInt() * 60 + m.captured(3).toInt()) * 75 + m.captured(4).toInt();
        theirs.push_back({m.captured(1).toInt(), frames, m.captured(5).toInt()});
    }
    ASSERT_EQ(theirs.size(), 5u) << listing.toStdString();

    TCdioAccess cd;
    const HCDROM h = cd.GetCDHandle(quillon::test::imageDrive(cue));
    ASSERT_NE(h, 0u);
    TTOC toc;
    ASSERT_TRUE(cd.ReadTOC(h, toc));
    ASSERT_EQ(toc.Entries.size(), theirs.size());
    for (std::size_t k = 0; k < theirs.size(); ++k) {
        EXPECT_EQ(toc.Entries[k].TrackNumber, theirs[k][0]) << k;
        EXPECT_EQ(toc.Entries[k].MsfFrames(), theirs[k][1]) << k;
        EXPECT_EQ(toc.Entries[k].Lba(), theirs[k][2]) << k;
    }
    cd.CloseCDHandle(h);
}

} // namespace
