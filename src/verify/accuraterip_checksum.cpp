#include "verify/accuraterip_checksum.h"

#include <algorithm>

namespace {

inline std::uint32_t wordAt(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

} // namespace

TAccurateRipChecksum::TAccurateRipChecksum(std::int64_t trackSamples, bool firstAudioTrack,
                                           bool lastAudioTrack)
    : m_from(firstAudioTrack ? kSkippedSamples + 1 : 1),
      m_to(lastAudioTrack ? trackSamples - kSkippedSamples - 1 : trackSamples)
{}

std::optional<std::uint32_t> TAccurateRipChecksum::frame450() const
{
    if (m_next < kFrame450First + 588)
        return std::nullopt;
    return m_frame450;
}

std::uint32_t TAccurateRipChecksum::frame450Of(const char* pcm)
{
    std::uint32_t sum = 0;
    for (std::uint32_t j = 0; j < 588; ++j)
        sum += wordAt(pcm + 4 * j) * (j + 1);
    return sum;
}

void TAccurateRipChecksum::add(const char* pcm, std::size_t bytes)
{
    if (m_partialBytes) {
        while (m_partialBytes < 4 && bytes) {
            m_partial[m_partialBytes++] = static_cast<unsigned char>(*pcm++);
            --bytes;
        }
        if (m_partialBytes < 4)
            return;
        addWords(reinterpret_cast<const char*>(m_partial), 1);
        m_partialBytes = 0;
    }
    const auto words = std::int64_t(bytes / 4);
    addWords(pcm, words);
    for (std::size_t i = std::size_t(words) * 4; i < bytes; ++i)
        m_partial[m_partialBytes++] = static_cast<unsigned char>(pcm[i]);
}

void TAccurateRipChecksum::addWords(const char* pcm, std::int64_t words)
{
    const std::int64_t first = m_next; // sample index of pcm[0]
    // Counted part: multipliers m = index + 1 within [m_from, m_to].
    const std::int64_t begin = std::max(first, m_from - 1);
    const std::int64_t end = std::min(first + words, m_to);
    std::uint32_t low = m_low;
    std::uint32_t high = m_high;
    for (std::int64_t i = begin; i < end; ++i) {
        const std::uint64_t p = std::uint64_t(wordAt(pcm + 4 * (i - first))) * std::uint64_t(i + 1);
        low += std::uint32_t(p);
        high += std::uint32_t(p >> 32);
    }
    m_low = low;
    m_high = high;
    const std::int64_t f0 = std::max(first, kFrame450First);
    const std::int64_t f1 = std::min(first + words, kFrame450First + 588);
    for (std::int64_t i = f0; i < f1; ++i)
        m_frame450 += wordAt(pcm + 4 * (i - first)) * std::uint32_t(i - kFrame450First + 1);
    m_next = first + words;
}
