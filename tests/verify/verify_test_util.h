#pragma once
// Test audio for the checksum tests: stereo words w_i = i * 2654435761 + seed
// (mod 2^32), little-endian. The expected values in the tests come from an
// independent Python implementation of the published formulas over the same
// words (zlib.crc32 for the CRCs).

#include <QByteArray>

#include <cstdint>

namespace quillon::test {

inline QByteArray lcgAudio(std::int64_t samples, std::uint32_t seed, std::int64_t firstIndex = 0)
{
    QByteArray audio(qsizetype(samples) * 4, '\0');
    auto* out = reinterpret_cast<unsigned char*>(audio.data());
    for (std::int64_t n = 0; n < samples; ++n, out += 4) {
        const std::uint32_t w = std::uint32_t(firstIndex + n) * 2654435761u + seed;
        out[0] = w & 0xff;
        out[1] = (w >> 8) & 0xff;
        out[2] = (w >> 16) & 0xff;
        out[3] = w >> 24;
    }
    return audio;
}

inline QByteArray constantAudio(std::int64_t samples, std::uint32_t word)
{
    QByteArray audio(qsizetype(samples) * 4, '\0');
    for (qsizetype i = 0; i < audio.size(); ++i)
        audio[i] = char((word >> (8 * (i % 4))) & 0xff);
    return audio;
}

} // namespace quillon::test
