#include "support/memory_cd_drive.h"

#include <algorithm>

namespace quillon::test {

MemoryCDDrive::MemoryCDDrive(Start start)
{
    if (start == NoDrive)
        return;
    m_frames = {5 * kFramesPerSecond, 3 * kFramesPerSecond, 2 * kFramesPerSecond};
    TCDREC rec;
    rec.Vendor = QStringLiteral("Memory ");
    rec.Product = QStringLiteral("CD-DRIVE");
    rec.Device = QStringLiteral("memory");
    m_drives = {rec};
}

void MemoryCDDrive::setToc(const TTOC& toc)
{
    std::lock_guard guard(m_lock);
    m_frames.clear();
    m_dataTracks.clear();
    m_firstLba = toc.Entries.empty() ? 0 : toc.Entries.front().Lba();
    for (int k = 0; k < toc.TrackCount(); ++k) {
        m_frames.push_back(toc.Entries[size_t(k) + 1].Lba() - toc.Entries[size_t(k)].Lba());
        if (!toc.Entries[size_t(k)].IsAudio())
            m_dataTracks.insert(k + 1);
    }
}

void MemoryCDDrive::setDrives(const std::vector<TCDREC>& drives)
{
    std::lock_guard guard(m_lock);
    m_drives = drives;
}

void MemoryCDDrive::setFailClose(bool fail)
{
    std::lock_guard guard(m_lock);
    m_failClose = fail;
}

void MemoryCDDrive::setExclusive(bool exclusive)
{
    std::lock_guard guard(m_lock);
    m_exclusive = exclusive;
}

std::vector<HCDROM> MemoryCDDrive::closedHandles() const
{
    std::lock_guard guard(m_lock);
    return m_closed;
}

int MemoryCDDrive::listCalls() const
{
    std::lock_guard guard(m_lock);
    return m_listCalls;
}

void MemoryCDDrive::setTracks(const std::vector<std::int32_t>& frames, std::int32_t firstLba)
{
    std::lock_guard guard(m_lock);
    m_frames = frames;
    m_firstLba = firstLba;
}

void MemoryCDDrive::setDataTrack(int trackNumber, bool data)
{
    std::lock_guard guard(m_lock);
    if (data)
        m_dataTracks.insert(trackNumber);
    else
        m_dataTracks.erase(trackNumber);
}

void MemoryCDDrive::setDiscAudio(const QByteArray& audio)
{
    std::lock_guard guard(m_lock);
    m_audio = audio;
}

char MemoryCDDrive::patternByte(std::int32_t lba, int offset)
{
    return char((lba * 31 + offset * 7 + (offset >> 8)) & 0xff);
}

QByteArray MemoryCDDrive::expectedAudio(std::int32_t lba, std::int32_t count) const
{
    std::lock_guard guard(m_lock);
    return audioLocked(lba, count);
}

QByteArray MemoryCDDrive::trackAudio(int track, int maxSectors) const
{
    std::lock_guard guard(m_lock);
    std::int32_t lba = m_firstLba;
    for (int t = 1; t < track; ++t)
        lba += m_frames[size_t(t) - 1];
    std::int32_t count = m_frames[size_t(track) - 1];
    if (maxSectors >= 0 && maxSectors < count)
        count = maxSectors;
    return audioLocked(lba, count);
}

void MemoryCDDrive::setSectorContent(SectorContent content)
{
    std::lock_guard guard(m_lock);
    m_content = std::move(content);
}

void MemoryCDDrive::setBeforeRead(std::function<void(std::int32_t lba)> hook)
{
    std::lock_guard guard(m_lock);
    m_beforeRead = std::move(hook);
}

QByteArray MemoryCDDrive::audioLocked(std::int32_t lba, std::int32_t count) const
{
    QByteArray out(qsizetype(count) * kSectorSize, '\0');
    for (std::int32_t s = 0; s < count; ++s) {
        const std::int32_t sector = lba + s;
        const qsizetype from = qsizetype(sector - m_firstLba) * kSectorSize;
        char* dest = out.data() + qsizetype(s) * kSectorSize;
        if (m_content) {
            m_content(sector, dest);
            continue;
        }
        for (int i = 0; i < kSectorSize; ++i) {
            const qsizetype at = from + i;
            dest[i] = (at >= 0 && at < m_audio.size()) ? m_audio[at] : patternByte(sector, i);
        }
    }
    return out;
}

void MemoryCDDrive::failReadAt(std::int32_t sector)
{
    std::lock_guard guard(m_lock);
    m_badSectors.insert(sector);
}

void MemoryCDDrive::setRefuseAddressMode(bool refuse)
{
    std::lock_guard guard(m_lock);
    m_refuseAddressMode = refuse;
}

void MemoryCDDrive::setFailGetHandle(bool fail)
{
    std::lock_guard guard(m_lock);
    m_failGetHandle = fail;
}

void MemoryCDDrive::setFailReadTOC(bool fail)
{
    std::lock_guard guard(m_lock);
    m_failReadTOC = fail;
}

std::vector<std::pair<std::int32_t, std::int32_t>> MemoryCDDrive::reads() const
{
    std::lock_guard guard(m_lock);
    return m_reads;
}

int MemoryCDDrive::openHandleCount() const
{
    std::lock_guard guard(m_lock);
    return int(m_handles.size());
}

bool MemoryCDDrive::isMsfMode() const
{
    std::lock_guard guard(m_lock);
    return m_msf;
}

bool MemoryCDDrive::isEjected() const
{
    std::lock_guard guard(m_lock);
    return m_ejected;
}

TTOC MemoryCDDrive::toc() const
{
    std::lock_guard guard(m_lock);
    return tocLocked();
}

TTOC MemoryCDDrive::tocLocked() const
{
    TTOC toc;
    if (m_frames.empty())
        return toc;
    toc.FirstTrack = 1;
    toc.LastTrack = std::uint8_t(m_frames.size());
    std::int32_t frames = m_firstLba + kLeadInFrames;
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        const std::uint8_t control = m_dataTracks.count(int(i + 1)) ? 0x04 : 0x00;
        toc.Entries.push_back(TTOCTRACK::FromFrames(std::uint8_t(i + 1), frames, control));
        frames += m_frames[i];
    }
    toc.Entries.push_back(TTOCTRACK::FromFrames(0xAA, frames));
    return toc;
}

