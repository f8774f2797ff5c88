#pragma once
// Putting a chosen candidate into the disc record.

#include "disc_candidate.h"
#include "settings/options_setting.h"

#include <functional>

// Replaces the record's titles and release fields by the candidate's, as one
// step: artist, album, year and date, disc number and total, the MusicBrainz
// ids, and per track the title, artist (kept only where it differs from the
// album's), ISRC and ids. A track without a title in the candidate keeps its
// title; the comment stays, and so does the genre unless the candidate names
// one genreIndex knows. TrackNumber becomes trackCount.
void ApplyCandidate(const TDiscCandidate& candidate, int trackCount, TCDInfo& info,
                    const std::function<int(const QString&)>& genreIndex);
