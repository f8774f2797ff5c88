#include "extract_tag.h"

#include "tags/genres.h"
#include "tags/id3_tag.h"

int WriteExtractTag(const QString& path, const QString& title, int track, const TCDInfo& disc)
{
    Tid3tag tag;
    tag.SetTitle(title);
    tag.SetArtist(TrackArtist(disc, track));
    tag.SetAlbum(disc.Album);
    tag.SetYear(disc.Year);
    tag.SetGenre(GenreNumberToByte(disc.Genre));
    tag.SetComment(disc.Comment);
    tag.SetTrack(track);
    return tag.WriteTag(path);
}

QString TrackArtist(const TCDInfo& disc, int track)
{
    if (track > 0 && track < int(disc.Details.size()) &&
        !disc.Details[size_t(track)].Artist.trimmed().isEmpty())
        return disc.Details[size_t(track)].Artist;
    return disc.Artist;
}

QString ReleaseDateText(const TCDInfo& disc)
{
    const QString year = disc.Year.trimmed();
    if (!disc.Date.isEmpty() && (year.isEmpty() || disc.Date.startsWith(year)))
        return disc.Date;
    return disc.Year;
}
