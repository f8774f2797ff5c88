#pragma once
// Where the audio of a disc lies, from its table of contents: each audio
// track's span (INDEX 01 to the sector before the next track's INDEX 01, so a
// pregap belongs to the track before it), the end of the audio, and the
// sectors before track 1's INDEX 01 that may hold a hidden track.

#include "cdaccess/cd_access.h"

#include <cstdint>
#include <vector>

// Between the audio session of an enhanced CD and its data session: lead-out
// (6750), lead-in (4500) and the data track's pregap (150).
constexpr std::int32_t kSessionGapSectors = 11400;

struct TAudioTrackSpan {
    int Number = 0;         // the track number of the TOC
    std::int32_t Start = 0; // INDEX 01, as an LSN
    std::int32_t Sectors = 0;
    std::int64_t Samples() const { return std::int64_t(Sectors) * kSamplesPerSector; }
    std::int32_t End() const { return Start + Sectors; }
};

struct TDiscLayout {
    std::vector<TAudioTrackSpan> Tracks; // audio tracks only, in disc order
    std::int32_t Leadout = 0;            // the TOC's lead-out LSN
    // The sector after the last audio sector: the lead-out, or on an enhanced
    // CD the end of the audio session.
    std::int32_t AudioEnd = 0;
    // Sectors from LSN 0 to track 1's INDEX 01 when track 1 is audio: where
    // hidden track one audio would be.
    std::int32_t HiddenSectors = 0;
    bool Enhanced = false;  // audio tracks followed by a data track
    bool DataFirst = false; // track 1 is a data track

    bool isEmpty() const { return Tracks.empty(); }
    // Samples from the first audio track's INDEX 01 to AudioEnd.
    std::int64_t AudioSamples() const;
    // The index in Tracks of a TOC track number; -1 when it is not an audio track.
    int indexOf(int trackNumber) const;
};

// The layout of toc; empty (no tracks) when toc holds no audio track or its
// addresses go backwards.
TDiscLayout DiscLayoutOf(const TTOC& toc);
