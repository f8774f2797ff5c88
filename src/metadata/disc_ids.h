#pragma once
// The identifiers a disc is looked up by, computed by libdiscid from a table
// of contents the program already read, so that disc images work as well as
// drives.
//
// MusicBrainz counts the audio session only: on an Enhanced CD (audio tracks,
// then a data session) the trailing data tracks are left out and the audio
// session ends 11400 sectors before the data track starts.

#include "cdaccess/cd_access.h"

#include <QString>

#include <optional>

struct TDiscIds {
    QString MusicBrainz; // 28 characters
    QString Freedb;      // eight lower-case hex digits
    // "first+last+leadout+offset1+...": the toc= argument of a fuzzy lookup.
    QString TocArgument;
    int AudioTracks = 0; // tracks of the audio session
};

// Ids of first..last with offsets[0] = lead-out and offsets[n] = start of
// track n, all in sectors from 00:00:00 (LBA + 150). Nothing when libdiscid
// refuses the TOC.
std::optional<TDiscIds> DiscIdsOfOffsets(int first, int last, const int (&offsets)[100]);

// Ids of a disc's table of contents; nothing for a TOC without audio tracks.
std::optional<TDiscIds> DiscIdsOf(const TTOC& toc);
