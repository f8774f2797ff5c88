#pragma once
// Finding a drive's read offset from a disc the AccurateRip database knows:
// read a track's sector 450 and its surroundings without correction, then
// look for the shift at which the frame-450 checksum equals one the database
// holds. With the drive's sample k + O being the disc's sample k, the disc's
// sector 450 starts at raw sample 450 * 588 + O of the track.

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

// The first track-relative sample a raw read must start at, and the number of
// samples it must hold, to try every offset in [-maxOffset, maxOffset].
std::int64_t OffsetSearchFirstSample(int maxOffset);
std::int64_t OffsetSearchSamples(int maxOffset);

// The offsets in [-maxOffset, maxOffset] (ascending) at which raw, holding the
// track's uncorrected samples from track-relative sample rawFirst on, gives
// one of crc450s (zeros are ignored: silence matches at any shift).
std::vector<int> FindReadOffsets(const QByteArray& raw, std::int64_t rawFirst,
                                 const std::vector<std::uint32_t>& crc450s, int maxOffset);

// The offset most tracks agree on (the smaller one on a tie); nothing when no
// track found one.
std::optional<int> MostLikelyOffset(const std::vector<std::vector<int>>& perTrack);
