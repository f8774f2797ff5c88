// The lookup chain and the MusicBrainz client against web services started
// here on 127.0.0.1, answering JSON written by the tests.
#include "mb_answers.h"
#include "metadata/candidate_apply.h"
#include "metadata/disc_ids.h"
#include "metadata/metadata_lookup.h"
#include "settings/disc_info.h"
#include "support/cddb_test_server.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

// Two tracks: 10 s and 20 s.
const TTOC kToc = [] {
    TTOC toc;
    toc.FirstTrack = 1;
    toc.LastTrack = 2;
    toc.Entries = {TTOCTRACK::FromFrames(1, 150), TTOCTRACK::FromFrames(2, 900),
                   TTOCTRACK::FromFrames(0xAA, 2400)};
    return toc;
}();
const QString kId = DiscIdsOf(kToc)->MusicBrainz;

QByteArray pathOf(const QByteArray& line)
{
    const QList<QByteArray> words = line.split(' ');
    return words.size() >= 2 ? words[1] : QByteArray();
}

TLookupSettings settingsFor(const CddbTestServer& mb, int transferMs = 5000)
{
    TOptionsSetting options;
    options.MusicBrainz.Server = QStringLiteral("http://%1/").arg(mb.address());
    options.MusicBrainz.CoverArtServer = QStringLiteral("http://%1/caa").arg(mb.address());
    options.MusicBrainz.Contact = QStringLiteral("tests@example.org");
    options.QueryCDDB.Server = mb.address(); // CDDB asked only where a test wants it
    TLookupSettings s = LookupSettingsFrom(options);
    s.Http.TransferMs = transferMs;
    return s;
}

TLookupResult lookUp(const CddbTestServer& server, const std::vector<TMetadataSource>& sources,
                     const std::optional<TCdText>& cdText = std::nullopt, int transferMs = 5000)
{
    return TMetadataLookup(settingsFor(server, transferMs)).Run(kToc, cdText, sources);
}

TCDInfo storedDisc()
{
    TCDInfo info;
    info.Artist = QStringLiteral("Stored Artist");
    info.TrackNumber = 2;
    info.Tracks[1] = QStringLiteral("Stored One");
    info.Tracks[2] = QStringLiteral("Stored Two");
    return info;
}

