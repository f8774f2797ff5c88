// Reading tracks for a verified rip on the memory drive: what each read mode
// reads, how often, what the databases say, and what becomes of sectors the
// drive cannot read.
#include "disc_image_writer.h"
#include "support/memory_cd_drive.h"
#include "verify/verified_rip.h"
#include "verify/verified_track_reader.h"

#include <gtest/gtest.h>

namespace {

using discgen::Signal;
using Outcome = TDatabaseLookup::Outcome;

// 375, 225 and 150 sectors of noise: the memory drive's disc.
discgen::DiscSpec disc()
{
    discgen::DiscSpec spec;
    spec.tracks = {
        {375, Signal::Noise, 0, 5}, {225, Signal::Noise, 0, 6}, {150, Signal::Noise, 0, 7}};
    return spec;
}

// What the databases say about the intact disc (AccurateRip: two records).
TDatabaseAnswers foundAnswers(const TTOC& toc)
{
    TDatabaseAnswers a;
    a.AccurateRipId = AccurateRipDiscIdOf(toc);
    a.AccurateRip.Result = Outcome::Found;
    a.AccurateRipAnswer =
        *ParseAccurateRipAnswer(discgen::AccurateRipAnswerOf(disc(), {3, 8}), a.AccurateRipId);
    a.Ctdb.Result = Outcome::Found;
    a.CtdbEntries = *ParseCtdbAnswer(discgen::CtdbAnswerOf(disc(), 4));
    return a;
}

TDatabaseAnswers unknownAnswers()
{
    TDatabaseAnswers a;
    a.AccurateRip.Result = Outcome::NotInDatabase;
    a.Ctdb.Result = Outcome::NotInDatabase;
    return a;
}

struct MemorySink : ITrackSink {
    QByteArray pcm;
    int restarts = 0;
    qsizetype failAfter = -1; // bytes after which writing fails
    bool restart() override
    {
        pcm.clear();
        ++restarts;
        return true;
    }
    bool write(const char* data, std::size_t bytes) override
    {
        if (failAfter >= 0 && pcm.size() + qsizetype(bytes) > failAfter)
            return false;
        pcm.append(data, qsizetype(bytes));
        return true;
    }
    QString errorText() const override { return QStringLiteral("the disk is full"); }
};

struct TrackRead {
    TVerifiedTrack track;
    QByteArray pcm;
    std::vector<std::pair<int, bool>> passes; // (pass, secure) in the order they began
};

class VerifiedTrackReader : public ::testing::Test {
protected:
    void useDisc(const discgen::DiscSpec& spec)
    {
        m_drive.setDiscAudio(discgen::DiscAudio(spec));
        m_handle = m_drive.GetCDHandle(m_drive.GetCDList().front());
        ASSERT_NE(m_handle, 0u);
        m_layout = DiscLayoutOf(m_drive.toc());
        m_intended = discgen::DiscAudio(disc());
    }
    std::vector<TrackRead> readAll(TReadMode mode, const TDatabaseAnswers& answers, int offset = 0)
    {
        TVerifySettings settings;
        settings.Mode = mode;
        settings.ReadOffset = offset;
        settings.Retries = 5;
        TVerifiedTrackReader reader(m_drive, m_handle, m_layout, settings, answers);
        std::vector<TrackRead> reads;
        for (int i = 0; i < 3; ++i) {
            TrackRead r;
            MemorySink sink;
            r.track = reader.read(i, sink, [&r](const TTrackReadProgress& p) {
                if (r.passes.empty() || r.passes.back().first != p.Pass)
                    r.passes.emplace_back(p.Pass, p.Secure);
            });
            EXPECT_EQ(sink.restarts, int(r.passes.size()));
            r.pcm = sink.pcm;
            reads.push_back(r);
        }
        return reads;
    }
    QByteArray intendedTrack(int i) const
    {
        const TAudioTrackSpan& s = m_layout.Tracks[std::size_t(i)];
        return m_intended.mid(qsizetype(s.Start) * kSectorSize, qsizetype(s.Sectors) * kSectorSize);
    }

