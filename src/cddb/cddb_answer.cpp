#include "cddb_answer.h"

#include "cddb_text.h"

#include <QStringList>

namespace {

// The three-digit status code at the start of line, or 0.
int statusCode(QStringView line)
{
    if (line.size() < 3 || (line.size() > 3 && line[3] != QLatin1Char(' ')))
        return 0;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < QLatin1Char('0') || line[i] > QLatin1Char('9'))
            return 0;
        code = code * 10 + (line[i].unicode() - '0');
    }
    return code >= 100 ? code : 0;
}

bool isCategory(QStringView s)
{
    if (s.isEmpty() || s.size() > 32)
        return false;
    for (QChar c : s) {
        if (!(c >= QLatin1Char('a') && c <= QLatin1Char('z')) &&
            !(c >= QLatin1Char('A') && c <= QLatin1Char('Z')) &&
            !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    }
    return true;
}

bool isDiscId(QStringView s)
{
    if (s.size() != 8)
        return false;
    for (QChar c : s) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) &&
            !(c >= QLatin1Char('a') && c <= QLatin1Char('f')) &&
            !(c >= QLatin1Char('A') && c <= QLatin1Char('F')))
            return false;
    }
    return true;
}

// "category discid title" -> a match; false when the first two words are not
// a category and a disc id.
bool parseMatch(QStringView line, TCddbMatch& match)
{
    const QStringView text = line.trimmed();
    const qsizetype a = text.indexOf(QLatin1Char(' '));
    if (a < 0)
        return false;
    const QStringView rest = text.mid(a + 1);
    const qsizetype b = rest.indexOf(QLatin1Char(' '));
    const QStringView category = text.left(a);
    const QStringView id = b < 0 ? rest : rest.left(b);
    if (!isCategory(category) || !isDiscId(id))
        return false;
    match.Category = category.toString().toLower();
    match.DiscId = id.toString().toLower();
    match.Title = b < 0 ? QString() : CleanCddbText(rest.mid(b + 1));
    return true;
}

// Index of the first non-blank line, or lines.size().
qsizetype firstLine(const QStringList& lines)
{
    qsizetype i = 0;
    while (i < lines.size() && lines[i].trimmed().isEmpty())
        ++i;
    return i;
}

bool isEndMark(const QString& line)
{
    return line.trimmed() == QLatin1String(".");
}

} // namespace

TCddbQueryAnswer ParseCddbQueryAnswer(QStringView body, int capacity)
{
    TCddbQueryAnswer answer;
    const QStringList lines = SplitCddbLines(body);
    const qsizetype first = firstLine(lines);
    if (first >= lines.size())
        return answer;
    const QString& status = lines[first];
    const int code = statusCode(status);
    if (code == 0)
        return answer;
    answer.Code = code;
    answer.Message = CleanCddbText(status);

    if (code == 200) {
        TCddbMatch match;
        if (!parseMatch(QStringView(status).mid(4), match)) {
            answer.Kind = TCddbAnswerKind::Bad;
            return answer;
        }
        if (capacity > 0)
            answer.Matches.push_back(match);
    } else if (code == 210 || code == 211) {
        for (qsizetype i = first + 1; i < lines.size() && !isEndMark(lines[i]); ++i) {
            TCddbMatch match;
            if (int(answer.Matches.size()) < capacity && parseMatch(lines[i], match))
                answer.Matches.push_back(match);
        }
    } else if (code == 202 || code >= 400) {
        answer.Kind = code < 600 ? TCddbAnswerKind::NoMatch : TCddbAnswerKind::Bad;
        return answer;
    } else {
        return answer; // some other status is not an answer to a query
    }
    answer.Kind = answer.Matches.empty() ? TCddbAnswerKind::NoMatch : TCddbAnswerKind::Matches;
    return answer;
}

TCddbReadAnswer ParseCddbReadAnswer(QStringView body)
{
    TCddbReadAnswer answer;
    const QStringList lines = SplitCddbLines(body);
    const qsizetype first = firstLine(lines);
    if (first >= lines.size())
        return answer;
    answer.Code = statusCode(lines[first]);
    answer.Message = CleanCddbText(lines[first]);
    if (answer.Code != 210)
        return answer;
    QStringList text;
    for (qsizetype i = first + 1; i < lines.size() && !isEndMark(lines[i]); ++i)
        text << lines[i];
    answer.Ok = true;
    answer.Text = text.join(QLatin1Char('\n'));
    return answer;
}
