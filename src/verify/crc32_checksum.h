#pragma once
// CRC-32 (IEEE 802.3, as zlib computes it) of a stream fed block by block,
// and of one window of it: the bytes from skipStart up to (excluding) end,
// counted from the start of the stream. One pass serves both: the window's CRC
// comes from the stream's CRC at its two edges.
#include <cstddef>
#include <cstdint>
#include <limits>

class TCrc32 {
public:
    static constexpr std::int64_t kToTheEnd = std::numeric_limits<std::int64_t>::max();

    explicit TCrc32(std::int64_t skipStart = 0, std::int64_t end = kToTheEnd);

    void add(const char* data, std::size_t bytes);
    // The window's CRC.
    std::uint32_t value() const;
    // Bytes that went into the window's CRC.
    std::int64_t counted() const;
    // The CRC of every byte fed.
    std::uint32_t wholeValue() const { return m_crc; }

    static std::uint32_t of(const char* data, std::size_t bytes);
    // The CRC of A followed by B from the CRCs of both and the length of B.
    static std::uint32_t combine(std::uint32_t crcA, std::uint32_t crcB, std::int64_t bytesB);

private:
    std::int64_t m_skipStart;
    std::int64_t m_end;
    std::int64_t m_position = 0;
    std::uint32_t m_crc = 0;
    std::uint32_t m_crcAtSkipStart = 0; // valid once m_position >= m_skipStart
    std::uint32_t m_crcAtEnd = 0;       // valid once m_position >= m_end
};
