#include "cdaccess/cue_sheet_guard.h"

#include <QList>

namespace {

// libcdio reads a sheet with fgets into a 4096-byte buffer: a longer line
// would be cut into pieces, each read as a line of its own.
constexpr qsizetype kMaxLineLength = 4000;
constexpr int kMaxTrack = 99;

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The words of a line, split where libcdio's strtok splits them.
QList<QByteArray> words(const QByteArray& line)
{
    QList<QByteArray> result;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSeparator(line[i]))
            ++i;
        const qsizetype start = i;
        while (i < line.size() && !isSeparator(line[i]))
            ++i;
        if (i > start)
            result.append(line.mid(start, i - start));
    }
    return result;
}

// A track number as the sheet should give it: decimal digits only.
int trackNumber(const QByteArray& word)
{
    if (word.isEmpty() || word.size() > 3)
        return -1;
    int n = 0;
    for (char c : word) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

QString CueSheetProblem(const QByteArray& sheet)
{
    if (sheet.contains('\0'))
        return QStringLiteral("it is not a text file");
    const QList<QByteArray> lines = sheet.split('\n');
    int expected = 1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNumber = int(i + 1);
        if (lines[i].size() > kMaxLineLength)
            return QStringLiteral("line %1 is too long").arg(lineNumber);
        const QList<QByteArray> w = words(lines[i]);
        if (w.isEmpty() || w[0] != "TRACK")
            continue;
        const int number = w.size() > 1 ? trackNumber(w[1]) : -1;
        if (number < 1 || number > kMaxTrack)
            return QStringLiteral("line %1: a track needs a number from 1 to %2")
                .arg(lineNumber)
                .arg(kMaxTrack);
        if (number != expected)
            return QStringLiteral("line %1: track %2 where track %3 belongs "
                                  "(tracks are numbered 1, 2, 3... in order)")
                .arg(lineNumber)
                .arg(number)
                .arg(expected);
        ++expected;
    }
    return {};
}

QString CueSheetReadFor(const QString& imagePath)
{
    if (imagePath.size() <= 3)
        return {};
    const QString stem = imagePath.left(imagePath.size() - 3);
    const QStringView ending = QStringView(imagePath).right(3);
    if (ending == u"cue" || ending == u"CUE")
        return imagePath;
    if (ending == u"bin")
        return stem + QStringLiteral("cue");
    if (ending == u"BIN")
        return stem + QStringLiteral("CUE");
    return {};
}
