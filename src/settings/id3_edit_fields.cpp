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

TId3EditFields Id3EditFieldsFromTags(const TTrackTags& v2, const Tid3tag* v1)
{
    TId3EditFields f = v1 ? Id3EditFieldsFromTag(*v1) : TId3EditFields{};
    const auto take = [](QString& field, const QString& value) {
        if (!value.isEmpty())
            field = value;
    };
    take(f.Title, v2.Title);
    take(f.Artist, v2.Artist);
    take(f.Album, v2.Album);
    take(f.Year, v2.Date.left(4));
    take(f.Comment, v2.Comment);
    if (v2.TrackNumber > 0)
        f.Track = QString::number(v2.TrackNumber);
    f.GenreText = v2.Genre;
    if (!v2.Genre.isEmpty()) {
        const qsizetype known = GenreNames().indexOf(v2.Genre);
        f.Genre = known >= 0 ? int(known) + 1 : 0;
    } else if (f.Genre > 0) {
        f.GenreText = GenreNames().at(f.Genre - 1);
    }
    f.AlbumArtist = v2.AlbumArtist;
    if (v2.DiscNumber > 0) {
        f.Disc = v2.DiscTotal > 0 ? QStringLiteral("%1/%2").arg(v2.DiscNumber).arg(v2.DiscTotal)
                                  : QString::number(v2.DiscNumber);
    }
    f.Cover = v2.Cover;
    f.CoverMime = v2.CoverMime;
    return f;
}

void MoveId3EditFieldsToTag(const TId3EditFields& f, Tid3tag& tag)
{
    const auto latin1 = [](const QString& text) { return Id3v1CanHold(text) ? text : QString(); };
    tag.SetTitle(latin1(f.Title));
    tag.SetArtist(latin1(f.Artist));
    tag.SetAlbum(latin1(f.Album));
    tag.SetYear(latin1(f.Year));
    tag.SetGenre(f.Genre < 0 ? Tid3tag::NoGenre : GenreNumberToByte(f.Genre));
    tag.SetComment(latin1(f.Comment));
    if (!f.Track.isEmpty())
        tag.SetTrack(f.Track.toInt());
}

void MoveId3EditFieldsToTags(const TId3EditFields& f, TTrackTags& t)
{
    t.Title = f.Title;
    t.Artist = f.Artist;
    t.AlbumArtist = f.AlbumArtist;
    t.Album = f.Album;
    if (t.Date.left(4) != f.Year)
        t.Date = f.Year;
    t.Genre = f.GenreText;
    t.Comment = f.Comment;
    if (!f.Track.isEmpty())
        t.TrackNumber = f.Track.toInt();
    const QStringList disc = f.Disc.split(u'/');
    t.DiscNumber = disc.value(0).trimmed().toInt();
    t.DiscTotal = disc.size() > 1 ? disc.value(1).trimmed().toInt() : 0;
    t.Cover = f.Cover;
    t.CoverMime = f.CoverMime;
}

QStringList Id3v1Misfits(const TId3EditFields& f)
{
    QStringList misfits;
    const std::pair<const char*, const QString*> texts[] = {
        {"Title", &f.Title}, {"Artist", &f.Artist}, {"Album", &f.Album}, {"Comment", &f.Comment}};
    // Version 1.1 keeps the last two bytes of the comment for the track.
    const bool hasTrack = f.Track.toInt() > 0;
    for (const auto& [name, text] : texts) {
        const int size =
            text == &f.Comment && hasTrack ? Tid3tag::CommentWithTrackSize : Tid3tag::TextFieldSize;
        if (text->size() > size || !Id3v1CanHold(*text))
            misfits << QLatin1String(name);
    }
    return misfits;
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