TEST(MetadataLookup, MusicBrainzAnswersAndFailures)
{
    struct Case {
        const char* name;
        std::vector<TestHttpReply> replies; // in order; the last repeats
        size_t candidates;
        const char* problem; // part of the one problem line; "" for none
        size_t requests;
    };
    const Case cases[] = {
        {"two releases", {{mbtest::twoReleases(kId)}}, 2, "", 1},
        {"unknown id, found by durations", {{"{}", 404}, {mbtest::fuzzyRelease()}}, 1, "", 2},
        {"unknown disc", {{"{}", 404}}, 0, "", 2},
        {"busy, then an answer", {{"", 503}, {mbtest::twoReleases(kId)}}, 2, "", 2},
        {"busy twice", {{"", 503}}, 0, "MusicBrainz is busy", 2},
        {"malformed answer", {{"{\"releases\": [ {\"title\": "}}, 0, "cannot be read", 1},
        {"refused", {{"", 403}}, 0, "HTTP 403", 1},
        {"time-out", {{{}, 200, true}}, 0, "did not answer in time", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<size_t> served{0};
        CddbTestServer server([&](const QByteArray&) {
            const size_t i = served++;
            return c.replies[std::min(i, c.replies.size() - 1)];
        });
        const TLookupResult r = lookUp(server, {TMetadataSource::MusicBrainz}, {}, 800);
        EXPECT_EQ(r.Candidates.size(), c.candidates);
        if (*c.problem) {
            ASSERT_EQ(r.Problems.size(), 1);
            EXPECT_TRUE(r.Problems[0].contains(QLatin1String(c.problem)))
                << r.Problems[0].toStdString();
        } else {
            EXPECT_TRUE(r.Problems.isEmpty()) << r.Problems.join(QLatin1Char('\n')).toStdString();
        }
        const auto got = server.received();
        ASSERT_EQ(got.size(), c.requests);
        EXPECT_EQ(pathOf(got[0].line),
                  "/ws/2/discid/" + kId.toLatin1() +
                      "?inc=recordings+artist-credits+labels+release-groups+isrcs&fmt=json");
        if (got.size() == 2 && got[0].line != got[1].line) {
            EXPECT_TRUE(pathOf(got[1].line).endsWith("&cdstubs=no&toc=1+2+2400+150+900"))
                << got[1].line.constData();
        }
        // Whatever happened, the stored titles stay unless a candidate is applied.
        TCDInfo info = storedDisc();
        if (!r.Candidates.empty())
            ApplyCandidate(r.Candidates[size_t(DefaultCandidateIndex(r.Candidates))], 2, info,
                           GenreIndex);
        else
            EXPECT_EQ(info.Tracks[1], QStringLiteral("Stored One"));
    }
}

TEST(MetadataLookup, PoliteToMusicBrainz)
{
    CddbTestServer server(
        [](const QByteArray&) { return TestHttpReply{mbtest::twoReleases(kId)}; });
    // Two lookups one after the other: a second apart at least, as the
    // server saw them arrive.
    lookUp(server, {TMetadataSource::MusicBrainz});
    lookUp(server, {TMetadataSource::MusicBrainz});
    const auto got = server.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_GE(got[1].arrived - got[0].arrived, milliseconds(1000));
    for (const auto& request : got) {
        EXPECT_EQ(request.header("User-Agent"),
                  "Quillon/" QUILLON_VERSION " ( tests@example.org )");
        EXPECT_EQ(request.header("Accept"), "application/json");
    }
}

TEST(MetadataLookup, ChainOrderAndAgreement)
{
    TCdText agreeing;
    agreeing.Disc.Performer = QStringLiteral("anna & bo feat. cy"); // letter case aside
    agreeing.Disc.Title = QStringLiteral("Live Set");
    agreeing.Tracks.resize(2);
    agreeing.Tracks[0].Title = QStringLiteral("Ça va, Straße");
    agreeing.Tracks[1].Title = QStringLiteral("東京の夜");
    TCdText differing = agreeing;
    differing.Tracks[1].Title = QStringLiteral("Tokyo");
    using S = TMetadataSource;
    struct Case {
        const char* name;
        bool mbKnowsDisc;
        std::optional<TCdText> cdText;
        std::vector<S> sources;
        std::vector<S> found; // sources of the candidates, in order
        bool cddbAsked;
    };
    const Case cases[] = {
        {"CD-Text that agrees adds nothing",
         true,
         agreeing,
         {S::MusicBrainz, S::CdText},
         {S::MusicBrainz, S::MusicBrainz},
         false},
        {"CD-Text that differs is offered",
         true,
         differing,
         {S::MusicBrainz, S::CdText},
         {S::MusicBrainz, S::MusicBrainz, S::CdText},
         false},
        {"found: CDDB is not asked",
         true,
         std::nullopt,
         {S::MusicBrainz, S::CdText, S::Cddb},
         {S::MusicBrainz, S::MusicBrainz},
         false},
        {"CD-Text first keeps the web quiet",
         true,
         differing,
         {S::CdText, S::MusicBrainz},
         {S::CdText},
         false},
        {"nothing yet: CDDB is asked",
         false,
         std::nullopt,
         {S::MusicBrainz, S::CdText, S::Cddb},
         {S::Cddb, S::Cddb},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> cddbAsked{false};
        const auto cddb =
            CddbServerHandler("210 found\r\nrock 0a0b0c02 A\r\njazz 0a0b0c02 B\r\n.\r\n",
                              {{"rock+0a0b0c02", "DTITLE=Net / One\nTTITLE0=a\nTTITLE1=b\n"},
                               {"jazz+0a0b0c02", "DTITLE=Net / Two\nTTITLE0=c\n"}});
        CddbTestServer server([&](const QByteArray& line) {
            if (line.contains("cmd=")) {
                cddbAsked = true;
                return cddb(line);
            }
            return c.mbKnowsDisc ? TestHttpReply{mbtest::twoReleases(kId)}
                                 : TestHttpReply{"{}", 404};
        });
        const TLookupResult r = lookUp(server, c.sources, c.cdText);
        std::vector<S> found;
        for (const TDiscCandidate& candidate : r.Candidates)
            found.push_back(candidate.Source);
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(cddbAsked.load(), c.cddbAsked);
    }
}

TEST(MetadataLookup, FrontCoverFollowsTheRedirect)
{
    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(2000, 'j');
    struct Case {
        const char* name;
        const char* release;
        size_t bytes;
        bool problem;
    } cases[] = {
        {"a cover", mbtest::kSetId, size_t(jpeg.size()), false},
        {"no cover", mbtest::kSingleId, 0, false},
        {"not a picture", "77777777-7777-7777-7777-777777777777", 0, true},
        {"no release id", "../../x", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CddbTestServer server([&](const QByteArray& line) {
            const QByteArray path = pathOf(line);
            if (path == QByteArray("/caa/release/") + mbtest::kSetId + "/front-500")
                return TestHttpReply{{}, 307, false, "Location: /images/front.jpg\r\n"};
            if (path == "/images/front.jpg")
                return TestHttpReply{jpeg};
            if (path.startsWith("/caa/release/7777"))
                return TestHttpReply{"<html>a page</html>"};
            return TestHttpReply{"", 404};
        });
        const TLookupResult r =
            TMetadataLookup(settingsFor(server)).FetchFrontCover(QString::fromLatin1(c.release));
        EXPECT_EQ(size_t(r.FrontCover.size()), c.bytes);
        EXPECT_EQ(!r.Problems.isEmpty(), c.problem);
    }
}

TEST(MetadataLookup, SourcesSetting)
{
    using S = TMetadataSource;
    const std::pair<const char*, std::optional<std::vector<S>>> cases[] = {
        {"musicbrainz,cdtext,cddb", std::vector<S>{S::MusicBrainz, S::CdText, S::Cddb}},
        {" CDText , cddb,cdtext", std::vector<S>{S::CdText, S::Cddb}},
        {"cddb", std::vector<S>{S::Cddb}},
        {"", std::nullopt},
        {"musicbrainz,freedb", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        QString error;
        EXPECT_EQ(ParseMetadataSources(QString::fromLatin1(text), &error), expected) << text;
        EXPECT_EQ(error.isEmpty(), expected.has_value()) << text;
    }
}

} // namespace
