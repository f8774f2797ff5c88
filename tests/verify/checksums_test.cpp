#include "verify/accuraterip_checksum.h"
#include "verify/crc32_checksum.h"
#include "verify/track_checksums.h"

#include "verify/verify_test_util.h"

#include <gtest/gtest.h>

using quillon::test::constantAudio;
using quillon::test::lcgAudio;

namespace {

struct ArCase {
    const char* name;
    QByteArray audio;
    bool first;
    bool last;
    std::uint32_t v1;
    std::uint32_t v2;
};

} // namespace

TEST(AccurateRipChecksum, MatchesWorkedExamplesFedInAnyBlockSize)
{
    const ArCase cases[] = {
        // By hand: sum 1..11760 and sum 2940..8820.
        {"ones, middle track", constantAudio(11760, 1), false, false, 0x041f3778, 0x041f3778},
        {"ones, only track", constantAudio(11760, 1), true, true, 0x020fa738, 0x020fa738},
        {"ones, first track", constantAudio(11760, 1), true, false, 0x03dd4b2e, 0x03dd4b2e},
        {"ones, last track", constantAudio(11760, 1), false, true, 0x02519382, 0x02519382},
        // Full-scale words carry into the high half: v2 differs from v1.
        {"full scale", constantAudio(11760, 0xffffffff), false, false, 0xfbe0c888, 0xffffd210},
        {"lcg, middle", lcgAudio(588 * 460, 12345), false, false, 0x3bfc2358, 0x7e2646fb},
        {"lcg, first", lcgAudio(588 * 460, 12345), true, false, 0x574fc986, 0x9958f8a6},
        {"lcg, last", lcgAudio(588 * 460, 12345), false, true, 0x283a5566, 0x52d083b3},
    };
    for (const ArCase& c : cases) {
        for (int block : {1, 3, 4, 7, 2352, 100000}) {
            SCOPED_TRACE(testing::Message() << c.name << ", blocks of " << block);
            TAccurateRipChecksum sum(c.audio.size() / 4, c.first, c.last);
            for (qsizetype at = 0; at < c.audio.size(); at += block)
                sum.add(c.audio.constData() + at,
                        std::size_t(std::min<qsizetype>(block, c.audio.size() - at)));
            EXPECT_EQ(sum.v1(), c.v1);
            EXPECT_EQ(sum.v2(), c.v2);
            EXPECT_EQ(sum.samplesAdded(), c.audio.size() / 4);
        }
    }
}

TEST(AccurateRipChecksum, Frame450OnlyOnceSector450HasPassed)
{
    const QByteArray audio = lcgAudio(588 * 460, 12345);
    TAccurateRipChecksum sum(audio.size() / 4, false, false);
    sum.add(audio.constData(), 451 * 2352 - 4);
    EXPECT_FALSE(sum.frame450());
    sum.add(audio.constData() + 451 * 2352 - 4, std::size_t(audio.size() - 451 * 2352 + 4));
    ASSERT_TRUE(sum.frame450());
    EXPECT_EQ(*sum.frame450(), 0x030a798au);
    EXPECT_EQ(TAccurateRipChecksum::frame450Of(audio.constData() + 450 * 2352), 0x030a798au);
}

TEST(Crc32, WholeStreamAndWindowsAgreeWithZlib)
{
    const QByteArray audio = lcgAudio(588 * 460, 12345);
    TCrc32 whole;
    for (qsizetype at = 0; at < audio.size(); at += 1000)
        whole.add(audio.constData() + at,
                  std::size_t(std::min<qsizetype>(1000, audio.size() - at)));
    EXPECT_EQ(whole.value(), 0x3247f138u); // zlib.crc32
    EXPECT_EQ(TCrc32::of("123456789", 9), 0xcbf43926u);

    // A window fed in blocks, its edges anywhere (on, inside or past a
    // block's edge), equals the CRC of the slice; the whole stream's CRC is
    // kept beside it.
    const char text[] = "0123456789abcdefghijklmnop";
    struct Window {
        std::int64_t skip, end;
    };
    for (const Window w :
         {Window{5, 17}, Window{0, 26}, Window{0, TCrc32::kToTheEnd}, Window{3, 13}, Window{13, 13},
          Window{20, 40}, Window{0, 0}, Window{30, 40}, Window{4, 9}}) {
        SCOPED_TRACE(testing::Message() << w.skip << ".." << w.end);
        TCrc32 window(w.skip, w.end);
        window.add(text, 3);
        window.add(text + 3, 10);
        window.add(text + 13, 13);
        const std::int64_t from = std::min<std::int64_t>(w.skip, 26);
        const std::int64_t to = std::max(from, std::min<std::int64_t>(w.end, 26));
        EXPECT_EQ(window.value(), TCrc32::of(text + from, std::size_t(to - from)));
        EXPECT_EQ(window.counted(), to - from);
        EXPECT_EQ(window.wholeValue(), TCrc32::of(text, 26));
    }
}

TEST(TrackChecksums, CtdbTrackAndDiscCrcsLeaveOutTheDiscEdges)
{
    // Three tracks of 100, 37 and 120 sectors: N = 151116 samples, so the
    // disc CRC leaves out 5880 samples at the start and 5880 + 4116 at the end.
    TDiscLayout layout;
    layout.Tracks = {{1, 0, 100}, {2, 100, 37}, {3, 137, 120}};
    layout.AudioEnd = layout.Leadout = 257;
    const QByteArray disc = lcgAudio(257 * 588, 777);
    std::vector<TTrackChecksumValues> values;
    for (int t = 0; t < 3; ++t) {
        const TAudioTrackSpan& span = layout.Tracks[std::size_t(t)];
        TTrackChecksums sums(layout, t);
        const QByteArray track =
            disc.mid(qsizetype(span.Start) * 2352, qsizetype(span.Sectors) * 2352);
        for (qsizetype at = 0; at < track.size(); at += 4096)
            sums.add(track.constData() + at,
                     std::size_t(std::min<qsizetype>(4096, track.size() - at)));
        values.push_back(sums.values());
        EXPECT_EQ(values.back().CopyCrc, TCrc32::of(track.constData(), std::size_t(track.size())));
    }
    EXPECT_EQ(values[0].CtdbCrc, 0x92999127u);
    EXPECT_EQ(values[1].CtdbCrc, 0x38d60248u);
    EXPECT_EQ(values[2].CtdbCrc, 0x45d17a1cu);
    EXPECT_EQ(CtdbDiscCrc(values), 0x4a3d408cu);
}
