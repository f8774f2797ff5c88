#include "verify/crc32_checksum.h"

#include <zlib.h>

#include <algorithm>

TCrc32::TCrc32(std::int64_t skipStart, std::int64_t end)
    : m_skipStart(std::max<std::int64_t>(skipStart, 0)), m_end(end)
{}

void TCrc32::add(const char* data, std::size_t bytes)
{
    const std::int64_t from = std::max(m_position, m_skipStart);
    const std::int64_t to = std::min(m_position + std::int64_t(bytes), m_end);
    if (from < to) {
        m_crc =
            std::uint32_t(crc32_z(m_crc, reinterpret_cast<const Bytef*>(data + (from - m_position)),
                                  std::size_t(to - from)));
        m_counted += to - from;
    }
    m_position += std::int64_t(bytes);
}

std::uint32_t TCrc32::of(const char* data, std::size_t bytes)
{
    return std::uint32_t(crc32_z(0, reinterpret_cast<const Bytef*>(data), bytes));
}

std::uint32_t TCrc32::combine(std::uint32_t crcA, std::uint32_t crcB, std::int64_t bytesB)
{
    return std::uint32_t(crc32_combine(crcA, crcB, z_off_t(bytesB)));
}
