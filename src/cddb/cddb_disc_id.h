#pragma once
// The CDDB disc identifier and the argument list of a CDDB query, both
// computed from a table of contents (all tracks, data tracks included, as the
// CDDB database counts them).

#include "cdaccess/cd_access.h"

#include <QString>

#include <cstdint>

// True when toc can be sent to a CDDB server: 1 to 99 tracks, a lead-out
// entry, track starts that never go backwards.
bool IsUsableCddbToc(const TTOC& toc);

// The 32-bit disc id: (digit sum of every track's start second mod 255) << 24
// | playing seconds << 8 | track count. 0 for an unusable TOC.
std::uint32_t CddbDiscId(const TTOC& toc);

// The id as the protocol writes it: eight lower-case hex digits.
QString CddbDiscIdText(std::uint32_t id);

// "DISCID NTRKS OFF1 ... OFFn NSECS" joined by '+', ready for
// cmd=cddb+query+...; offsets are frames counted from 00:00:00 (LBA + 150),
// NSECS is the lead-out address in whole seconds. Empty for an unusable TOC.
QString CddbQueryArguments(const TTOC& toc);
