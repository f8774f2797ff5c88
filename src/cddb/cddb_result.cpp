#include "cddb_result.h"

void TCddbResult::mergeDiscFields(const TCddbEntry& entry)
{
    if (entry.Artist)
        Artist = entry.Artist;
    if (entry.Album)
        Album = entry.Album;
    if (entry.Year)
        Year = entry.Year;
    if (entry.Genre)
        Genre = entry.Genre;
}

int CddbGenreNumber(const QString& name, const std::function<int(const QString&)>& genreIndex)
{
    const int index = genreIndex ? genreIndex(name) : -1;
    return index < 0 ? -1 : index + 1;
}

void ApplyCddbResult(const TCddbResult& result, TCDInfo& info,
                     const std::function<int(const QString&)>& genreIndex,
                     const std::function<void(int row, const QString& title)>& setTitle)
{
    if (result.Artist)
        info.Artist = *result.Artist;
    if (result.Album)
        info.Album = *result.Album;
    if (result.Year)
        info.Year = *result.Year;
    if (result.Genre)
        info.Genre = CddbGenreNumber(*result.Genre, genreIndex);
    if (!setTitle)
        return;
    for (size_t row = 0; row < result.Titles.size(); ++row) {
        if (result.Titles[row])
            setTitle(int(row), *result.Titles[row]);
    }
}
