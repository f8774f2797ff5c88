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
#include "verify/verify_settings.h"

#include <QString>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

// Called before each track is read: tracks read so far of those to read.
using TOffsetSearchProgress = std::function<void(int done, int total)>;

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
                                     const std::atomic<bool>* stop = nullptr,
                                     const TOffsetSearchProgress& progress = {});

// The whole search for the drive holding a disc, as the command line and the
// options window run it: the disc's table of contents, the AccurateRip
// answer, then SearchDriveOffset over kMaxReadOffset either way.
struct TReadOffsetFinding {
    enum class Outcome {
        Found,
        NoDisc,
        LookupFailed,
        NotInDatabase,
        NoChecksums,
        NoFit,
        ReadFailed,
        Stopped
    };
    Outcome Result = Outcome::NoDisc;
    int Offset = 0;         // with Found
    int TracksAgreeing = 0; // with Found: tracks that allow Offset ...
    int TracksTried = 0;    // ... of those the database has a checksum for
    QString Error;          // with LookupFailed and ReadFailed: the reason

    // Why nothing was found, as a sentence for the user ("the disc is not in
    // the AccurateRip database; try another one"); empty with Found.
    QString failureText() const;
};

TReadOffsetFinding FindReadOffset(ICDAccess& access, HCDROM handle, const TVerifySettings& settings,
                                  const std::atomic<bool>* stop = nullptr,
                                  const TOffsetSearchProgress& progress = {});
