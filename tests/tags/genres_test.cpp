#include "tags/genres.h"

#include <gtest/gtest.h>

#include <set>

TEST(Genres, ConversionsAreInversesOverTheWholeList)
{
    ASSERT_EQ(GenreNames().size(), 148);
    std::set<int> bytes;
    for (int number = 1; number <= 148; ++number) {
        const std::uint8_t byte = GenreNumberToByte(number);
        EXPECT_LT(byte, 148) << number;
        bytes.insert(byte);
        EXPECT_EQ(GenreByteToNumber(byte), number) << number;
    }
    EXPECT_EQ(bytes.size(), 148u); // each byte 0..147 belongs to exactly one name
    for (int byte = 0; byte < 148; ++byte)
        EXPECT_EQ(GenreNumberToByte(GenreByteToNumber(std::uint8_t(byte))), byte) << byte;
}

TEST(Genres, OutsideTheListMeansNoGenre)
{
    for (int number : {0, -1, 149, 255, 1000, -200})
        EXPECT_EQ(GenreNumberToByte(number), 255) << number;
    for (int byte : {148, 200, 254, 255})
        EXPECT_EQ(GenreByteToNumber(std::uint8_t(byte)), 0) << byte;
}

TEST(Genres, NamesCarryTheirId3v1Bytes)
{
    // Bytes of the ID3v1 list as published with the format (0..79) and its
    // common extensions (80..147).
    const struct {
        int number;
        const char* name;
        int byte;
    } cases[] = {
        {1, "A Cappella", 123},
        {18, "Blues", 0},
        {29, "Classic Rock", 1},
        {44, "Drum & Base", 127},
        {6, "Alt. Rock", 40},
        {96, "Other", 12},
        {118, "Rock", 17},
        {137, "Synthpop", 147},
        {148, "Vocal", 28},
        {80, "JPop", 146},
        {9, "Anime", 145},
        {90, "Negerpunk", 133},
        {26, "Christian Gangsta", 136},
        {143, "Top 40", 60},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GenreNames().at(c.number - 1), QString::fromLatin1(c.name)) << c.name;
        EXPECT_EQ(GenreNumberToByte(c.number), c.byte) << c.name;
        EXPECT_EQ(GenreByteToNumber(std::uint8_t(c.byte)), c.number) << c.name;
    }
}

TEST(Genres, SelectorStartsWithTheBlankEntry)
{
    const QStringList items = GenreSelectorItems();
    ASSERT_EQ(items.size(), 149);
    EXPECT_TRUE(items.front().isEmpty());
    EXPECT_EQ(items.mid(1), GenreNames());
    // Selector position == genre number.
    EXPECT_EQ(items.indexOf(QStringLiteral("Other")), 96);
}
