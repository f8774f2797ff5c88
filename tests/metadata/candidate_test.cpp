// Candidates into the disc record, and the texts the chooser shows.
#include "metadata/candidate_apply.h"
#include "metadata/candidate_list.h"
#include "metadata/source_candidates.h"
#include "settings/disc_info.h"

#include <gtest/gtest.h>

namespace {

TCandidateTrack track(const QString& title, const QString& artist, const QString& isrc = {})
{
    TCandidateTrack t;
    t.Title = title;
    t.Artist = artist;
    t.Isrc = isrc;
    return t;
}

TDiscCandidate release()
{
    TDiscCandidate c;
    c.Artist = QStringLiteral("Band");
    c.Album = QStringLiteral("Album");
    c.Date = QStringLiteral("2001-02-03");
    c.Country = QStringLiteral("DE");
    c.Format = QStringLiteral("CD");
    c.DiscNumber = 1;
    c.DiscTotal = 2;
    c.ReleaseId = QStringLiteral("rel");
    c.DiscId = QStringLiteral("disc");
    c.Tracks = {track(QStringLiteral("One"), QStringLiteral("Band"), QStringLiteral("ISRC1")),
                track(QString(), QStringLiteral("Guest")),
                track(QStringLiteral("Three"), QStringLiteral("Guest"))};
    return c;
}

TEST(Candidate, AppliedAsOneWholeRecord)
{
    TCDInfo info;
    info.Comment = QStringLiteral("mine");
    info.Genre = 5;
    info.TrackNumber = 3;
    info.Tracks = {QString(), QStringLiteral("old1"), QStringLiteral("old2"),
                   QStringLiteral("old3")};
    info.MusicBrainzReleaseId = QStringLiteral("earlier");
    info.FrontCover = "picture of the earlier release";
    info.Details[3].RecordingId = QStringLiteral("stale");

    TDiscCandidate c = release();
    c.Genre = QStringLiteral("Rock");
    ApplyCandidate(c, 3, info, GenreIndex);
    EXPECT_EQ(info.Artist, QStringLiteral("Band"));
    EXPECT_EQ(info.Year, QStringLiteral("2001"));
    EXPECT_EQ(info.Date, QStringLiteral("2001-02-03"));
    EXPECT_EQ(info.Genre, GenreIndex(QStringLiteral("Rock")) + 1);
    EXPECT_EQ(info.Comment, QStringLiteral("mine"));
    EXPECT_EQ(info.Source, QStringLiteral("musicbrainz"));
    EXPECT_EQ(info.DiscNumber, 1);
    EXPECT_EQ(info.DiscTotal, 2);
    EXPECT_EQ(info.MusicBrainzDiscId, QStringLiteral("disc"));
    EXPECT_TRUE(info.FrontCover.isEmpty()); // another release: its picture no longer fits
    EXPECT_EQ(info.Tracks[1], QStringLiteral("One"));
    EXPECT_EQ(info.Tracks[2], QStringLiteral("old2")); // no title in the candidate
    EXPECT_EQ(info.Details[1].Artist, QString());      // the album's own artist
    EXPECT_EQ(info.Details[1].Isrc, QStringLiteral("ISRC1"));
    EXPECT_EQ(info.Details[2].Artist, QStringLiteral("Guest"));
    EXPECT_TRUE(info.Details[3].RecordingId.isEmpty());

    // A genre the list does not know keeps the one chosen before.
    c.Genre = QStringLiteral("Not A Genre");
    ApplyCandidate(c, 3, info, GenreIndex);
    EXPECT_EQ(info.Genre, GenreIndex(QStringLiteral("Rock")) + 1);
    EXPECT_TRUE(HasStoredTitles(info));
}

TEST(Candidate, ChooserTexts)
{
    TCdText text;
    text.Disc.Performer = QStringLiteral("Disc Artist");
    text.Disc.Title = QStringLiteral("Disc Title");
    text.Tracks.resize(1);
    text.Tracks[0].Title = QStringLiteral("Only");
    const TDiscCandidate cdText = CdTextCandidate(text, 2);
    const TCandidateList list({release(), cdText});
    EXPECT_EQ(list.row(0),
              (QStringList{QStringLiteral("MusicBrainz"), QStringLiteral("Band"),
                           QStringLiteral("Album"), QStringLiteral("2001"), QStringLiteral("DE"),
                           QStringLiteral("CD"), QStringLiteral("1 of 2")}));
    EXPECT_EQ(list.trackLines(0),
              (QStringList{QStringLiteral(" 1  One"), QStringLiteral(" 2   (Guest)"),
                           QStringLiteral(" 3  Three (Guest)")}));
    EXPECT_EQ(list.row(1).first(), QStringLiteral("CD-Text"));
    EXPECT_EQ(list.trackLines(1),
              (QStringList{QStringLiteral(" 1  Only"), QStringLiteral(" 2  ")}));
    // The disc's own text matches its disc; a release found by durations does not.
    EXPECT_EQ(list.defaultIndex(), 1);
}

} // namespace
