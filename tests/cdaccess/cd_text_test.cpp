// CD-Text read through libcdio from cue sheets written in UTF-8 and in
// Latin-1, and the repair of double-encoded cue-sheet text.
#include "cdaccess/cdio_access.h"
#include "disc_image_writer.h"
#include "support/test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

HCDROM openImage(TCdioAccess& access, const QString& cue)
{
    TCDREC drive;
    drive.Device = cue;
    drive.IsImage = true;
    return access.GetCDHandle(drive);
}

TEST(CdText, RepairsDoubleEncodedCueSheetTextOnly)
{
    const std::pair<QString, QString> cases[] = {
        // UTF-8 bytes read as Latin-1 come back as written.
        {QString::fromUtf8("\xC3\x83\xC2\x87"
                           "a va, Stra\xC3\x83\xC2\x9F"
                           "e"),
         QString::fromUtf8("\xC3\x87"
                           "a va, Stra\xC3\x9F"
                           "e")},
        {QString::fromUtf8("\xC3\xA6\xC2\x9D\xC2\xB1\xC3\xA4\xC2\xBA\xC2\xAC"),
         QString::fromUtf8("\xE6\x9D\xB1\xE4\xBA\xAC")},
        // Real Latin-1 text, plain ASCII and wider text stay as they are.
        {QString::fromUtf8("\xC3\x87"
                           "a va, Stra\xC3\x9F"
                           "e"),
         QString::fromUtf8("\xC3\x87"
                           "a va, Stra\xC3\x9F"
                           "e")},
        {QStringLiteral("Plain"), QStringLiteral("Plain")},
        {QString::fromUtf8("\xC3\x83"), QString::fromUtf8("\xC3\x83")}, // a lone lead byte
        {QString::fromUtf8("\xE6\x9D\xB1 \xC3\x83\xC2\x87"),
         QString::fromUtf8("\xE6\x9D\xB1 \xC3\x83\xC2\x87")},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(RepairCueSheetText(in), out) << in.toStdString();
}

TEST(CdText, CueSheetsInUtf8AndLatin1ReadBackAsWritten)
{
    const QString artist = QString::fromUtf8("\xC3\x87"
                                             "a va, Stra\xC3\x9F"
                                             "e");
    const QString album = QString::fromUtf8("\xC3\x89t\xC3\xA9 \xC3\xA0 Z\xC3\xBCrich");
    const QString first = QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                            "e");
    struct Case {
        const char* name;
        discgen::CueText::Encoding encoding;
        QString second;
    } cases[] = {
        {"UTF-8", discgen::CueText::Encoding::Utf8, QString::fromUtf8("\xE6\x9D\xB1\xE4\xBA\xAC")},
        {"Latin-1", discgen::CueText::Encoding::Latin1,
         QString::fromUtf8("na\xC3\xAF"
                           "ve")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString cue = dir.filePath(QStringLiteral("text.cue"));
        discgen::CueText text;
        text.Performer = artist;
        text.Title = album;
        text.TrackTitles = {first, c.second};
        text.TrackPerformers = {QString(), QStringLiteral("Guest")};
        text.TrackIsrcs = {QStringLiteral("DEA123456789")};
        text.TextEncoding = c.encoding;
        QString error;
        ASSERT_TRUE(discgen::WriteCueBin(
            cue, {{75, discgen::Signal::Silence}, {75, discgen::Signal::Silence}}, &error, text))
            << error.toStdString();

        TCdioAccess access;
        const HCDROM handle = openImage(access, cue);
        ASSERT_NE(handle, 0u);
        TCdText read;
        ASSERT_TRUE(access.ReadCDText(handle, read)) << access.LastErrorText().toStdString();
        EXPECT_EQ(read.Disc.Performer, artist);
        EXPECT_EQ(read.Disc.Title, album);
        ASSERT_EQ(read.Tracks.size(), 2u);
        EXPECT_EQ(read.Tracks[0].Title, first);
        EXPECT_EQ(read.Tracks[0].Isrc, QStringLiteral("DEA123456789"));
        EXPECT_EQ(read.Tracks[1].Title, c.second);
        EXPECT_EQ(read.Tracks[1].Performer, QStringLiteral("Guest"));
        access.CloseCDHandle(handle);
    }
}

TEST(CdText, DiscWithoutTextHasNone)
{
    QTemporaryDir dir;
    const QString cue = dir.filePath(QStringLiteral("plain.cue"));
    ASSERT_TRUE(discgen::WriteCueBin(cue, {{75, discgen::Signal::Silence}}));
    TCdioAccess access;
    const HCDROM handle = openImage(access, cue);
    ASSERT_NE(handle, 0u);
    TCdText read;
    EXPECT_FALSE(access.ReadCDText(handle, read));
    EXPECT_FALSE(access.ReadCDText(handle + 100, read)); // no such handle
    // A Latin-1 sheet cannot hold what Latin-1 has no letter for.
    discgen::CueText text;
    text.Title = QString::fromUtf8("\xE6\x9D\xB1");
    text.TextEncoding = discgen::CueText::Encoding::Latin1;
    EXPECT_FALSE(discgen::WriteCueBin(dir.filePath(QStringLiteral("bad.cue")),
                                      {{75, discgen::Signal::Silence}}, nullptr, text));
}

} // namespace
