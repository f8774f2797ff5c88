#include "cddb_entry.h"

#include "cddb_text.h"

#include <QStringList>

namespace {

// The n of "TTITLEn", or -1 when key is not a track title key.
int titleIndex(QStringView key)
{
    static const QString prefix = QStringLiteral("TTITLE");
    if (!key.startsWith(prefix) || key.size() == prefix.size() || key.size() > prefix.size() + 3)
        return -1;
    int n = 0;
    for (QChar c : key.mid(prefix.size())) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

void append(std::optional<QString>& field, QStringView value)
{
    if (!field)
        field.emplace();
    field->append(value);
}

void finish(std::optional<QString>& field)
{
    if (field)
        *field = CleanCddbText(*field);
}

} // namespace

bool TCddbEntry::HasTitles() const
{
    for (const auto& t : Titles) {
        if (t)
            return true;
    }
    return false;
}

TCddbEntry ParseCddbEntry(QStringView text, int trackCount)
{
    TCddbEntry entry;
    entry.Titles.resize(size_t(std::max(trackCount, 0)));
    std::optional<QString> discTitle;

    const QStringList lines = SplitCddbLines(text);
    for (const QString& line : lines) {
        const QStringView view(line);
        const qsizetype eq = view.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        // A comment line never matches: its key starts with '#'.
        const QStringView key = view.left(eq).trimmed();
        const QStringView value = view.mid(eq + 1);
        if (key == QLatin1String("DTITLE")) {
            append(discTitle, value);
        } else if (key == QLatin1String("DYEAR")) {
            append(entry.Year, value);
        } else if (key == QLatin1String("DGENRE")) {
            append(entry.Genre, value);
        } else if (const int n = titleIndex(key); n >= 0 && n < trackCount) {
            append(entry.Titles[size_t(n)], value);
        }
    }

    finish(entry.Year);
    finish(entry.Genre);
    for (auto& t : entry.Titles)
        finish(t);
    if (discTitle) {
        const QString whole = CleanCddbText(*discTitle);
        const qsizetype split = whole.indexOf(QLatin1String(" / "));
        if (split < 0) {
            entry.Artist = whole;
            entry.Album = whole;
        } else {
            entry.Artist = whole.left(split).trimmed();
            entry.Album = whole.mid(split + 3).trimmed();
        }
    }
    return entry;
}
