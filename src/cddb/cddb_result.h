#pragma once
// What a CDDB lookup found, kept apart from the disc record and the track
// list until the UI thread applies it.

#include "cddb_entry.h"
#include "settings/options_setting.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

struct TCddbResult {
    std::optional<QString> Artist;
    std::optional<QString> Album;
    std::optional<QString> Year;
    std::optional<QString> Genre; // the DGENRE text
    // Titles[row]: the title of track first + row; empty where none was found.
    std::vector<std::optional<QString>> Titles;
    // Every entry with track titles, in the server's order, for the user to
    // choose from; the first is the one above (its disc fields include those
    // of the entries before it). Empty when no entry had titles.
    std::vector<TCddbEntry> Choices;

    // Takes the fields entry has; fields it lacks keep their earlier values
    // (the disc fields come from the last entry that has them).
    void mergeDiscFields(const TCddbEntry& entry);
};

// The result when the user chose Choices[index]: the result itself for the
// first (or an index out of range), else that entry's fields and titles.
TCddbResult CddbResultOfChoice(const TCddbResult& result, size_t index);

// Genre number of a DGENRE text: place in the genre list + 1 (1..148), or -1
// when genreIndex finds no equal name.
int CddbGenreNumber(const QString& name, const std::function<int(const QString&)>& genreIndex);

// Applies result on the UI thread: Artist, Album, Year and Genre of info
// where the result has them (Comment and info's titles stay), and setTitle(row,
// text) for every title found. genreIndex is the genre lookup (GenreIndex).
// Once titles arrive the record names CDDB as their source, and what another
// source said of the release (MusicBrainz ids, track artists, disc number)
// is dropped, so that it never goes into the tags of different titles.
void ApplyCddbResult(const TCddbResult& result, TCDInfo& info,
                     const std::function<int(const QString&)>& genreIndex,
                     const std::function<void(int row, const QString& title)>& setTitle);
