// The libcdio implementation on generated disc images.
#include "cdaccess/cdio_access.h"
#include "disc_image_writer.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

namespace {

using discgen::Signal;
using discgen::TrackSpec;
using quillon::test::imageDrive;
using quillon::test::readRequest;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

class CdioImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_tracks = {
            {5 * kFramesPerSecond, Signal::Tone, 440, 0},
            {240, Signal::Noise, 0, 7}, // 3.2 s
            {1, Signal::Silence, 0, 0}, // the shortest track there is
            {2 * kFramesPerSecond + 13, Signal::Tone, 1000, 0},
        };
        m_cue = m_dir.filePath(QStringLiteral("disc.cue"));
        QString error;
        ASSERT_TRUE(discgen::WriteCueBin(m_cue, m_tracks, &error)) << error.toStdString();
        for (const TrackSpec& t : m_tracks)
            m_audio += discgen::TrackAudio(t);
    }

    HCDROM open()
    {
        const HCDROM h = m_cd.GetCDHandle(imageDrive(m_cue));
        EXPECT_NE(h, 0u) << m_cd.LastErrorText().toStdString();
        return h;
    }

    QTemporaryDir m_dir;
    QList<TrackSpec> m_tracks;
    QString m_cue;
    QByteArray m_audio; // the whole disc as the generator made it
    TCdioAccess m_cd;
};

TEST_F(CdioImage, TocMatchesTheGeneratedTracks)
{
    const HCDROM h = open();
    EXPECT_TRUE(m_cd.ModifyCDParms(h, kCDParmAddressMode, kAddressModeMsf));
    EXPECT_TRUE(m_cd.IsMsfMode(h));
    TTOC toc;
    ASSERT_TRUE(m_cd.ReadTOC(h, toc)) << m_cd.LastErrorText().toStdString();
    EXPECT_EQ(toc.FirstTrack, 1);
    EXPECT_EQ(toc.LastTrack, 4);
    ASSERT_EQ(toc.TrackCount(), 4);
    std::int32_t lba = 0;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(toc.Entries[k].TrackNumber, k + 1);
        EXPECT_EQ(toc.Entries[k].Lba(), lba) << "track " << k + 1;
        EXPECT_TRUE(toc.Entries[k].IsAudio());
        lba += m_tracks[k].frames;
    }
    EXPECT_EQ(toc.Entries[4].TrackNumber, 0xAA);
    EXPECT_EQ(toc.Entries[4].Lba(), lba);
    // Track 2 starts at LBA 375: absolute 525 frames = 00:07:00.
    EXPECT_EQ(toc.Entries[1].Minute, 0);
    EXPECT_EQ(toc.Entries[1].Second, 7);
    EXPECT_EQ(toc.Entries[1].Frame, 0);
    EXPECT_TRUE(AudioCDPresent(toc));
    // The key from the drive equals the key the generator wrote titles under.
    EXPECT_EQ(DiscKeyFromTOC(toc), DiscKeyFromTOC(discgen::TocOfTracks(m_tracks)));
    EXPECT_TRUE(m_cd.CloseCDHandle(h));
}

TEST_F(CdioImage, SectorsEqualTheGeneratedAudio)
{
    const HCDROM h = open();
    std::int32_t start = 0;
    for (const TrackSpec& t : m_tracks) {
        const std::int32_t last = start + t.frames - 1;
        for (std::int32_t sector : {start, last}) {
            TTRACKBUF buf = readRequest(sector, 1);
            ASSERT_TRUE(m_cd.ReadCDAudioLBA(h, buf))
                << sector << ": " << m_cd.LastErrorText().toStdString();
            EXPECT_EQ(buf.Status, kReadStatusOk);
            EXPECT_EQ(buf.Len, kSectorSize);
            EXPECT_EQ(buf.Buf.mid(buf.StartOffset, buf.Len),
                      m_audio.mid(qsizetype(sector) * kSectorSize, kSectorSize))
                << "sector " << sector;
        }
        start += t.frames;
    }
    // One read across the track boundaries.
    TTRACKBUF buf = readRequest(370, 10);
    ASSERT_TRUE(m_cd.ReadCDAudioLBA(h, buf));
    EXPECT_EQ(buf.Buf, m_audio.mid(370 * kSectorSize, 10 * kSectorSize));
}

