#include "verify/cue_sheet.h"
#include "verify/rip_log.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

TRipLogTrack track(int number, std::int32_t start, std::int32_t sectors, TTrackVerdict verdict,
                   int confidence = 0)
{
    TRipLogTrack t;
    t.Number = number;
    t.Start = start;
    t.Sectors = sectors;
    t.CopyCrc = 0x0badf00d + std::uint32_t(number);
    t.V1 = 0x11;
    t.V2 = 0x22;
    t.AccurateRip.Verdict = verdict;
    t.AccurateRip.Confidence = confidence;
    return t;
}

} // namespace

TEST(RipLog, ResultLinesCrcsPositionsAndSummary)
{
    TRipLogData log;
    log.Program = QStringLiteral("Quillon 1.0");
    log.Drive = QStringLiteral("/tmp/disc.cue");
    log.IsImage = true;
    log.ReadMode = QStringLiteral("auto");
    log.ReadOffset = 6;
    log.HiddenSectors = 2250;
    log.HiddenAudible = true;
    log.AccurateRip.Result = TDatabaseLookup::Outcome::Found;
    log.Ctdb.Result = TDatabaseLookup::Outcome::Failed;
    log.Ctdb.Error = QStringLiteral("HTTP 500");

    TRipLogTrack two = track(2, 20000, 15000, TTrackVerdict::NotAccurate);
    two.TestCrc = 0x12345678;
    two.ReReadSecurely = true;
    two.Read.UnreadableSectors = 1;
    for (std::int32_t s = 0; s < 103; ++s) // more than the log lists
        two.Read.Suspects.push_back({20000 + 75 + s, s == 0
                                                         ? std::uint16_t(sfReadError | sfUnreadable)
                                                         : std::uint16_t(sfDrift)});
    log.Tracks = {track(1, 2250, 17750, TTrackVerdict::Accurate, 12), two,
                  track(3, 35000, 9000, TTrackVerdict::NotInDatabase)};
    const QStringList lines = RipLogText(log).split(QLatin1Char('\n'));

    for (const char* expected : {
             "Track 01  accurately ripped (confidence 12)",
             "Track 02  not accurately ripped",
             "Track 03  not in database",
             "Read offset:        +6 samples",
             "Image:              /tmp/disc.cue",
             "Hidden track:       00:30.00 of audio before track 1, not ripped",
             "  Copy CRC:         0BADF00E",
             "  Test CRC:         12345678 (differs)",
             "  Start:            04:26.50",
             "    00:01.00  unreadable, read error",
             "    00:01.01  drift",
             "    and 3 more",
             "  Read again in secure mode after a mismatch",
             "CTDB:               lookup failed: HTTP 500",
             "  1 of 3 tracks accurately ripped",
             "  1 tracks not accurately ripped",
             "  1 tracks not in database",
             "  Read errors in 1 tracks, 1 sectors unreadable",
         }) {
        EXPECT_TRUE(lines.contains(QLatin1String(expected))) << expected;
    }
    EXPECT_FALSE(lines.contains(QStringLiteral("    00:02.25  drift"))); // the 101st position
    EXPECT_TRUE(lines.contains(QStringLiteral("    00:02.24  drift")));

    log.Tracks = {track(1, 0, 100, TTrackVerdict::Accurate, 3)};
    log.HiddenAudible = false;
    const QStringList clean = RipLogText(log).split(QLatin1Char('\n'));
    EXPECT_TRUE(clean.contains(QStringLiteral("  All 1 tracks accurately ripped")));
    EXPECT_TRUE(clean.contains(QStringLiteral("  No read errors")));
    EXPECT_TRUE(
        clean.contains(QStringLiteral("Hidden track:       00:30.00 of silence before track 1")));
    EXPECT_EQ(TrackResultLine(7, {}), QStringLiteral("Track 07  not in database"));
    EXPECT_EQ(TrackResultLine(7, {TTrackVerdict::NotChecked, 0, 0, false}),
              QStringLiteral("Track 07  not verified"));
}

TEST(RipLog, FileNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Abbey Road", "Abbey Road.log"},
        {"AC/DC: Live?", "AC-DC- Live-.log"},
        {"", "Rip.log"},
        {"..", "Rip.log"},
        {"../etc", "-etc.log"},
        {"  two\nlines ", "two lines.log"},
    };
    for (const auto& [album, file] : cases)
        EXPECT_EQ(RipLogFileName(QString::fromUtf8(album)), QString::fromUtf8(file)) << album;
}

TEST(CueSheet, OneFilePerTrackWithTheHiddenTrackAsIndex00)
{
    TCueSheet sheet;
    sheet.Performer = QStringLiteral("The \"Band\"");
    sheet.Title = QStringLiteral("Album");
    sheet.Date = QStringLiteral("1994");
    sheet.DiscId = QStringLiteral("190dcc03");
    sheet.Tracks = {{0, QStringLiteral("00 Hidden.wav"), {}, {}, {}},
                    {1,
                     QStringLiteral("01 One.wav"),
                     QStringLiteral("One"),
                     {},
                     QStringLiteral("USABC1234567")},
                    {2, QStringLiteral("02 Two.mp3"), QStringLiteral("Two\nlines"),
                     QStringLiteral("Guest"), QStringLiteral("bad isrc")}};
    EXPECT_EQ(CueSheetText(sheet), QStringLiteral("REM DATE \"1994\"\n"
                                                  "REM DISCID \"190dcc03\"\n"
                                                  "PERFORMER \"The 'Band'\"\n"
                                                  "TITLE \"Album\"\n"
                                                  "FILE \"00 Hidden.wav\" WAVE\n"
                                                  "  TRACK 01 AUDIO\n"
                                                  "    TITLE \"One\"\n"
                                                  "    ISRC USABC1234567\n"
                                                  "    INDEX 00 00:00:00\n"
                                                  "FILE \"01 One.wav\" WAVE\n"
                                                  "    INDEX 01 00:00:00\n"
                                                  "FILE \"02 Two.mp3\" MP3\n"
                                                  "  TRACK 02 AUDIO\n"
                                                  "    TITLE \"Two lines\"\n"
                                                  "    PERFORMER \"Guest\"\n"
                                                  "    INDEX 01 00:00:00\n"));
    // Without track 1 beside it, the hidden audio belongs to no track.
    sheet.Tracks.erase(sheet.Tracks.begin() + 1);
    EXPECT_FALSE(CueSheetText(sheet).contains(QStringLiteral("Hidden")))
        << CueSheetText(sheet).toStdString();
    EXPECT_TRUE(CueSheetNamesFile(QStringLiteral("01 It's.flac")));
    EXPECT_FALSE(CueSheetNamesFile(QStringLiteral("01 \"Quoted\".flac")));
    EXPECT_FALSE(CueSheetNamesFile(QStringLiteral("01 a\tb.flac")));
    EXPECT_FALSE(CueSheetNamesFile(QStringLiteral("01 a  b.flac")));
}
