#include "settings/disc_info.h"

#include "settings/ini_file.h"
#include "settings/options_setting.h"

#include "support/test_support.h"

#include <QFile>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString track(int n)
{
    return OptionsSetting.CDInfo.Tracks[size_t(n)];
}

// Fills every title with "old <n>" so that a test sees which ones a load changed.
void markTitles()
{
    for (int n = 0; n <= 100; ++n)
        OptionsSetting.CDInfo.Tracks[size_t(n)] = s("old ") + QString::number(n);
}

} // namespace

TEST(DiscInfo, LoadFollowsTrackNumber)
{
    QByteArray tenTitles;
    for (int n = 1; n <= 10; ++n)
        tenTitles += QByteArray::number(n) + "=Song " + QByteArray::number(n) + "\n";
    const struct {
        const char* name;
        QByteArray section;
        int trackNumber;
        // expected titles of tracks 1, 5, 10, 11, 12, 13, 100
        const char* titles[7];
    } cases[] = {
        {"twelve, ten titles",
         "TrackNumber=12\n" + tenTitles,
         12,
         {"Song 1", "Song 5", "Song 10", "Track11", "Track12", "old 13", "old 100"}},
        {"150 stops at 100",
         "TrackNumber=150\n" + tenTitles,
         150,
         {"Song 1", "Song 5", "Song 10", "Track11", "Track12", "Track13", "Track100"}},
        {"zero loads nothing",
         "TrackNumber=0\n" + tenTitles,
         0,
         {"old 1", "old 5", "old 10", "old 11", "old 12", "old 13", "old 100"}},
        {"negative loads nothing",
         "TrackNumber=-3\n" + tenTitles,
         -3,
         {"old 1", "old 5", "old 10", "old 11", "old 12", "old 13", "old 100"}},
        {"empty value is the default",
         "TrackNumber=5\n5=\n1=  \n",
         5,
         {"Track01", "Track05", "old 10", "old 11", "old 12", "old 13", "old 100"}},
        {"missing count is 100",
         tenTitles,
         100,
         {"Song 1", "Song 5", "Song 10", "Track11", "Track12", "Track13", "Track100"}},
    };
    const int tracks[7] = {1, 5, 10, 11, 12, 13, 100};
    for (const auto& c : cases) {
        quillon::test::TempHome home;
        ASSERT_TRUE(quillon::test::writeFile(DiscInfoFilePath(), "[4608]\n" + c.section));
        markTitles();
        LoadSaveDiscInfo(s("4608"), true);
        EXPECT_EQ(OptionsSetting.CDInfo.TrackNumber, c.trackNumber) << c.name;
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(track(tracks[i]), s(c.titles[i])) << c.name << " track " << tracks[i];
    }
}

TEST(DiscInfo, UnknownDiscGetsDefaults)
{
    quillon::test::TempHome home;
    ASSERT_TRUE(quillon::test::writeFile(DiscInfoFilePath(), "[1]\nArtist=Other\nGenre=5\n"));
    TCDInfo& info = OptionsSetting.CDInfo;
    info.Artist = s("stale");
    info.Genre = 7;
    info.Year = s("1999");
    markTitles();
    for (const char* file : {"present", "missing"}) {
        if (QByteArray(file) == "missing")
            QFile::remove(DiscInfoFilePath());
        LoadSaveDiscInfo(s("2"), true);
        EXPECT_EQ(info.Artist, QString()) << file;
        EXPECT_EQ(info.Album, QString()) << file;
        EXPECT_EQ(info.Year, QString()) << file;
        EXPECT_EQ(info.Comment, QString()) << file;
        EXPECT_EQ(info.Genre, -1) << file;
        EXPECT_EQ(info.TrackNumber, 100) << file;
        EXPECT_EQ(track(1), s("Track01")) << file;
        EXPECT_EQ(track(100), s("Track100")) << file;
    }
}

