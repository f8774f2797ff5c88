// The disc-entry parser, fed with entry texts as a server sends them.
#include "cddb/cddb_entry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Opt = std::optional<QString>;
const Opt none = std::nullopt;
Opt s(const char* text)
{
    return QString::fromUtf8(text);
}

struct EntryCase {
    const char* name;
    QString text;
    int tracks;
    Opt artist, album, year, genre;
    std::vector<Opt> titles;
};

QString lines(std::initializer_list<const char*> list, const char* eol = "\n")
{
    QString out;
    for (const char* l : list)
        out += QString::fromUtf8(l) + QString::fromLatin1(eol);
    return out;
}

TEST(CddbEntryParser, Table)
{
    const EntryCase cases[] = {
        {"plain entry with CRLF",
         lines({"# xmcd", "#", "DISCID=09001203", "DTITLE=Some Artist / Some Album", "DYEAR=1999",
                "DGENRE=Rock", "TTITLE0=Intro", "TTITLE1=Middle", "TTITLE2=End",
                "EXTD=", "PLAYORDER="},
               "\r\n"),
         3,
         s("Some Artist"),
         s("Some Album"),
         s("1999"),
         s("Rock"),
         {s("Intro"), s("Middle"), s("End")}},
        {"CR only endings",
         lines({"DTITLE=A / B", "TTITLE0=x", "TTITLE1=y"}, "\r"),
         2,
         s("A"),
         s("B"),
         none,
         none,
         {s("x"), s("y")}},
        {"artist with a slash",
         lines({"DTITLE=AC/DC / Live"}),
         1,
         s("AC/DC"),
         s("Live"),
         none,
         none,
         {none}},
        {"split at the first ' / '",
         lines({"DTITLE=A / B / C"}),
         1,
         s("A"),
         s("B / C"),
         none,
         none,
         {none}},
        {"no ' / ': both the whole text",
         lines({"DTITLE=Greatest Hits"}),
         1,
         s("Greatest Hits"),
         s("Greatest Hits"),
         none,
         none,
         {none}},
        {"slash without spaces is not a split",
         lines({"DTITLE=Either/Or"}),
         1,
         s("Either/Or"),
         s("Either/Or"),
         none,
         none,
         {none}},
        {"disc title continued",
         lines({"DTITLE=A Very Long Art", "DTITLE=ist Name / The Alb", "DTITLE=um"}),
         1,
         s("A Very Long Artist Name"),
         s("The Album"),
         none,
         none,
         {none}},
        {"continued title does not shift later titles",
         lines({"TTITLE0=One", "TTITLE1=Two", "TTITLE2=Three", "TTITLE3=A long title that goes ",
                "TTITLE3=on and on", "TTITLE4=Five", "TTITLE5=Six"}),
         6,
         none,
         none,
         none,
         none,
         {s("One"), s("Two"), s("Three"), s("A long title that goes on and on"), s("Five"),
          s("Six")}},
        {"titles by index, not by order",
         lines({"TTITLE2=Third", "TTITLE0=First", "DTITLE=X / Y", "TTITLE1=Second"}),
         3,
         s("X"),
         s("Y"),
         none,
         none,
         {s("First"), s("Second"), s("Third")}},
        {"fewer titles than tracks",
         lines({"TTITLE0=a", "TTITLE1=b"}),
         4,
         none,
         none,
         none,
         none,
         {s("a"), s("b"), none, none}},
        {"a gap in the titles",
         lines({"TTITLE0=a", "TTITLE2=c"}),
         3,
         none,
         none,
         none,
         none,
         {s("a"), none, s("c")}},
        {"titles beyond the disc and bad keys ignored",
         lines({"TTITLE0=a", "TTITLE1=b", "TTITLE2=beyond", "TTITLE99999999999=huge", "TTITLEx=bad",
                "TTITLE=none", "TTITLE-1=neg", "XTTITLE0=other"}),
         2,
         none,
         none,
         none,
         none,
         {s("a"), s("b")}},
        {"fields trimmed, empty values kept",
         lines({"DYEAR=   ", "DGENRE=  Heavy Metal  ", "TTITLE0=  spaced  "}),
         1,
         none,
         none,
         s(""),
         s("Heavy Metal"),
         {s("spaced")}},
        {"DGENRE case kept for the lookup",
         lines({"DGENRE=rock"}),
         0,
         none,
         none,
         none,
         s("rock"),
         {}},
        {"missing fields stay unset",
         lines({"# only comments", "", "   ", "no equals sign"}),
         2,
         none,
         none,
         none,
         none,
         {none, none}},
        {"comment lines with keys are comments",
         lines({"# DTITLE=Not / This", "#TTITLE0=nope", "TTITLE0=yes"}),
         1,
         none,
         none,
         none,
         none,
         {s("yes")}},
        {"value may contain '='",
         lines({"TTITLE0=a = b", "DTITLE=x=y / z"}),
         1,
         s("x=y"),
         s("z"),
         none,
         none,
         {s("a = b")}},
        {"control characters become spaces",
         lines({"TTITLE0=\x1b[31mred\x07 \t", "DYEAR=\x01"}),
         1,
         none,
         none,
         s(""),
         none,
         {s("[31mred")}},
        {"UTF-8 text",
         lines({"DTITLE=Björk / Homogénic", "TTITLE0=Jóga"}),
         1,
         s("Björk"),
         s("Homogénic"),
         none,
         none,
         {s("Jóga")}},
        {"keys are case-sensitive",
         lines({"dtitle=a / b", "ttitle0=x"}),
         1,
         none,
         none,
         none,
         none,
         {none}},
        {"empty text", QString(), 3, none, none, none, none, {none, none, none}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TCddbEntry e = ParseCddbEntry(c.text, c.tracks);
        EXPECT_EQ(e.Artist, c.artist);
        EXPECT_EQ(e.Album, c.album);
        EXPECT_EQ(e.Year, c.year);
        EXPECT_EQ(e.Genre, c.genre);
        EXPECT_EQ(e.Titles, c.titles);
        EXPECT_EQ(e.HasTitles(),
                  std::any_of(c.titles.begin(), c.titles.end(), [](const Opt& t) { return t; }));
    }
}

TEST(CddbEntryParser, HostileInput)
{
    // A very long line, many continuations of one key, a flood of lines
    // without '=', NULs and lone surrogates: the parser returns normally.
    const QString longTitle(200000, QLatin1Char('x'));
    QString flood;
    for (int i = 0; i < 5000; ++i)
        flood += QStringLiteral("TTITLE1=ab\n");
    const QString nul = QStringLiteral("TTITLE0=a") + QChar(0) + QStringLiteral("b\n");
    const QString surrogate = QStringLiteral("TTITLE0=") + QChar(0xD800) + QStringLiteral("\n");

    TCddbEntry e = ParseCddbEntry(QStringLiteral("TTITLE0=") + longTitle, 2);
    EXPECT_EQ(e.Titles[0], longTitle);
    e = ParseCddbEntry(flood, 2);
    EXPECT_EQ(e.Titles[1]->size(), 10000);
    e = ParseCddbEntry(QString(100000, QLatin1Char('=')), 2);
    EXPECT_FALSE(e.HasTitles());
    e = ParseCddbEntry(nul, 1);
    EXPECT_EQ(e.Titles[0], QStringLiteral("a b"));
    e = ParseCddbEntry(surrogate, 1);
    EXPECT_TRUE(e.HasTitles());
    e = ParseCddbEntry(QStringLiteral("TTITLE0=a"), -5);
    EXPECT_TRUE(e.Titles.empty());
}

} // namespace
