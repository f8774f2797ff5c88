// The parser of MusicBrainz disc answers, on answers written here.
#include "mb_answers.h"
#include "metadata/musicbrainz_answer.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

TEST(MusicBrainzAnswer, TwoReleasesTheSetGivesItsSecondMedium)
{
    const TMusicBrainzAnswer a =
        ParseMusicBrainzDiscAnswer(mbtest::twoReleases(), mbtest::kDiscId, 2);
    ASSERT_TRUE(a.Ok);
    ASSERT_EQ(a.Candidates.size(), 2u);
    const TDiscCandidate& set = a.Candidates[0];
    EXPECT_EQ(set.Artist, QStringLiteral("Anna & Bo feat. Cy"));
    EXPECT_EQ(set.Album, QStringLiteral("Live Set"));
    EXPECT_EQ(set.Year(), QStringLiteral("1994"));
    EXPECT_EQ(set.Date, QStringLiteral("1994-05-02"));
    EXPECT_EQ(set.Country, QStringLiteral("GB"));
    EXPECT_EQ(set.Label, QStringLiteral("Label Ltd"));
    EXPECT_EQ(set.MediumText(), QStringLiteral("2 of 2"));
    EXPECT_TRUE(set.MediumMatches);
    EXPECT_TRUE(set.HasFrontCover);
    EXPECT_EQ(set.ReleaseId, QString::fromLatin1(mbtest::kSetId));
    EXPECT_EQ(set.ReleaseGroupId, QStringLiteral("33333333-3333-3333-3333-333333333333"));
    EXPECT_EQ(set.AlbumArtistId, QStringLiteral("aaaaaaaa-0000-0000-0000-000000000001"));
    ASSERT_EQ(set.Tracks.size(), 2u);
    EXPECT_EQ(set.Tracks[0].Title, QStringLiteral("Ça va, Straße"));
    EXPECT_EQ(set.Tracks[0].Artist, QStringLiteral("Anna & Bo feat. Cy"));
    EXPECT_EQ(set.Tracks[0].Isrc, QStringLiteral("GBAYE9400001"));
    EXPECT_EQ(set.Tracks[0].RecordingId, QStringLiteral("55555555-5555-5555-5555-555555555551"));
    EXPECT_EQ(set.Tracks[0].ReleaseTrackId, QStringLiteral("44444444-4444-4444-4444-444444444441"));
    EXPECT_EQ(set.Tracks[1].Title, QStringLiteral("東京の夜"));
    EXPECT_EQ(set.Tracks[1].Artist, QStringLiteral("Dee"));
    EXPECT_TRUE(set.Tracks[1].Isrc.isEmpty());

    const TDiscCandidate& single = a.Candidates[1];
    EXPECT_EQ(single.MediumText(), QStringLiteral("1 of 1"));
    EXPECT_FALSE(single.HasFrontCover);
    EXPECT_EQ(single.Tracks[1].Title, QStringLiteral("B-Side"));
    EXPECT_EQ(DefaultCandidateIndex(a.Candidates), 0);
}

TEST(MusicBrainzAnswer, MatchByDurationsTakesTheMediumOfTheDiscsSize)
{
    struct Case {
        int tracks;
        size_t candidates;
        int position;
    } cases[] = {{2, 1, 2}, {3, 1, 1}, {5, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tracks);
        const TMusicBrainzAnswer a =
            ParseMusicBrainzDiscAnswer(mbtest::fuzzyRelease(), mbtest::kDiscId, c.tracks);
        ASSERT_TRUE(a.Ok);
        ASSERT_EQ(a.Candidates.size(), c.candidates);
        if (c.candidates) {
            EXPECT_EQ(a.Candidates[0].DiscNumber, c.position);
            EXPECT_FALSE(a.Candidates[0].MediumMatches);
        }
    }
    // With an exact and a fuzzy candidate, the exact one is offered first.
    std::vector<TDiscCandidate> both =
        ParseMusicBrainzDiscAnswer(mbtest::fuzzyRelease(), mbtest::kDiscId, 2).Candidates;
    const auto exact =
        ParseMusicBrainzDiscAnswer(mbtest::twoReleases(), mbtest::kDiscId, 2).Candidates;
    both.push_back(exact[1]);
    EXPECT_EQ(DefaultCandidateIndex(both), 1);
}

TEST(MusicBrainzAnswer, HostileAnswersNeverCrashOrLeak)
{
    struct Case {
        const char* name;
        QByteArray body;
        bool ok;
        size_t candidates;
    } cases[] = {
        {"not JSON", "<html>Bad Gateway</html>", false, 0},
        {"cut short", mbtest::twoReleases().left(300), false, 0},
        {"an array", "[1,2,3]", false, 0},
        {"no releases", R"({"id":"x"})", false, 0},
        {"releases not a list", R"({"releases":{"a":1}})", false, 0},
        {"empty list", R"({"releases":[]})", true, 0},
        {"wrong types everywhere",
         R"({"releases":[7,"x",{"title":5,"artist-credit":"me","media":[{"discs":[{"id":"ourDiscIdOurDiscIdOurDiscId-"}],"position":-3,"tracks":[{"title":["a"]},null]}]}]})",
         true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TMusicBrainzAnswer a = ParseMusicBrainzDiscAnswer(c.body, mbtest::kDiscId, 2);
        EXPECT_EQ(a.Ok, c.ok);
        EXPECT_EQ(a.Candidates.size(), c.candidates);
        if (!a.Ok) {
            EXPECT_FALSE(a.Error.isEmpty());
        }
    }
    // Ids that are no ids are dropped, control characters become spaces,
    // long texts are cut.
    const QByteArray odd =
        QStringLiteral(
            R"({"releases":[{"id":"../../etc/passwd","title":"A\u0000B\u001b[31mC","artist-credit":[{"name":"%1"}],
        "media":[{"discs":[{"id":"ourDiscIdOurDiscIdOurDiscId-"}],"tracks":[{"title":"t","recording":{"id":"x?y"}}]}]}]})")
            .arg(QString(5000, QLatin1Char('n')))
            .toUtf8();
    const TMusicBrainzAnswer a = ParseMusicBrainzDiscAnswer(odd, mbtest::kDiscId, 2);
    ASSERT_EQ(a.Candidates.size(), 1u);
    EXPECT_TRUE(a.Candidates[0].ReleaseId.isEmpty());
    EXPECT_TRUE(a.Candidates[0].Tracks[0].RecordingId.isEmpty());
    EXPECT_EQ(a.Candidates[0].Album, QStringLiteral("A B [31mC"));
    EXPECT_LE(a.Candidates[0].Artist.size(), 1000);
}

} // namespace