TEST(DiscInfo, SaveAndLoadRoundTripUnderSignedKeys)
{
    quillon::test::TempHome home;
    ASSERT_TRUE(quillon::test::writeFile(DiscInfoFilePath(),
                                         "[99]\nArtist=Kept\nTrackNumber=1\n1=Kept song\n"));
    TCDInfo& info = OptionsSetting.CDInfo;
    // A disc identifier with the top bit set is a negative key.
    const QString key = QString::number(qint32(0x8F00A1B2u));
    ASSERT_TRUE(key.startsWith(QLatin1Char('-')));

    info = TCDInfo{};
    info.Artist = s("Ärtist 日本");
    info.Album = s("Album");
    info.Year = s("2001");
    info.Genre = 118;
    info.Comment = s("  spaced comment ");
    info.TrackNumber = 3;
    info.Tracks[1] = s("One");
    info.Tracks[2] = s("Two / Three = 2");
    info.Tracks[3] = s("\"Quoted\"");
    info.Tracks[4] = s("never saved");
    LoadSaveDiscInfo(key, false);

    const TIniFile ini(DiscInfoFilePath());
    EXPECT_EQ(ini.keys(key), (QStringList{s("Artist"), s("Album"), s("Year"), s("Genre"),
                                          s("Comment"), s("TrackNumber"), s("1"), s("2"), s("3")}));
    EXPECT_EQ(ini.readString(s("99"), s("1"), {}), s("Kept song"));

    info = TCDInfo{};
    markTitles();
    LoadSaveDiscInfo(key, true);
    EXPECT_EQ(info.Artist, s("Ärtist 日本"));
    EXPECT_EQ(info.Year, s("2001"));
    EXPECT_EQ(info.Genre, 118);
    EXPECT_EQ(info.Comment, s("  spaced comment "));
    EXPECT_EQ(info.TrackNumber, 3);
    EXPECT_EQ(track(2), s("Two / Three = 2"));
    EXPECT_EQ(track(3), s("\"Quoted\""));
    EXPECT_EQ(track(4), s("old 4"));
}

TEST(DiscInfo, LookedUpFieldsRoundTripBesideTheOldKeys)
{
    quillon::test::TempHome home;
    TCDInfo& info = OptionsSetting.CDInfo;
    info = TCDInfo{};
    info.Artist = s("Band");
    info.TrackNumber = 2;
    info.Tracks[1] = s("One");
    info.Tracks[2] = s("Two");
    info.Source = s("musicbrainz");
    info.Date = s("1994-05-02");
    info.DiscNumber = 2;
    info.DiscTotal = 3;
    info.MusicBrainzReleaseId = s("rel");
    info.Details[2] = {s("Guest"), s("GBAYE9400001"), s("rec"), s("trk")};
    info.FrontCover = "\xFF\xD8\xFF";
    LoadSaveDiscInfo(s("5"), false);

    // A file of before keeps loading: the old keys come first, as always.
    const TIniFile ini(DiscInfoFilePath());
    EXPECT_EQ(ini.keys(s("5")).mid(0, 8),
              (QStringList{s("Artist"), s("Album"), s("Year"), s("Genre"), s("Comment"),
                           s("TrackNumber"), s("1"), s("2")}));
    EXPECT_FALSE(ini.valueExists(s("5"), s("Artist1"))); // empty details write nothing

    const TCDInfo saved = info;
    info = TCDInfo{};
    LoadSaveDiscInfo(s("5"), true);
    EXPECT_EQ(info.Source, saved.Source);
    EXPECT_EQ(info.Date, saved.Date);
    EXPECT_EQ(info.DiscNumber, 2);
    EXPECT_EQ(info.DiscTotal, 3);
    EXPECT_EQ(info.MusicBrainzReleaseId, s("rel"));
    EXPECT_EQ(info.Details[2], saved.Details[2]);
    EXPECT_EQ(info.Details[1], TTrackDetails{});
    EXPECT_TRUE(info.FrontCover.isEmpty()); // pictures are not kept in the store

    // Values a later save no longer has are cleared, not left behind.
    info.Details[2] = {};
    info.DiscNumber = 0;
    LoadSaveDiscInfo(s("5"), false);
    info = TCDInfo{};
    LoadSaveDiscInfo(s("5"), true);
    EXPECT_EQ(info.Details[2], TTrackDetails{});
    EXPECT_EQ(info.DiscNumber, 0);
    EXPECT_EQ(info.Tracks[2], s("Two"));
}

