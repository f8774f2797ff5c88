#pragma once
// The parser of a disc entry's text (xmcd lines KEY=value) as the server
// sends it after cmd=cddb+read. Pure: text in, fields out.
//
// - A key may be repeated to continue a long value: the values after '=' are
//   joined as they stand, then the whole is trimmed.
// - TTITLEn is the title of the n-th track of the disc (0 = first track),
//   whatever the order of the lines.
// - DTITLE is "Artist / Album", split at the first " / "; without it, artist
//   and album are both the whole text.
// - Comment lines (#...), blank lines, lines without '=' and unknown keys are
//   ignored.

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

struct TCddbEntry {
    // Each field is set only when the entry has its line.
    std::optional<QString> Artist;
    std::optional<QString> Album;
    std::optional<QString> Year;
    std::optional<QString> Genre; // the DGENRE text, not yet a genre number
    // Titles[n] is TTITLEn; one slot per track of the disc.
    std::vector<std::optional<QString>> Titles;

    // True when at least one track title is present.
    bool HasTitles() const;
};

// Parses text for a disc of trackCount tracks (titles of higher indexes are
// ignored).
TCddbEntry ParseCddbEntry(QStringView text, int trackCount);
