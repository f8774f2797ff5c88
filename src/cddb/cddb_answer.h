#pragma once
// Parsers of the server's answers to cmd=cddb+query and cmd=cddb+read.
// Pure: the body of the HTTP answer in, a typed answer out. Anything the
// parsers do not recognise is a bad answer, never a guess.

#include <QString>
#include <QStringView>

#include <vector>

// One match of a query: the server's category and disc id (both checked, as
// they go back into the read command) and its title line.
struct TCddbMatch {
    QString Category;
    QString DiscId;
    QString Title;
};

enum class TCddbAnswerKind {
    Matches, // Matches holds at least one entry
    NoMatch, // the server answered without a match: 202, 4xx, 5xx, empty list
    Bad,     // not a CDDB answer
};

struct TCddbQueryAnswer {
    TCddbAnswerKind Kind = TCddbAnswerKind::Bad;
    int Code = 0;    // the server's status code; 0 for a bad answer
    QString Message; // the status line as the server sent it
    std::vector<TCddbMatch> Matches;
};

// Parses a query answer; keeps at most capacity matches.
TCddbQueryAnswer ParseCddbQueryAnswer(QStringView body, int capacity);

struct TCddbReadAnswer {
    bool Ok = false;
    int Code = 0;
    QString Message; // the status line
    QString Text;    // the entry's lines (without the status line and the final '.')
};

TCddbReadAnswer ParseCddbReadAnswer(QStringView body);
