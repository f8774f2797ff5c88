#pragma once
// The ID3v1 tag written after each MP3 file of an extraction.

#include "settings/options_setting.h"

#include <QString>

// Writes title, the disc record's artist, album, year, genre and comment, and
// the track number into the tag of the MP3 file at path. Returns the tag
// writer's result: below 256 on success.
int WriteExtractTag(const QString& path, const QString& title, int track, const TCDInfo& disc);
