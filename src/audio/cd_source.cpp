#include "audio/cd_source.h"

#include "audio/pcm_exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TCDSource::TCDSource(QObject* owner) : TPcmInput(owner) {}

TCDSource::~TCDSource()
{
    NotifyRemoval();
}

void TCDSource::SetRange(std::int32_t startSector, std::int32_t endSector)
{
    m_startSector = startSector;
    m_endSector = std::max(startSector, endSector);
}

int TCDSource::GetTotalTime()
{
    return int(std::lround(double(m_endSector - m_startSector) / kFramesPerSecond));
}

void TCDSource::BeginRead()
{
    m_nextSector = m_startSector;
    m_block.clear();
    m_bufStart = 1;
    m_bufEnd = 0;
    m_readError.clear();
    m_position = 0;
    m_size = qint64(m_endSector - m_startSector) * kSectorSize;
    m_busy = true;
}

void TCDSource::EndRead()
{
    m_busy = false;
    m_block.clear();
}

bool TCDSource::refill()
{
    const std::int32_t count = std::min(kSectorsPerRead, m_endSector - m_nextSector);
    if (count <= 0)
        return false;
    m_request.StartFrame = m_nextSector;
    m_request.NumFrames = count;
    m_request.MaxLen = count * kSectorSize;
    m_request.Len = 0;
    m_request.Status = 0;
    m_request.StartOffset = 0;
    m_request.Buf.resize(m_request.MaxLen);
    ICDAccess& access = cdAccess();
    if (!access.ReadCDAudioLBA(m_handle, m_request) || m_request.Status != kReadStatusOk ||
        m_request.Len != m_request.MaxLen ||
        m_request.StartOffset + m_request.Len > m_request.Buf.size()) {
        const QString why = access.LastErrorText();
        throw EPcmException((QStringLiteral("Cannot read CD sectors %1 to %2")
                                 .arg(m_nextSector)
                                 .arg(m_nextSector + count - 1) +
                             (why.isEmpty() ? QString() : QStringLiteral(": ") + why))
                                .toStdString());
    }
    m_block = m_request.Buf.mid(m_request.StartOffset, m_request.Len);
    m_nextSector += count;
    m_bufStart = 1;
    m_bufEnd = m_block.size();
    return true;
}

qint64 TCDSource::ReadData(char* buffer, qint64 size)
{
    if (!m_busy)
        throw EPcmException("The Stream is not opened");
    if (!m_readError.empty()) {
        const std::string error = std::move(m_readError);
        m_readError.clear();
        throw EPcmException(error);
    }
    qint64 done = 0;
    while (done < size) {
        try {
            if (m_bufEnd < m_bufStart && !refill())
                break;
        } catch (const EPcmException& e) {
            if (done == 0)
                throw;
            // Deliver the good audio of this call; the error comes with the next.
            m_readError = e.what();
            break;
        }
        const qint64 n = std::min(size - done, m_bufEnd - m_bufStart + 1);
        std::memcpy(buffer + done, m_block.constData() + m_bufStart - 1, size_t(n));
        m_bufStart += n;
        done += n;
    }
    m_position += done;
    return done;
}
