#include "cddb_result.h"

#include <algorithm>

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

TCddbResult CddbResultOfChoice(const TCddbResult& result, size_t index)
{
    if (index == 0 || index >= result.Choices.size())
        return result;
    TCddbResult chosen;
    const TCddbEntry& entry = result.Choices[index];
    chosen.mergeDiscFields(entry);
    chosen.Titles = entry.Titles;
    chosen.Choices = result.Choices;
    return chosen;
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
    const bool hasTitles =
        std::any_of(result.Titles.begin(), result.Titles.end(),
                    [](const std::optional<QString>& t) { return t.has_value(); });
    if (hasTitles) {
        const TCDInfo fresh;
        info.Source = QStringLiteral("cddb");
        info.Date = fresh.Date;
        info.DiscNumber = fresh.DiscNumber;
        info.DiscTotal = fresh.DiscTotal;
        info.MusicBrainzDiscId = fresh.MusicBrainzDiscId;
        info.MusicBrainzReleaseId = fresh.MusicBrainzReleaseId;
        info.MusicBrainzReleaseGroupId = fresh.MusicBrainzReleaseGroupId;
        info.MusicBrainzAlbumArtistId = fresh.MusicBrainzAlbumArtistId;
        info.Details = fresh.Details;
        info.FrontCover = fresh.FrontCover;
    }
    if (!setTitle)
        return;
    for (size_t row = 0; row < result.Titles.size(); ++row) {
        if (result.Titles[row])
            setTitle(int(row), *result.Titles[row]);
    }
}