    quillon::test::MemoryCDDrive m_drive;
    HCDROM m_handle = 0;
    TDiscLayout m_layout;
    QByteArray m_intended;
};

TEST_F(VerifiedTrackReader, ModesReadAsOftenAsTheDatabasesRequire)
{
    const std::vector<std::pair<int, bool>> burst{{1, false}};
    const std::vector<std::pair<int, bool>> secure{{1, true}};
    const std::vector<std::pair<int, bool>> twice{{1, false}, {2, true}};
    struct Case {
        const char* name;
        TReadMode mode;
        bool found;         // the databases know the disc
        int changedTrack;   // 0: intact
        std::int64_t shift; // the drive's offset; read with readOffset
        int readOffset;
        std::vector<std::pair<int, bool>> passes[3];
        TTrackVerdict verdicts[3];
        bool doubtful[3];
    } const cases[] = {
        {"burst, known",
         TReadMode::Burst,
         true,
         0,
         0,
         0,
         {burst, burst, burst},
         {TTrackVerdict::Accurate, TTrackVerdict::Accurate, TTrackVerdict::Accurate},
         {false, false, false}},
        {"secure, known",
         TReadMode::Secure,
         true,
         0,
         0,
         0,
         {secure, secure, secure},
         {TTrackVerdict::Accurate, TTrackVerdict::Accurate, TTrackVerdict::Accurate},
         {false, false, false}},
        {"auto, known: no second read",
         TReadMode::Auto,
         true,
         0,
         0,
         0,
         {burst, burst, burst},
         {TTrackVerdict::Accurate, TTrackVerdict::Accurate, TTrackVerdict::Accurate},
         {false, false, false}},
        {"auto, one sample changed: that track read again and still wrong",
         TReadMode::Auto,
         true,
         2,
         0,
         0,
         {burst, twice, burst},
         {TTrackVerdict::Accurate, TTrackVerdict::NotAccurate, TTrackVerdict::Accurate},
         {false, true, false}},
        {"burst, one sample changed: not read again",
         TReadMode::Burst,
         true,
         3,
         0,
         0,
         {burst, burst, burst},
         {TTrackVerdict::Accurate, TTrackVerdict::Accurate, TTrackVerdict::NotAccurate},
         {false, false, true}},
        {"auto, unknown disc: test and copy",
         TReadMode::Auto,
         false,
         0,
         0,
         0,
         {twice, twice, twice},
         {TTrackVerdict::NotInDatabase, TTrackVerdict::NotInDatabase, TTrackVerdict::NotInDatabase},
         {false, false, false}},
        {"auto, drive offset corrected",
         TReadMode::Auto,
         true,
         0,
         667,
         667,
         {burst, burst, burst},
         {TTrackVerdict::Accurate, TTrackVerdict::Accurate, TTrackVerdict::Accurate},
         {false, false, false}},
        {"auto, drive offset not corrected",
         TReadMode::Auto,
         true,
         0,
         -30,
         0,
         {twice, twice, twice},
         {TTrackVerdict::NotAccurate, TTrackVerdict::NotAccurate, TTrackVerdict::NotAccurate},
         {true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        discgen::DiscSpec spec = disc();
        spec.shift = c.shift;
        if (c.changedTrack)
            spec.changes.append({c.changedTrack, 4000});
        useDisc(spec);
        if (HasFatalFailure())
            return;
        const TTOC toc = m_drive.toc();
        const std::vector<TrackRead> reads =
            readAll(c.mode, c.found ? foundAnswers(toc) : unknownAnswers(), c.readOffset);
        TVerifiedRip rip(m_layout, c.found ? foundAnswers(toc) : unknownAnswers());
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(testing::Message() << "track " << i + 1);
            const TVerifiedTrack& t = reads[std::size_t(i)].track;
            rip.add(t);
            EXPECT_EQ(reads[std::size_t(i)].passes, c.passes[i]);
            EXPECT_EQ(t.AccurateRip.Verdict, c.verdicts[i]);
            EXPECT_EQ(t.doubtful(), c.doubtful[i]);
            EXPECT_TRUE(t.complete());
            // The sink holds the last read, and the copy CRC is its CRC.
            EXPECT_EQ(t.Checksums.CopyCrc,
                      TCrc32::of(reads[std::size_t(i)].pcm.constData(),
                                 std::size_t(reads[std::size_t(i)].pcm.size())));
            EXPECT_EQ(t.Secure, c.passes[i].back().second);
            const bool twiceRead = c.passes[i].size() == 2;
            EXPECT_EQ(t.TestCrc.has_value(), twiceRead);
            if (twiceRead) { // images and the memory drive give the same bytes each time
                EXPECT_EQ(*t.TestCrc, t.Checksums.CopyCrc);
            }
            EXPECT_EQ(t.ReReadSecurely, twiceRead && c.found);
            if (t.AccurateRip.Verdict == TTrackVerdict::Accurate) {
                EXPECT_EQ(t.AccurateRip.Confidence, 8); // the best of both records
                if (c.shift == 0 || i < 2) { // the shifted disc's end lies beyond the drive's
                    EXPECT_EQ(reads[std::size_t(i)].pcm, intendedTrack(i));
                }
                ASSERT_TRUE(t.Ctdb);
                EXPECT_EQ(t.Ctdb->Verdict, TTrackVerdict::Accurate);
            }
        }
        const bool allAccurate = c.verdicts[0] == TTrackVerdict::Accurate &&
                                 c.verdicts[1] == TTrackVerdict::Accurate &&
                                 c.verdicts[2] == TTrackVerdict::Accurate;
        ASSERT_TRUE(rip.ctdbDiscCrc());
        EXPECT_EQ(rip.ctdbDisc().has_value(), c.found);
        if (c.found) {
            EXPECT_EQ(rip.ctdbDisc()->Verdict == TTrackVerdict::Accurate, allAccurate);
        }
    }
}

TEST_F(VerifiedTrackReader, UnreadableSectorsAreSilenceCountedAndPositionedWithBoundedRetries)
{
    useDisc(disc());
    m_drive.failReadAt(100);
    m_drive.failReadAt(101);
    m_drive.failReadAt(420); // track 2, its sector 45
    const std::vector<TrackRead> reads = readAll(TReadMode::Auto, foundAnswers(m_drive.toc()));

    struct Expect {
        int unreadable;
        std::vector<std::int32_t> at; // track-relative sectors
    } const expected[] = {{2, {100, 101}}, {1, {45}}, {0, {}}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(testing::Message() << "track " << i + 1);
        const TVerifiedTrack& t = reads[std::size_t(i)].track;
        EXPECT_EQ(t.Read.UnreadableSectors, expected[i].unreadable);
        std::vector<std::int32_t> at;
        for (const TSuspectSector& s : t.Read.Suspects)
            at.push_back(s.Lsn - t.Span.Start);
        EXPECT_EQ(at, expected[i].at);
        EXPECT_TRUE(t.complete());
        EXPECT_EQ(t.doubtful(), expected[i].unreadable > 0);
        QByteArray want = intendedTrack(i);
        for (std::int32_t s : expected[i].at)
            std::fill_n(want.data() + qsizetype(s) * kSectorSize, kSectorSize, '\0');
        EXPECT_EQ(reads[std::size_t(i)].pcm, want);
    }
    // Burst: the run and the sector alone; secure: the run, the sector alone
    // and five retries. Then the reader gave up.
    const auto driveReads = m_drive.reads();
    const auto reads100 = std::count_if(driveReads.begin(), driveReads.end(), [](const auto& r) {
        return r.first <= 100 && 100 < r.first + r.second;
    });
    EXPECT_EQ(reads100, 2 + 7);
    // The log places them: mm:ss.ff from the track's start.
    TVerifiedRip rip(m_layout, foundAnswers(m_drive.toc()));
    for (const TrackRead& r : reads)
        rip.add(r.track);
    const QString log = RipLogText(rip.logData({}));
    EXPECT_TRUE(log.contains(QStringLiteral("00:01.25  unreadable, read error")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("00:00.45  unreadable, read error")));
    EXPECT_EQ(rip.doubtfulTracks(), (std::vector<int>{1, 2}));
}

TEST_F(VerifiedTrackReader, StopAndAFailingSinkEndTheTrackIncomplete)
{
    useDisc(disc());
    TVerifySettings settings;
    settings.Mode = TReadMode::Auto;
    std::atomic<bool> stop{false};
    TVerifiedTrackReader reader(m_drive, m_handle, m_layout, settings, unknownAnswers(), &stop);
    MemorySink sink;
    const TVerifiedTrack stopped = reader.read(0, sink, [&](const TTrackReadProgress& p) {
        if (p.DoneSectors > 100)
            stop = true;
    });
    EXPECT_TRUE(stopped.Read.Stopped);
    EXPECT_FALSE(stopped.complete());
    EXPECT_TRUE(stopped.Error.isEmpty());
    EXPECT_FALSE(stopped.TestCrc); // no second read after a stop
    EXPECT_LT(sink.pcm.size(), 200 * kSectorSize);

    stop = false;
    MemorySink full;
    full.failAfter = 50 * kSectorSize;
    const TVerifiedTrack failed = reader.read(1, full);
    EXPECT_EQ(failed.Error, QStringLiteral("the disk is full"));
    EXPECT_FALSE(failed.complete());
    EXPECT_TRUE(failed.doubtful());
    EXPECT_EQ(full.restarts, 1);
}

} // namespace
