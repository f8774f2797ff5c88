// The parsers of the server's query and read answers.
#include "cddb/cddb_answer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

struct QueryCase {
    const char* name;
    const char* body;
    int capacity;
    TCddbAnswerKind kind;
    int code;
    std::vector<const char*> matches; // "category discid"
};

TEST(CddbAnswerParser, QueryAnswers)
{
    using K = TCddbAnswerKind;
    const QueryCase cases[] = {
        {"one exact match",
         "200 rock 920ef00b Some Artist / Some Album\r\n",
         10,
         K::Matches,
         200,
         {"rock 920ef00b"}},
        {"several exact matches",
         "210 Found exact matches, list follows (until terminating `.')\r\n"
         "rock 920ef00b A / B\r\nmisc 920ef00c C / D\r\n.\r\n",
         10,
         K::Matches,
         210,
         {"rock 920ef00b", "misc 920ef00c"}},
        {"inexact matches, LF only",
         "211 Found inexact matches\nsoundtrack 0a0b0c0d X\n.\nnewage ffffffff Y\n",
         10,
         K::Matches,
         211,
         {"soundtrack 0a0b0c0d"}},
        {"capacity keeps the first ones",
         "210 list\nrock 00000001 a\nrock 00000002 b\nrock 00000003 c\n.\n",
         2,
         K::Matches,
         210,
         {"rock 00000001", "rock 00000002"}},
        {"bad list lines skipped",
         "210 list\nrock&cmd=x 00000001 a\nrock 0000001 short\nrock 0000000g hex\n"
         "jazz 0000000A ok\n.\n",
         10,
         K::Matches,
         210,
         {"jazz 0000000a"}},
        {"list without usable lines", "210 list\ngarbage\n.\n", 10, K::NoMatch, 210, {}},
        {"no match", "202 No match for disc ID 09001203.\r\n", 10, K::NoMatch, 202, {}},
        {"server error", "500 Unknown developer email\r\n", 10, K::NoMatch, 500, {}},
        {"handshake refused", "409 No handshake\r\n", 10, K::NoMatch, 409, {}},
        {"leading blank lines", "\r\n\r\n202 none\r\n", 10, K::NoMatch, 202, {}},
        {"200 with a bad disc id", "200 rock nothex!! Title\r\n", 10, K::Bad, 200, {}},
        {"200 without a disc id", "200 rock\r\n", 10, K::Bad, 200, {}},
        {"html page", "<html><body>Not here</body></html>\n", 10, K::Bad, 0, {}},
        {"code not followed by a space", "200rock 920ef00b x\n", 10, K::Bad, 0, {}},
        {"unexpected status", "320 OK, input CDDB data\n", 10, K::Bad, 320, {}},
        {"status out of range", "999 what\n", 10, K::Bad, 999, {}},
        {"empty body", "", 10, K::Bad, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TCddbQueryAnswer a = ParseCddbQueryAnswer(QString::fromUtf8(c.body), c.capacity);
        EXPECT_EQ(a.Kind, c.kind);
        EXPECT_EQ(a.Code, c.code);
        ASSERT_EQ(a.Matches.size(), c.matches.size());
        for (size_t i = 0; i < c.matches.size(); ++i)
            EXPECT_EQ(a.Matches[i].Category + QLatin1Char(' ') + a.Matches[i].DiscId,
                      QString::fromLatin1(c.matches[i]));
    }
}

TEST(CddbAnswerParser, MatchTitleAndServerText)
{
    TCddbQueryAnswer a = ParseCddbQueryAnswer(u"200 rock 920ef00b  Some Artist / Album \r\n", 10);
    ASSERT_EQ(a.Matches.size(), 1u);
    EXPECT_EQ(a.Matches[0].Title, QStringLiteral("Some Artist / Album"));
    a = ParseCddbQueryAnswer(u"500 Unknown developer email\r\n", 10);
    EXPECT_EQ(a.Message, QStringLiteral("500 Unknown developer email"));
}

TEST(CddbAnswerParser, ReadAnswers)
{
    struct ReadCase {
        const char* name;
        const char* body;
        bool ok;
        int code;
        const char* text;
    };
    const ReadCase cases[] = {
        {"entry",
         "210 rock 920ef00b CD database entry follows\r\nDTITLE=A / B\r\nTTITLE0=x\r\n.\r\n", true,
         210, "DTITLE=A / B\nTTITLE0=x"},
        {"lines after the end mark dropped", "210 rock 1 x\nTTITLE0=a\n.\nTTITLE0=evil\n", true,
         210, "TTITLE0=a"},
        {"no end mark", "210 rock 1 x\nTTITLE0=a\n", true, 210, "TTITLE0=a"},
        {"not found", "401 rock 920ef00b No such CD entry in database.\r\n", false, 401, ""},
        {"garbage", "HTTP/1.0 200 OK\r\n", false, 0, ""},
        {"empty", "", false, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TCddbReadAnswer a = ParseCddbReadAnswer(QString::fromUtf8(c.body));
        EXPECT_EQ(a.Ok, c.ok);
        EXPECT_EQ(a.Code, c.code);
        EXPECT_EQ(a.Text, QString::fromUtf8(c.text));
    }
}

} // namespace