TEST_F(CdioImage, ReadsOutsideTheDiscFail)
{
    const HCDROM h = open();
    const std::int32_t end = std::int32_t(m_audio.size() / kSectorSize);
    struct Case {
        std::int32_t start, count;
        bool ok;
        int error;
    };
    const Case cases[] = {
        {end - 10, 10, true, CDERR_NONE},      {end - 9, 10, false, CDERR_RANGE},
        {end, 1, false, CDERR_RANGE},          {end + 1000, 1, false, CDERR_RANGE},
        {-1, 1, false, CDERR_BAD_PARAMETER},   {0, 0, false, CDERR_BAD_PARAMETER},
        {0x7ffffff0, 100, false, CDERR_RANGE},
    };
    for (const Case& c : cases) {
        TTRACKBUF buf = readRequest(c.start, std::max(c.count, 1));
        buf.NumFrames = c.count;
        EXPECT_EQ(m_cd.ReadCDAudioLBA(h, buf), c.ok) << c.start << "+" << c.count;
        EXPECT_EQ(m_cd.GetAspiLibError(), c.error) << c.start << "+" << c.count;
        EXPECT_EQ(buf.Status, c.ok ? kReadStatusOk : kReadStatusError);
        if (!c.ok) {
            EXPECT_EQ(buf.Len, 0);
        }
    }
    // A buffer the caller made too small is grown, never overrun.
    TTRACKBUF small = readRequest(0, 4);
    small.Buf.resize(10);
    ASSERT_TRUE(m_cd.ReadCDAudioLBA(h, small));
    EXPECT_EQ(small.Buf.left(small.Len), m_audio.left(4 * kSectorSize));
}

TEST_F(CdioImage, HandlesAreSeparateAndCloseOnce)
{
    const HCDROM a = open();
    const HCDROM b = open();
    ASSERT_NE(a, b);
    EXPECT_TRUE(m_cd.ModifyCDParms(a, kCDParmAddressMode, kAddressModeMsf));
    EXPECT_FALSE(m_cd.IsMsfMode(b));
    EXPECT_FALSE(m_cd.ModifyCDParms(a, 7, 1));
    EXPECT_EQ(m_cd.GetAspiLibError(), CDERR_BAD_PARAMETER);
    EXPECT_FALSE(m_cd.EjectMedia(a)) << "an image has no tray";
    EXPECT_EQ(m_cd.GetAspiLibError(), CDERR_TRAY);
    EXPECT_FALSE(m_cd.CloseTray(a));
    EXPECT_TRUE(m_cd.CloseCDHandle(a));
    EXPECT_FALSE(m_cd.CloseCDHandle(a));
    EXPECT_EQ(m_cd.GetAspiLibError(), CDERR_BAD_HANDLE);
    TTOC toc;
    EXPECT_FALSE(m_cd.ReadTOC(a, toc));
    TTRACKBUF buf = readRequest(0, 1);
    EXPECT_FALSE(m_cd.ReadCDAudioLBA(a, buf));
    EXPECT_FALSE(m_cd.ReadTOC(0, toc));
    EXPECT_TRUE(m_cd.ReadTOC(b, toc)) << "the other handle stays open";
    EXPECT_TRUE(m_cd.CloseCDHandle(b));
}

TEST_F(CdioImage, TwoThreadsReadOneHandle)
{
    const HCDROM h = open();
    std::atomic<int> mismatches{0};
    auto reader = [&](std::int32_t first) {
        for (std::int32_t s = first; s < first + 200; s += 5) {
            TTRACKBUF buf = readRequest(s, 5);
            if (!m_cd.ReadCDAudioLBA(h, buf) ||
                buf.Buf != m_audio.mid(qsizetype(s) * kSectorSize, 5 * kSectorSize))
                ++mismatches;
        }
    };
    std::thread rip(reader, 0);
    reader(300);
    rip.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_TRUE(m_cd.CloseCDHandle(h));
}

