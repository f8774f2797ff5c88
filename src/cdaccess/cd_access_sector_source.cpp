#include "cdaccess/cd_access_sector_source.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kMaxMessages = 50; // a badly damaged disc must not fill the log
} // namespace

TCdAccessSectorSource::TCdAccessSectorSource(ICDAccess& access, HCDROM handle,
                                             const TSectorSourceOptions& options)
    : m_access(access), m_handle(handle), m_options(options)
{}

bool TCdAccessSectorSource::readRun(std::int32_t lsn, std::int32_t count, char* out)
{
    m_buf.StartFrame = lsn;
    m_buf.NumFrames = count;
    m_buf.MaxLen = count * kSectorSize;
    if (m_buf.Buf.size() < m_buf.MaxLen)
        m_buf.Buf.resize(m_buf.MaxLen);
    if (m_access.ReadCDAudioLBA(m_handle, m_buf) && m_buf.Len >= m_buf.MaxLen &&
        m_buf.StartOffset >= 0 && m_buf.StartOffset + m_buf.MaxLen <= m_buf.Buf.size()) {
        std::memcpy(out, m_buf.Buf.constData() + m_buf.StartOffset, std::size_t(m_buf.MaxLen));
        return true;
    }
    if (m_messages.size() < kMaxMessages) {
        const QString text = m_access.LastErrorText();
        if (!text.isEmpty() && !m_messages.contains(text))
            m_messages.append(text);
    }
    return false;
}

void TCdAccessSectorSource::read(std::int32_t lsn, std::int32_t count, char* out,
                                 std::uint16_t* flags)
{
    std::fill(flags, flags + count, std::uint16_t(0));
    if (count <= 0 || readRun(lsn, count, out))
        return;
    const int attempts =
        1 + (m_options.Mode == TSectorReadMode::Secure ? std::max(0, m_options.Retries) : 0);
    for (std::int32_t i = 0; i < count; ++i) {
        char* sector = out + std::size_t(i) * kSectorSize;
        // A run of one sector was just tried as the whole run.
        bool ok = false;
        for (int attempt = count == 1 ? 1 : 0; attempt < attempts && !ok; ++attempt)
            ok = readRun(lsn + i, 1, sector);
        if (!ok) {
            std::memset(sector, 0, kSectorSize);
            flags[i] = sfReadError | sfUnreadable;
        }
    }
}

QStringList TCdAccessSectorSource::takeMessages()
{
    QStringList messages;
    messages.swap(m_messages);
    return messages;
}
