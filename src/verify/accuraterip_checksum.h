#pragma once
// The AccurateRip checksums of one track, computed while its PCM passes by
// (block by block, any block size, no second read).
//
// Each stereo sample is the word w = L | R << 16 (as it lies on the disc,
// little-endian), numbered m = 1..N. Counted are the samples with
// from <= m <= to, where from is 2940 on the disc's first audio track (else 1)
// and to is N - 2940 on its last audio track (else N). With p = w * m in 64
// bits, v1 sums the low 32 bits of p and v2 adds the high 32 bits too.
// The frame-450 checksum, used to find a drive's offset, is the sum of
// w * (j + 1) over the 588 samples j of the track's sector 450.

#include <cstddef>
#include <cstdint>
#include <optional>

class TAccurateRipChecksum {
public:
    static constexpr std::int64_t kSkippedSamples = 5 * 588 - 1; // samples 1..2939
    static constexpr std::int64_t kFrame450First = 450 * 588;

    TAccurateRipChecksum(std::int64_t trackSamples, bool firstAudioTrack, bool lastAudioTrack);

    // Adds the next bytes of the track (a sample may be split between calls).
    void add(const char* pcm, std::size_t bytes);

    std::uint32_t v1() const { return m_low; }
    std::uint32_t v2() const { return m_low + m_high; }
    // Once sector 450 has passed: its checksum; nothing for shorter tracks.
    std::optional<std::uint32_t> frame450() const;
    std::int64_t samplesAdded() const { return m_next; }

    // The frame-450 sum over 588 words from pcm (2352 bytes).
    static std::uint32_t frame450Of(const char* pcm);

private:
    void addWords(const char* pcm, std::int64_t words);

    std::int64_t m_from;
    std::int64_t m_to;
    std::int64_t m_next = 0; // index of the next sample (m - 1)
    std::uint32_t m_low = 0;
    std::uint32_t m_high = 0;
    std::uint32_t m_frame450 = 0;
    unsigned char m_partial[4] = {};
    int m_partialBytes = 0;
};
