#include "lame_output_parser.h"

#include "line_splitter.h"
#include "settings/global.h"

#include <cmath>

namespace {

// Characters [column, column + count) of text, 1-based, trimmed.
QString field(const QString& text, int column, int count)
{
    return text.mid(column - 1, count).trimmed();
}

} // namespace

std::optional<TLameProgress> TLameEncodeParser::parseLine(const QByteArray& raw)
{
    if (IsBlankLine(raw))
        return std::nullopt;
    const QString line = QString::fromLatin1(raw);
    if (!line.contains(QLatin1Char('%')))
        return std::nullopt;
    if (TextColumn == 0) {
        // Only the progress line fixes the column: a "%" in a file name on the
        // header line or in the histogram must not.
        const qsizetype mark = line.indexOf(QLatin1String("%)|"));
        if (mark < 0 || mark + 1 - 3 < 1)
            return std::nullopt;
        TextColumn = static_cast<int>(mark + 1 - 3);
    }

    QString s = field(line, TextColumn, 3);
    if (s.startsWith(QLatin1Char('(')))
        s.remove(0, 1);
    bool ok = false;
    const int percent = s.trimmed().toInt(&ok);
    if (!ok || percent < 1 || percent > 100)
        return std::nullopt;
    return TLameProgress{percent, field(line, 21, 8), field(line, 30, 8)};
}

std::optional<TLameProgress> TLameDecodeParser::parseLine(const QByteArray& raw,
                                                          double elapsedSeconds)
{
    if (IsBlankLine(raw))
        return std::nullopt;
    const QString line = QString::fromLatin1(raw);
    if (TextColumn == 0) {
        // The "#" of "Frame#", not the first "#" anywhere: the header lines
        // carry the file names, which may hold one.
        const qsizetype mark = line.indexOf(QLatin1String("Frame#"));
        if (mark < 0)
            return std::nullopt;
        TextColumn = static_cast<int>(mark + 5 + 1 + 1);
    }

    const auto number = [&line](int column) {
        bool ok = false;
        const qint64 value = field(line, column, 6).toLongLong(&ok);
        return ok ? value : -1;
    };
    const qint64 done = number(TextColumn);
    const qint64 total = number(TextColumn + 7);
    if (done == -1 || total == -1 || total == 0)
        return std::nullopt;

    const qint64 percent = done * 100 / total;
    if (percent < 1 || percent > 100)
        return std::nullopt;
    // nearbyint rounds halves to even, as the reports always have.
    const auto elapsed = static_cast<qint64>(std::nearbyint(elapsedSeconds));
    const auto estimate = static_cast<qint64>(
        std::nearbyint(static_cast<double>(elapsed) * 100.0 / static_cast<double>(percent)));
    return TLameProgress{static_cast<int>(percent), TimeText(elapsed), TimeText(estimate)};
}