TEST_F(CdioImage, BrokenImagesFailCleanly)
{
    const QString garbage = m_dir.filePath(QStringLiteral("garbage.cue"));
    ASSERT_TRUE(quillon::test::writeFile(garbage, "this is not a cue sheet\n\x01\x02"));
    const QString orphan = m_dir.filePath(QStringLiteral("orphan.cue"));
    ASSERT_TRUE(quillon::test::writeFile(
        orphan, "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
    const QString empty = m_dir.filePath(QStringLiteral("empty.nrg"));
    ASSERT_TRUE(quillon::test::writeFile(empty, QByteArray()));
    // A FIFO would block the reader for good, as a sheet or as its data.
    const QString fifoCue = m_dir.filePath(QStringLiteral("fifo.cue"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifoCue).constData(), 0600), 0);
    const QString fifoData = m_dir.filePath(QStringLiteral("fifodata.cue"));
    ASSERT_TRUE(quillon::test::writeFile(
        fifoData, "FILE \"pipe.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
    ASSERT_EQ(
        mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("pipe.bin"))).constData(), 0600), 0);
    // Track numbers libcdio trusts as table positions: each of these made it
    // read or write outside its track table (the first one crashed it).
    const auto sheet = [&](const char* name, const QByteArray& text) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(quillon::test::writeFile(path, text));
        return path;
    };
    const QByteArray data = "FILE \"disc.bin\" BINARY\n";
    const QString lateFirst = sheet("late.cue", data + "TRACK 81 AUDIO\nINDEX 01 00:00:00\n");
    const QString gap = sheet("gap.cue", data + "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                                                "TRACK 03 AUDIO\nINDEX 01 00:00:10\n");
    QByteArray many = data;
    for (int t = 1; t <= 100; ++t)
        many += QByteArray("TRACK ") + QByteArray::number(t) + " AUDIO\nINDEX 01 00:00:00\n";
    const QString tooMany = sheet("many.cue", many);
    const QString fuzzed = sheet("fuzzed.cue", "\n  TRACK 081 AUDIO "); // as the fuzzer cut it
    sheet("beside.cue", data + "TRACK 02 AUDIO\nINDEX 01 00:00:00\n");
    const QString besideBin = sheet("beside.bin", QByteArray(kSectorSize, '\0'));
    const QString besideFifo = sheet("fifo.bin", QByteArray(kSectorSize, '\0'));
    // libcdio ends a file name at a NUL byte: this one names the FIFO.
    const QString nulName =
        sheet("nul.toc", QByteArray("CD_DA\nTRACK AUDIO\nAUDIOFILE \"pipe.bin\0x\" 0\n", 43));

    struct Case {
        QString path;
        int error;
        QString named; // the file the message names, when not the path
    };
    const Case cases[] = {
        {m_dir.filePath(QStringLiteral("missing.cue")), CDERR_NO_DRIVE, {}},
        {m_dir.path(), CDERR_NO_DRIVE, {}}, // a folder
        {garbage, CDERR_OPEN, {}},
        {orphan, CDERR_OPEN, {}},
        {empty, CDERR_OPEN, {}},
        {fifoCue, CDERR_NO_DRIVE, {}},
        {fifoData, CDERR_NO_DRIVE, m_dir.filePath(QStringLiteral("pipe.bin"))},
        {lateFirst, CDERR_OPEN, {}},
        {gap, CDERR_OPEN, {}},
        {tooMany, CDERR_OPEN, {}},
        {fuzzed, CDERR_OPEN, {}},
        {besideBin, CDERR_OPEN, m_dir.filePath(QStringLiteral("beside.cue"))},
        {besideFifo, CDERR_OPEN, fifoCue},
        {nulName, CDERR_NO_DRIVE, m_dir.filePath(QStringLiteral("pipe.bin"))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(m_cd.GetCDHandle(imageDrive(c.path)), 0u) << c.path.toStdString();
        EXPECT_EQ(m_cd.GetAspiLibError(), c.error) << c.path.toStdString();
        EXPECT_TRUE(m_cd.LastErrorText().contains(c.named.isEmpty() ? c.path : c.named))
            << m_cd.LastErrorText().toStdString();
    }
    EXPECT_TRUE(m_cd.GetCDHandle(imageDrive(gap)) == 0 &&
                m_cd.LastErrorText().contains(u"track 3 where track 2 belongs"))
        << m_cd.LastErrorText().toStdString();
    EXPECT_EQ(m_cd.GetCDHandle(TCDREC{}), 0u);
    EXPECT_EQ(m_cd.GetAspiLibError(), CDERR_NO_DRIVE);

    // A .bin cut short inside the last track: whatever libcdio makes of it, the
    // TOC never reaches past the data and reads past the data fail.
    const QString cutCue = m_dir.filePath(QStringLiteral("cut.cue"));
    QByteArray cue = quillon::test::readFile(m_cue);
    cue.replace("disc.bin", "cut.bin");
    ASSERT_TRUE(quillon::test::writeFile(cutCue, cue));
    const std::int32_t kept = 375 + 240 + 1 + 20;
    ASSERT_TRUE(quillon::test::writeFile(m_dir.filePath(QStringLiteral("cut.bin")),
                                         m_audio.left(kept * kSectorSize)));
    const HCDROM h = m_cd.GetCDHandle(imageDrive(cutCue));
    if (h != 0) {
        TTOC toc;
        if (m_cd.ReadTOC(h, toc)) {
            EXPECT_LE(toc.Entries.back().Lba(), kept);
        }
        TTRACKBUF buf = readRequest(kept, 1);
        EXPECT_FALSE(m_cd.ReadCDAudioLBA(h, buf));
        buf = readRequest(kept - 1, 1);
        EXPECT_TRUE(m_cd.ReadCDAudioLBA(h, buf)) << m_cd.LastErrorText().toStdString();
        m_cd.CloseCDHandle(h);
    }
}

TEST_F(CdioImage, DriveListShowsImagesAfterDevices)
{
    const QString second = m_dir.filePath(QStringLiteral("second.cue"));
    const QString missing = m_dir.filePath(QStringLiteral("missing.cue"));
    ScopedEnv env("QUILLON_CD_IMAGES", QFile::encodeName(m_cue + QLatin1Char(':') + missing +
                                                         QStringLiteral("::") + m_cue));
    AddImageDrives({second, m_cue});
    const std::vector<TCDREC> list = m_cd.GetCDList();
    std::vector<TCDREC> images;
    bool imageSeen = false;
    for (const TCDREC& rec : list) {
        EXPECT_FALSE(!rec.IsImage && imageSeen) << "physical drives come first";
        imageSeen = imageSeen || rec.IsImage;
        if (rec.IsImage)
            images.push_back(rec);
    }
    ASSERT_EQ(images.size(), 3u) << "environment first, repeats dropped";
    EXPECT_EQ(images[0].Device, m_cue);
    EXPECT_EQ(images[1].Device, missing);
    EXPECT_EQ(images[2].Device, second);
    EXPECT_EQ(images[0].Name(), QStringLiteral("Image disc.cue"));
    const HCDROM h = m_cd.GetCDHandle(images[0]);
    EXPECT_NE(h, 0u);
    EXPECT_TRUE(m_cd.CloseCDHandle(h));
    EXPECT_EQ(m_cd.GetCDHandle(images[1]), 0u)
        << "a listed image that is missing opens as a failure";
}

TEST(ImageArguments, TakenFromTheCommandLine)
{
    using namespace Qt::StringLiterals;
    struct Case {
        QStringList args, files, rest;
    };
    const Case cases[] = {
        {{}, {}, {}},
        {{u"quillon"_s}, {}, {u"quillon"_s}},
        {{u"quillon"_s, u"--cd-image"_s, u"a.cue"_s, u"-x"_s, u"--cd-image=b.toc"_s},
         {u"a.cue"_s, u"b.toc"_s},
         {u"quillon"_s, u"-x"_s}},
        {{u"quillon"_s, u"--cd-image"_s}, {}, {u"quillon"_s}},
        {{u"--cd-image"_s, u"--cd-image"_s}, {u"--cd-image"_s}, {}},
    };
    for (const Case& c : cases) {
        QStringList args = c.args;
        EXPECT_EQ(TakeImageDriveArguments(args), c.files) << c.args.join(u' ').toStdString();
        EXPECT_EQ(args, c.rest) << c.args.join(u' ').toStdString();
    }
}

} // namespace
