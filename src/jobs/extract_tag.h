#pragma once
// The ID3v1 tag written after each MP3 file of an extraction.

#include "settings/options_setting.h"

#include <QString>

// Writes title, the track's artist (TrackArtist), the disc record's album,
// year, genre and comment, and the track number into the tag of the MP3 file
// at path. Returns the tag writer's result: below 256 on success.
int WriteExtractTag(const QString& path, const QString& title, int track, const TCDInfo& disc);

// The artist of track n: its own when the record has one, else the album's.
QString TrackArtist(const TCDInfo& disc, int track);

// The release date for a tag: the full date when it agrees with the year
// (the year may have been edited since), else the year.
QString ReleaseDateText(const TCDInfo& disc);
