#pragma once
// Finding the read offset of a drive from a disc the AccurateRip database
// knows: every audio track's sector 450 is read with its surroundings,
// uncorrected, and the shift at which its frame-450 checksum equals one the
// database holds is that track's vote (FindReadOffsets, MostLikelyOffset).
//
// Threads: blocks; the stop flag may be set from any thread.

#include "cdaccess/cd_access.h"
#include "cdaccess/disc_layout.h"
#include "verify/accuraterip_answer.h"

#include <QString>

#include <atomic>
#include <optional>
#include <vector>

struct TDriveOffsetSearch {
    std::optional<int> Offset;           // the offset most tracks agree on
    std::vector<std::vector<int>> Found; // per audio track, the offsets it allows
    int TracksTried = 0;                 // tracks the database has a frame-450 checksum for
    int TracksAgreeing = 0;              // tracks that allow Offset
    QString Error;                       // the drive could not be read
    bool Stopped = false;
};

// maxOffset: the largest offset tried either way, in samples.
TDriveOffsetSearch SearchDriveOffset(ICDAccess& access, HCDROM handle, const TDiscLayout& layout,
                                     const TAccurateRipAnswer& answer, int maxOffset,
                                     const std::atomic<bool>* stop = nullptr);
