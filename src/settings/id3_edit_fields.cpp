#include "id3_edit_fields.h"

#include "tags/genres.h"
#include "tags/id3_tag.h"

TId3EditFields Id3EditFieldsFromTag(const Tid3tag& tag)
{
    TId3EditFields f;
    f.Title = tag.title();
    f.Artist = tag.artist();
    f.Album = tag.album();
    f.Year = tag.year();
    f.Genre = GenreByteToNumber(tag.genre());
    f.Comment = tag.comment();
    f.Track = QString::number(tag.track());
    return f;
}

void MoveId3EditFieldsToTag(const TId3EditFields& f, Tid3tag& tag)
{
    tag.SetTitle(f.Title);
    tag.SetArtist(f.Artist);
    tag.SetAlbum(f.Album);
    tag.SetYear(f.Year);
    tag.SetGenre(f.Genre < 0 ? Tid3tag::NoGenre : GenreNumberToByte(f.Genre));
    tag.SetComment(f.Comment);
    if (!f.Track.isEmpty())
        tag.SetTrack(f.Track.toInt());
}

QString Id3TrackDigits(const QString& text, int maxDigits, int* cursor)
{
    QString digits;
    int newCursor = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9' && digits.size() < maxDigits) {
            digits += c;
            if (cursor && i < *cursor)
                ++newCursor;
        }
    }
    if (cursor)
        *cursor = newCursor;
    return digits;
}

QString Id3EditCaption(const QString& fileName, const QString& plainCaption)
{
    return fileName.isEmpty() ? plainCaption : fileName + QStringLiteral(": ") + plainCaption;
}
