#pragma once
// Candidates from the sources that are not MusicBrainz: the disc's own
// CD-Text and a CDDB entry.

#include "cdaccess/cd_text.h"
#include "cddb/cddb_entry.h"
#include "disc_candidate.h"

// The CD-Text as a candidate for a disc of trackCount tracks (its medium
// matches: the text is the disc's own).
TDiscCandidate CdTextCandidate(const TCdText& text, int trackCount);

// A CDDB entry as a candidate; tracks without a title keep an empty one.
TDiscCandidate CddbCandidate(const TCddbEntry& entry, int trackCount);