std::int32_t MemoryCDDrive::leadoutLocked() const
{
    std::int32_t end = m_firstLba;
    for (std::int32_t f : m_frames)
        end += f;
    return end;
}

bool MemoryCDDrive::fail(int code, const QString& text)
{
    m_error = code;
    m_errorText = text;
    return false;
}

bool MemoryCDDrive::ok()
{
    m_error = CDERR_NONE;
    m_errorText.clear();
    return true;
}

bool MemoryCDDrive::knownHandle(HCDROM handle)
{
    if (m_handles.count(handle))
        return true;
    return fail(CDERR_BAD_HANDLE, QStringLiteral("No open drive has the handle %1").arg(handle));
}

std::vector<TCDREC> MemoryCDDrive::GetCDList()
{
    std::lock_guard guard(m_lock);
    ++m_listCalls;
    ok();
    return m_drives;
}

HCDROM MemoryCDDrive::GetCDHandle(const TCDREC& drive)
{
    std::lock_guard guard(m_lock);
    const bool listed = std::any_of(m_drives.begin(), m_drives.end(), [&](const TCDREC& d) {
        return d.Device == drive.Device && d.Vendor == drive.Vendor && d.Product == drive.Product;
    });
    if (m_failGetHandle || !listed || (m_exclusive && !m_handles.empty())) {
        fail(CDERR_OPEN, QStringLiteral("Cannot open the drive %1").arg(drive.Device));
        return 0;
    }
    const HCDROM handle = m_nextHandle++;
    m_handles.insert(handle);
    ok();
    return handle;
}

bool MemoryCDDrive::CloseCDHandle(HCDROM handle)
{
    std::lock_guard guard(m_lock);
    if (!knownHandle(handle))
        return false;
    if (m_failClose)
        return fail(CDERR_BAD_HANDLE, QStringLiteral("The drive cannot be closed"));
    m_handles.erase(handle);
    m_closed.push_back(handle);
    return ok();
}

bool MemoryCDDrive::ModifyCDParms(HCDROM handle, int which, int value)
{
    std::lock_guard guard(m_lock);
    if (!knownHandle(handle))
        return false;
    if (m_refuseAddressMode || which != kCDParmAddressMode)
        return fail(CDERR_BAD_PARAMETER,
                    QStringLiteral("The drive refuses parameter %1").arg(which));
    m_msf = value == kAddressModeMsf;
    return ok();
}