TEST(DiscInfo, StoredTitlesAreThoseBesideTheDefaults)
{
    struct Case {
        const char* name;
        QString artist, album, first;
        bool stored;
    } cases[] = {
        {"a disc never seen", {}, {}, s("Track01"), false},
        {"an empty title", {}, {}, {}, false},
        {"a typed title", {}, {}, s("Intro"), true},
        {"an artist", s("Band"), {}, s("Track01"), true},
        {"an album", {}, s("Album"), s("Track01"), true},
    };
    for (const Case& c : cases) {
        TCDInfo info;
        info.TrackNumber = 2;
        info.Artist = c.artist;
        info.Album = c.album;
        info.Tracks[1] = c.first;
        info.Tracks[2] = s("Track02");
        info.Tracks[3] = s("beyond the track count");
        EXPECT_EQ(HasStoredTitles(info), c.stored) << c.name;
    }
}

TEST(DiscInfo, SaveNeverReadsPastTheHundredTitles)
{
    quillon::test::TempHome home;
    TCDInfo& info = OptionsSetting.CDInfo;
    info = TCDInfo{};
    info.TrackNumber = 150;
    info.Tracks[100] = s("last");
    LoadSaveDiscInfo(s("7"), false);
    const TIniFile ini(DiscInfoFilePath());
    EXPECT_EQ(ini.readString(s("7"), s("100"), {}), s("last"));
    EXPECT_FALSE(ini.valueExists(s("7"), s("101")));
    EXPECT_EQ(ini.readInteger(s("7"), s("TrackNumber"), 0), 150);
}

TEST(DiscInfo, EmptyKeyDoesNothing)
{
    quillon::test::TempHome home;
    OptionsSetting.CDInfo.Artist = s("kept");
    LoadSaveDiscInfo(QString(), false);
    EXPECT_FALSE(QFile::exists(DiscInfoFilePath()));
    LoadSaveDiscInfo(QString(), true);
    EXPECT_EQ(OptionsSetting.CDInfo.Artist, s("kept"));
}

TEST(DiscInfo, FailedSaveThrowsAndKeepsOtherDiscs)
{
    quillon::test::TempHome home;
    const QByteArray previous = "[1]\nArtist=Old\n";
    ASSERT_TRUE(quillon::test::writeFile(DiscInfoFilePath(), previous));
    OptionsSetting.CDInfo = TCDInfo{};
    OptionsSetting.CDInfo.TrackNumber = 99;
    std::string message = "(nothing thrown)";
    {
        quillon::test::ScopedFileSizeLimit limit(200);
        try {
            LoadSaveDiscInfo(s("2"), false);
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    }
    EXPECT_EQ(message, "Unable to write to " + DiscInfoFilePath().toStdString());
    EXPECT_EQ(quillon::test::readFile(DiscInfoFilePath()), previous);
}

TEST(DiscInfo, GenreIndexIsExactAndCaseSensitive)
{
    const struct {
        const char* name;
        int index;
    } cases[] = {
        {"Rock", 117}, {"rock", -1},        {"ROCK", -1}, {"A Cappella", 0}, {"Vocal", 147},
        {"Other", 95}, {"Drum & Base", 43}, {"", -1},     {"Rock ", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GenreIndex(s(c.name)), c.index) << c.name;
}
