#include "extract_tag.h"

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
