// The verifying read loop: offsets, silence outside the disc and failed
// sectors on the memory drive; paranoia on generated images through libcdio.
#include "cdaccess/cdio_access.h"
#include "cdaccess/disc_layout.h"
#include "cdaccess/hidden_track.h"
#include "cdaccess/secure_reader.h"
#include "disc_image_writer.h"
#include "support/memory_cd_drive.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using discgen::Signal;

// Audio of the disc's sectors [first, first + count) as a drive with this
// offset, corrected, gives it: disc sample k is the drive's sample k + offset,
// silence outside [0, audio end).
QByteArray shifted(const QByteArray& disc, std::int32_t first, std::int32_t count, int offset)
{
    QByteArray out(qsizetype(count) * kSectorSize, '\0');
    const std::int64_t from = std::int64_t(first) * kSamplesPerSector + offset;
    for (std::int64_t k = 0; k < std::int64_t(count) * kSamplesPerSector; ++k) {
        const std::int64_t at = (from + k) * 4;
        if (at >= 0 && at + 4 <= disc.size())
            std::copy_n(disc.constData() + at, 4, out.data() + k * 4);
    }
    return out;
}

struct Collected {
    QByteArray pcm;
    TReadReport report;
};

Collected readAll(ISectorSource& source, std::int32_t audioEnd, int offset, std::int32_t first,
                  std::int32_t count, const std::atomic<bool>* stop = nullptr)
{
    Collected c;
    TSecureReader reader(source, audioEnd, offset);
    c.report = reader.read(
        first, count,
        [&c](const char* pcm, std::size_t bytes) {
            c.pcm.append(pcm, qsizetype(bytes));
            return true;
        },
        stop);
    return c;
}

class MemoryDriveRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_disc = discgen::TrackAudio({750, Signal::Noise, 0, 11}); // 375 + 225 + 150 sectors
        m_drive.setDiscAudio(m_disc);
        m_handle = m_drive.GetCDHandle(m_drive.GetCDList().front());
        ASSERT_NE(m_handle, 0u);
    }

    quillon::test::MemoryCDDrive m_drive;
    QByteArray m_disc;
    HCDROM m_handle = 0;
};

TEST_F(MemoryDriveRead, OffsetsShiftTheAudioAndSilenceFillsBeyondTheDisc)
{
    struct Range {
        std::int32_t first, count;
    } const ranges[] = {{0, 375}, {375, 225}, {600, 150}, {10, 1}};
    for (int offset : {0, 6, -6, 294, -588, 588, 667, -1200, 1176, 30000}) {
        for (const Range& r : ranges) {
            SCOPED_TRACE(testing::Message()
                         << "offset " << offset << ", sectors " << r.first << "+" << r.count);
            auto source = m_drive.OpenSectorSource(m_handle, {});
            ASSERT_TRUE(source);
            const Collected c = readAll(*source, 750, offset, r.first, r.count);
            EXPECT_EQ(c.pcm, shifted(m_disc, r.first, r.count, offset));
            EXPECT_TRUE(c.report.isClean());
        }
    }
    // Never a read outside the disc.
    for (const auto& [start, count] : m_drive.reads()) {
        EXPECT_GE(start, 0);
        EXPECT_LE(start + count, 750);
    }
}

TEST_F(MemoryDriveRead, FailedSectorsBecomeCountedPositionedSilenceWithBoundedRetries)
{
    m_drive.failReadAt(100);
    m_drive.failReadAt(101);
    m_drive.failReadAt(300);
    struct Case {
        TSectorReadMode mode;
        int retries;
        int offset;
        std::vector<std::int32_t> positions; // disc sectors reported
        int readsOf100;                      // reads that included sector 100
    } const cases[] = {
        {TSectorReadMode::Burst, 20, 0, {100, 101, 300}, 2},
        {TSectorReadMode::Secure, 5, 0, {100, 101, 300}, 1 + 6},
        // Drive sector 100 holds disc samples from 100 * 588 + 6 on.
        {TSectorReadMode::Secure, 0, -6, {100, 101, 300}, 2},
        // Half a sector late: drive sector 100 lands in disc sectors 99 and 100.
        {TSectorReadMode::Burst, 20, 294, {99, 100, 299}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "retries " << c.retries << " offset " << c.offset);
        const std::size_t readsBefore = m_drive.reads().size();
        auto source = m_drive.OpenSectorSource(m_handle, {c.mode, c.retries});
        const Collected r = readAll(*source, 750, c.offset, 0, 375);

        QByteArray expected = shifted(m_disc, 0, 375, c.offset);
        for (std::int32_t bad : {100, 101, 300}) {
            // The drive's bad sector is silence wherever it lands.
            const std::int64_t at = std::int64_t(bad) * kSectorSize - std::int64_t(c.offset) * 4;
            std::fill_n(expected.data() + at, kSectorSize, '\0');
        }
        EXPECT_EQ(r.pcm, expected);
        std::vector<std::int32_t> positions;
        for (const TSuspectSector& s : r.report.Suspects) {
            positions.push_back(s.Lsn);
            EXPECT_EQ(s.Flags, sfReadError | sfUnreadable);
        }
        EXPECT_EQ(positions, c.positions);
        EXPECT_EQ(r.report.UnreadableSectors, 3);
        EXPECT_FALSE(r.report.Messages.isEmpty());

        const auto reads = m_drive.reads();
        const auto readsOf100 =
            std::count_if(reads.begin() + long(readsBefore), reads.end(),
                          [](const std::pair<std::int32_t, std::int32_t>& rd) {
                              return rd.first <= 100 && 100 < rd.first + rd.second;
                          });
        EXPECT_EQ(readsOf100, c.readsOf100);
    }
}

