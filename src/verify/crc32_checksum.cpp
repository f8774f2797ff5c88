#include "verify/crc32_checksum.h"

#include <zlib.h>

#include <algorithm>

TCrc32::TCrc32(std::int64_t skipStart, std::int64_t end)
    : m_skipStart(std::max<std::int64_t>(skipStart, 0)), m_end(end)
{}

void TCrc32::add(const char* data, std::size_t bytes)
{
    const auto* at = reinterpret_cast<const Bytef*>(data);
    const std::int64_t stop = m_position + std::int64_t(bytes);
    // Fed up to each window edge that falls in this block, so the CRC there
    // can be kept.
    for (const std::int64_t edge : {m_skipStart, m_end}) {
        if (edge < m_position || edge > stop || (edge == m_position && m_position > 0))
            continue;
        const std::size_t piece = std::size_t(edge - m_position);
        m_crc = std::uint32_t(crc32_z(m_crc, at, piece));
        at += piece;
        m_position = edge;
        if (edge == m_skipStart)
            m_crcAtSkipStart = m_crc;
        if (edge == m_end)
            m_crcAtEnd = m_crc;
    }
    m_crc = std::uint32_t(crc32_z(m_crc, at, std::size_t(stop - m_position)));
    m_position = stop;
}

std::int64_t TCrc32::counted() const
{
    return std::max<std::int64_t>(std::min(m_position, m_end) - m_skipStart, 0);
}

std::uint32_t TCrc32::value() const
{
    const std::int64_t windowBytes = counted();
    if (windowBytes == 0)
        return 0;
    // zlib's CRC of A followed by B is CRC(A) carried over B's length, xor
    // CRC(B); so CRC(B) is the CRC at the window's end xor CRC(A) carried over.
    const std::uint32_t atEnd = m_position >= m_end ? m_crcAtEnd : m_crc;
    return atEnd ^ combine(m_crcAtSkipStart, 0, windowBytes);
}

std::uint32_t TCrc32::of(const char* data, std::size_t bytes)
{
    return std::uint32_t(crc32_z(0, reinterpret_cast<const Bytef*>(data), bytes));
}

std::uint32_t TCrc32::combine(std::uint32_t crcA, std::uint32_t crcB, std::int64_t bytesB)
{
    return std::uint32_t(crc32_combine(crcA, crcB, z_off_t(bytesB)));
}