bool MemoryCDDrive::ReadTOC(HCDROM handle, TTOC& toc)
{
    std::lock_guard guard(m_lock);
    if (!knownHandle(handle))
        return false;
    if (m_failReadTOC || m_ejected || m_frames.empty())
        return fail(CDERR_NO_TOC, QStringLiteral("No table of contents"));
    toc = tocLocked();
    return ok();
}

bool MemoryCDDrive::ReadCDAudioLBA(HCDROM handle, TTRACKBUF& buf)
{
    std::function<void(std::int32_t)> beforeRead;
    {
        std::lock_guard guard(m_lock);
        beforeRead = m_beforeRead;
    }
    if (beforeRead)
        beforeRead(buf.StartFrame);
    std::lock_guard guard(m_lock);
    buf.Len = 0;
    buf.StartOffset = 0;
    buf.Status = kReadStatusError;
    if (!knownHandle(handle))
        return false;
    m_reads.emplace_back(buf.StartFrame, buf.NumFrames);
    if (m_ejected || m_frames.empty())
        return fail(CDERR_NO_TOC, QStringLiteral("No disc in the drive"));
    if (buf.NumFrames <= 0 || buf.StartFrame < m_firstLba ||
        std::int64_t(buf.StartFrame) + buf.NumFrames > leadoutLocked())
        return fail(CDERR_RANGE, QStringLiteral("Sectors outside the disc"));
    for (std::int32_t s = buf.StartFrame; s < buf.StartFrame + buf.NumFrames; ++s) {
        if (m_badSectors.count(s))
            return fail(CDERR_READ, QStringLiteral("Sector %1 cannot be read").arg(s));
    }
    const QByteArray audio = audioLocked(buf.StartFrame, buf.NumFrames);
    if (buf.Buf.size() < audio.size())
        buf.Buf.resize(audio.size());
    std::copy(audio.begin(), audio.end(), buf.Buf.begin());
    buf.Len = std::int32_t(audio.size());
    buf.Status = kReadStatusOk;
    return ok();
}

int MemoryCDDrive::GetAspiLibError()
{
    std::lock_guard guard(m_lock);
    return m_error;
}

QString MemoryCDDrive::LastErrorText()
{
    std::lock_guard guard(m_lock);
    return m_errorText;
}

bool MemoryCDDrive::EjectMedia(HCDROM handle)
{
    std::lock_guard guard(m_lock);
    if (!knownHandle(handle))
        return false;
    m_ejected = true;
    return ok();
}

bool MemoryCDDrive::CloseTray(HCDROM handle)
{
    std::lock_guard guard(m_lock);
    if (!knownHandle(handle))
        return false;
    m_ejected = false;
    return ok();
}

TTRACKBUF readRequest(std::int32_t start, std::int32_t count)
{
    TTRACKBUF buf;
    buf.StartFrame = start;
    buf.NumFrames = count;
    buf.MaxLen = count * kSectorSize;
    buf.Buf.resize(buf.MaxLen);
    return buf;
}

TCDREC namedDrive(const char* vendor, const char* product)
{
    TCDREC rec;
    rec.Vendor = QString::fromLatin1(vendor);
    rec.Product = QString::fromLatin1(product);
    return rec;
}

TTOC tocAt(const std::vector<int>& msfFrames, std::uint8_t dataTrack)
{
    TTOC toc;
    toc.FirstTrack = 1;
    toc.LastTrack = std::uint8_t(msfFrames.size() - 1);
    for (size_t i = 0; i < msfFrames.size(); ++i) {
        const bool leadOut = i + 1 == msfFrames.size();
        const std::uint8_t number = leadOut ? 0xAA : std::uint8_t(i + 1);
        toc.Entries.push_back(
            TTOCTRACK::FromFrames(number, msfFrames[i], number == dataTrack ? 0x04 : 0x00));
    }
    return toc;
}

TCDREC imageDrive(const QString& path)
{
    TCDREC rec;
    rec.Device = path;
    rec.IsImage = true;
    return rec;
}

OpenMemoryDrive::OpenMemoryDrive(const std::vector<std::int32_t>& frames, std::int32_t firstLba)
    : m_installed(*this)
{
    setTracks(frames, firstLba);
    GetCDHandle(GetCDList().front());
}

} // namespace quillon::test