TEST_F(MemoryDriveRead, StopEndsTheReadEarly)
{
    std::atomic<bool> stop{true};
    auto source = m_drive.OpenSectorSource(m_handle, {});
    const Collected c = readAll(*source, 750, 0, 0, 375, &stop);
    EXPECT_TRUE(c.report.Stopped);
    EXPECT_TRUE(c.pcm.isEmpty());
}

// Paranoia through libcdio on a generated image, burst and secure: the same
// bytes as the generator wrote, shifted by the offset, with no error at all
// (tracks longer than paranoia's 1200-sector reads, up to the lead-out).
TEST(ParanoiaImageRead, BurstAndSecureGiveTheImageBytes)
{
    QTemporaryDir dir;
    const QString cue = dir.filePath(QStringLiteral("p.cue"));
    discgen::DiscSpec spec;
    spec.tracks = {
        {100, Signal::Noise, 0, 1}, {60, Signal::Tone, 440, 0}, {80, Signal::Noise, 0, 2}};
    ASSERT_TRUE(discgen::WriteCueBin(cue, spec));
    const QByteArray disc = discgen::DiscAudio(spec);
    const TDiscLayout layout = DiscLayoutOf(discgen::TocOfDisc(spec));

    TCdioAccess cd;
    const HCDROM h = cd.GetCDHandle(quillon::test::imageDrive(cue));
    ASSERT_NE(h, 0u);
    for (TSectorReadMode mode : {TSectorReadMode::Burst, TSectorReadMode::Secure}) {
        auto source = cd.OpenSectorSource(h, {mode, 3});
        ASSERT_TRUE(source) << cd.LastErrorText().toStdString();
        for (int offset : {0, 6, -667, 1200}) {
            for (const TAudioTrackSpan& t : layout.Tracks) {
                SCOPED_TRACE(testing::Message() << "secure " << (mode == TSectorReadMode::Secure)
                                                << " offset " << offset << " track " << t.Number);
                const Collected c = readAll(*source, layout.AudioEnd, offset, t.Start, t.Sectors);
                EXPECT_EQ(c.pcm, shifted(disc, t.Start, t.Sectors, offset));
                EXPECT_TRUE(c.report.isClean()) << c.report.Suspects.front().Lsn;
            }
        }
    }
    EXPECT_TRUE(cd.CloseCDHandle(h));
}

TEST(ParanoiaImageRead, HiddenTrackBeforeTrackOne)
{
    QTemporaryDir dir;
    struct Case {
        std::optional<discgen::TrackSpec> pregap;
        std::int32_t sectors;
        bool audible;
    } const cases[] = {
        {discgen::TrackSpec{45, Signal::Tone, 1000, 0}, 45, true},
        {discgen::TrackSpec{45, Signal::Silence, 0, 0}, 45, false},
        {std::nullopt, 0, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sectors);
        const QString cue = dir.filePath(QStringLiteral("h%1.cue").arg(++n));
        discgen::DiscSpec spec;
        spec.tracks = {{100, Signal::Noise, 0, 1}};
        spec.pregap = c.pregap;
        ASSERT_TRUE(discgen::WriteCueBin(cue, spec));
        const TDiscLayout layout = DiscLayoutOf(discgen::TocOfDisc(spec));

        TCdioAccess cd;
        const HCDROM h = cd.GetCDHandle(quillon::test::imageDrive(cue));
        ASSERT_NE(h, 0u);
        TTOC toc;
        ASSERT_TRUE(cd.ReadTOC(h, toc));
        EXPECT_EQ(DiscLayoutOf(toc).HiddenSectors, c.sectors);
        auto source = cd.OpenSectorSource(h, {TSectorReadMode::Secure, 3});
        ASSERT_TRUE(source);
        const THiddenTrackScan scan = ScanHiddenTrack(*source, layout);
        EXPECT_EQ(scan.Sectors, c.sectors);
        EXPECT_EQ(scan.Audible, c.audible);
        if (c.pregap) {
            // The hidden audio itself reads back as written.
            const Collected all = readAll(*source, layout.AudioEnd, 0, 0, c.sectors);
            EXPECT_EQ(all.pcm, discgen::TrackAudio(*c.pregap));
        }
    }
}

} // namespace
