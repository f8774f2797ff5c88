#include "jobs/safe_file_name.h"

#include "settings/disc_info.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isForbidden(QChar c)
{
    switch (c.unicode()) {
    case '/':
    case '\\':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        return c.unicode() < 0x20 || c.category() == QChar::Other_Control;
    }
}

} // namespace

QString CutToUtf8Bytes(const QString& text, int maxBytes)
{
    int bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        // A surrogate pair is one character of four bytes.
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t u = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const int size = u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

QString SafeNamePart(const QString& text, int maxBytes)
{
    QString stem = text;
    for (QChar& c : stem) {
        if (isForbidden(c))
            c = QLatin1Char('-');
    }
    const auto trim = [&stem] {
        qsizetype from = 0;
        while (from < stem.size() &&
               (stem[from] == QLatin1Char('.') || stem[from] == QLatin1Char(' ')))
            ++from;
        qsizetype to = stem.size();
        while (to > from && (stem[to - 1] == QLatin1Char('.') || stem[to - 1] == QLatin1Char(' ')))
            --to;
        stem = stem.mid(from, to - from);
    };
    trim();
    stem = CutToUtf8Bytes(stem, maxBytes);
    // Cutting may have uncovered a trailing dot or space.
    trim();
    return stem;
}

QString SafeFileStem(const QString& title, int track, int maxBytes)
{
    const QString stem = SafeNamePart(title, maxBytes);
    return stem.isEmpty() ? DefaultTrackTitle(track) : stem;
}

QString TUniqueStems::take(const QString& stem)
{
    QString candidate = CutToUtf8Bytes(stem, m_maxBytes);
    for (int n = 2; m_taken.contains(candidate.toCaseFolded()); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        candidate = CutToUtf8Bytes(stem, m_maxBytes - int(suffix.toUtf8().size())) + suffix;
    }
    m_taken.insert(candidate.toCaseFolded());
    return candidate;
}

QString ConvertedFilePath(const QString& folder, const QString& input, int item, const QString& ext,
                          TUniqueStems& stems)
{
    QString name = QFileInfo(input).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return QDir(folder).filePath(stems.take(SafeFileStem(name, item)) + ext);
}
