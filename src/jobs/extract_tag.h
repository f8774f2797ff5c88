#pragma once
// What the tags of an extracted track take from the disc record.

#include "settings/options_setting.h"

#include <QString>

// The artist of track n: its own when the record has one, else the album's.
QString TrackArtist(const TCDInfo& disc, int track);

// The release date for a tag: the full date when it agrees with the year
// (the year may have been edited since), else the year.
QString ReleaseDateText(const TCDInfo& disc);
