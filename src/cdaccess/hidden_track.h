#pragma once
// Hidden track one audio: sound between LSN 0 and track 1's INDEX 01, which
// players never play and rippers skip unless asked.

#include "cdaccess/disc_layout.h"
#include "cdaccess/secure_reader.h"

#include <cstddef>
#include <cstdint>

// Samples quieter than this (about -66 dB) count as silence: pregaps often
// hold a little noise that nobody would call a track.
constexpr int kHiddenTrackThreshold = 16;

// True when some sample of pcm (16-bit little-endian) is louder than the threshold.
bool ContainsAudio(const char* pcm, std::size_t bytes);

struct THiddenTrackScan {
    std::int32_t Sectors = 0; // sectors before track 1's INDEX 01
    bool Audible = false;
    TReadReport Read;
};

// Reads the sectors before track 1 (without offset correction) and says
// whether they hold audio; nothing is read when there are none.
THiddenTrackScan ScanHiddenTrack(ISectorSource& source, const TDiscLayout& layout,
                                 const std::atomic<bool>* stop = nullptr);
