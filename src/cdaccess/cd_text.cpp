#include "cd_text.h"

#include <QStringDecoder>

bool TCdTextBlock::isEmpty() const
{
    return Title.isEmpty() && Performer.isEmpty() && Songwriter.isEmpty() && Composer.isEmpty() &&
           Genre.isEmpty() && Message.isEmpty() && Isrc.isEmpty();
}

bool TCdText::isEmpty() const
{
    if (!Disc.Title.isEmpty() || !Disc.Performer.isEmpty())
        return false;
    for (const TCdTextBlock& t : Tracks) {
        if (!t.Title.isEmpty() || !t.Performer.isEmpty())
            return false;
    }
    return true;
}

QString RepairCueSheetText(const QString& text)
{
    bool multiByte = false;
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return text;
        multiByte = multiByte || c.unicode() >= 0xC0;
    }
    if (!multiByte)
        return text;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(text.toLatin1());
    return utf8.hasError() ? text : decoded;
}
