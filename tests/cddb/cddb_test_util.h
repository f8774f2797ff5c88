#pragma once
// Table-of-contents builders for the CDDB tests.

#include "cdaccess/cd_access.h"

#include <vector>

// A TOC whose track starts and lead-out are the given addresses in frames
// from 00:00:00 (LBA + 150); the last address is the lead-out.
inline TTOC TocFromFrames(int firstTrack, const std::vector<int>& frames)
{
    TTOC toc;
    toc.FirstTrack = std::uint8_t(firstTrack);
    toc.LastTrack = std::uint8_t(firstTrack + int(frames.size()) - 2);
    for (size_t k = 0; k < frames.size(); ++k) {
        TTOCTRACK e;
        e.TrackNumber = k + 1 == frames.size() ? 0xAA : std::uint8_t(firstTrack + int(k));
        e.Minute = std::uint8_t(frames[k] / (60 * kFramesPerSecond));
        e.Second = std::uint8_t(frames[k] / kFramesPerSecond % 60);
        e.Frame = std::uint8_t(frames[k] % kFramesPerSecond);
        toc.Entries.push_back(e);
    }
    return toc;
}
