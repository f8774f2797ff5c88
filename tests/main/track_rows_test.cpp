#include "main/track_rows.h"

#include "support/memory_cd_drive.h"

#include <gtest/gtest.h>

using quillon::test::tocAt;

namespace {
QString q(const char* s)
{
    return QString::fromUtf8(s);
}

constexpr int f(int minute, int second, int frame)
{
    return (minute * 60 + second) * 75 + frame;
}
} // namespace

TEST(TrackRows, LengthsSizesAndTitlesFromTheTableOfContents)
{
    const struct {
        int start, next;
        const char* length;
        const char* size;
    } cases[] = {
        {f(0, 2, 0), f(5, 1, 74), "04:59", "50.30"}, // frames ignored
        {f(0, 2, 0), f(3, 27, 0), "03:25", "34.49"},
        {f(10, 59, 0), f(11, 0, 0), "00:01", "00.17"},  // seconds borrow a minute
        {f(5, 0, 0), f(4, 0, 0), "00:00", "00.00"},     // a backwards table gives nothing
        {f(0, 0, 0), f(99, 59, 0), "99:59", "1009.20"}, // long beyond two digits
    };
    for (const auto& c : cases) {
        TCDInfo info;
        const auto rows = TrackRowsFromTOC(tocAt({c.start, c.next}), info);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].Length, q(c.length)) << c.length;
        EXPECT_EQ(rows[0].Size, q(c.size)) << c.length;
    }
}

TEST(TrackRows, EmptyTitlesBecomeTrackNumbersAndStayPairedWithRows)
{
    TCDInfo info;
    info.Tracks[1] = q("Intro");
    info.Tracks[7] = QString();
    std::vector<int> starts;
    for (int i = 0; i <= 7; ++i)
        starts.push_back(f(0, 2 + 30 * i, 0));
    TTOC toc = tocAt(starts, 3); // track 3 is data: listed like the others
    const auto rows = TrackRowsFromTOC(toc, info);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].Title, q("Intro"));
    EXPECT_EQ(rows[6].Title, q("Track07"));
    EXPECT_EQ(info.Tracks[7], q("Track07"));
    EXPECT_EQ(rows[2].Caption, q("3"));

    // A disc starting at track 5: captions follow the table, titles the rows.
    for (size_t i = 0; i + 1 < toc.Entries.size(); ++i)
        toc.Entries[i].TrackNumber = std::uint8_t(5 + i);
    TCDInfo other;
    const auto shifted = TrackRowsFromTOC(toc, other);
    EXPECT_EQ(shifted[0].Caption, q("5"));
    EXPECT_EQ(shifted[0].Title, q("Track01"));
    StoreTitles({q("a"), q("b")}, other);
    EXPECT_EQ(other.TrackNumber, 2);
    EXPECT_EQ(other.Tracks[1], q("a"));
}

TEST(TrackRows, CheckedItemsUseRowNumbers)
{
    const QStringList titles{q("One"), q("Two"), q("Three"), q("Four")};
    EXPECT_EQ(CheckedItems(titles, {true, false, true, true}),
              (QStringList{q("01One"), q("03Three"), q("04Four")}));
    EXPECT_TRUE(CheckedItems(titles, {false, false, false, false}).isEmpty());
}
