#include "extract_tag.h"

#include "tags/genres.h"
#include "tags/id3_tag.h"

int WriteExtractTag(const QString& path, const QString& title, int track, const TCDInfo& disc)
{
    Tid3tag tag;
    tag.SetTitle(title);
    tag.SetArtist(disc.Artist);
    tag.SetAlbum(disc.Album);
    tag.SetYear(disc.Year);
    tag.SetGenre(GenreNumberToByte(disc.Genre));
    tag.SetComment(disc.Comment);
    tag.SetTrack(track);
    return tag.WriteTag(path);
}
