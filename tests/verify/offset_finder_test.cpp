#include "verify/accuraterip_checksum.h"
#include "verify/offset_finder.h"

#include "verify/verify_test_util.h"

#include <gtest/gtest.h>

TEST(OffsetFinder, FindsTheShiftOfAnUncorrectedRead)
{
    constexpr int kMax = 2940;
    // The disc's track: word i at sample i. Its database checksum is the
    // frame-450 sum of the correctly placed track.
    const QByteArray track = quillon::test::lcgAudio(460 * 588, 4242);
    const std::uint32_t crc450 = TAccurateRipChecksum::frame450Of(track.constData() + 450 * 2352);
    const std::int64_t first = OffsetSearchFirstSample(kMax);
    for (int offset : {0, 6, -6, 48, 667, -1164, 2940, -2940}) {
        SCOPED_TRACE(offset);
        // A drive with this offset delivers disc sample k as its sample k - offset.
        const QByteArray raw =
            quillon::test::lcgAudio(OffsetSearchSamples(kMax), 4242, first - offset);
        EXPECT_EQ(FindReadOffsets(raw, first, {0, 0x1234, crc450}, kMax), std::vector<int>{offset});
        EXPECT_TRUE(FindReadOffsets(raw, first, {0}, kMax).empty()); // silence says nothing
    }
    EXPECT_EQ(MostLikelyOffset({{6}, {6, 1200}, {}, {1200}, {6}}), 6);
    EXPECT_EQ(MostLikelyOffset({{}, {}}), std::nullopt);
}
