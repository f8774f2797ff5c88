#include "tags/safe_name_part.h"

namespace {

bool isUnsafe(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c);
}

bool isTrimmed(QChar c)
{
    return c == u'.' || c.isSpace();
}

} // namespace

QString ReplaceUnsafeNameChars(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (isUnsafe(c))
            c = u'-';
    }
    return out;
}

QString SafeNamePart(const QString& text, int maxBytes)
{
    QString name = ReplaceUnsafeNameChars(text);
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && isTrimmed(name.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(name.at(end - 1)))
        --end;
    name = name.mid(begin, end - begin);
    // Cut whole characters (surrogate pairs stay together) until it fits.
    while (name.toUtf8().size() > maxBytes) {
        name.chop(name.size() >= 2 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
        // A cut may leave a trailing dot or space behind.
        while (!name.isEmpty() && isTrimmed(name.back()))
            name.chop(1);
    }
    return name;
}
