#pragma once
// Every checksum of one track, fed once as its PCM passes: the copy CRC
// (CRC-32 of all its bytes), AccurateRip v1/v2 and frame 450, and the track's
// share of the CUETools database CRC (the disc's first 5880 samples and its
// last 5880 + (N mod 5880) are left out of that).

#include "cdaccess/disc_layout.h"
#include "verify/accuraterip_checksum.h"
#include "verify/crc32_checksum.h"

#include <cstddef>
#include <cstdint>

struct TTrackChecksumValues {
    std::uint32_t CopyCrc = 0;
    std::uint32_t V1 = 0;
    std::uint32_t V2 = 0;
    std::uint32_t Frame450 = 0;
    bool HasFrame450 = false;
    std::uint32_t CtdbCrc = 0;  // the track's CUETools database CRC
    std::int64_t CtdbBytes = 0; // bytes it covers (to combine into the disc CRC)
};

class TTrackChecksums {
public:
    // Samples the CUETools database leaves out at the start and end of a disc.
    static constexpr std::int64_t kCtdbSkipSamples = 5880;

    // The track at index in layout.Tracks.
    TTrackChecksums(const TDiscLayout& layout, int index);

    void add(const char* pcm, std::size_t bytes);
    TTrackChecksumValues values() const;

private:
    TAccurateRipChecksum m_accurateRip;
    // The whole track (the copy CRC) and its database window, in one pass.
    TCrc32 m_copyAndCtdb;
};

// The CUETools database CRC of the whole disc from its tracks' values, in order.
std::uint32_t CtdbDiscCrc(const std::vector<TTrackChecksumValues>& tracks);
