#pragma once
// CRC-32 (IEEE 802.3, as zlib computes it) of a stream fed block by block,
// optionally of one window of it only: the bytes from skipStart up to
// (excluding) end, counted from the start of the stream.

#include <cstddef>
#include <cstdint>
#include <limits>

class TCrc32 {
public:
    static constexpr std::int64_t kToTheEnd = std::numeric_limits<std::int64_t>::max();

    explicit TCrc32(std::int64_t skipStart = 0, std::int64_t end = kToTheEnd);

    void add(const char* data, std::size_t bytes);
    std::uint32_t value() const { return m_crc; }
    // Bytes that went into the value.
    std::int64_t counted() const { return m_counted; }

    static std::uint32_t of(const char* data, std::size_t bytes);
    // The CRC of A followed by B from the CRCs of both and the length of B.
    static std::uint32_t combine(std::uint32_t crcA, std::uint32_t crcB, std::int64_t bytesB);

private:
    std::int64_t m_skipStart;
    std::int64_t m_end;
    std::int64_t m_position = 0;
    std::int64_t m_counted = 0;
    std::uint32_t m_crc = 0;
};
