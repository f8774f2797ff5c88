#pragma once
// CD drives held in memory for tests: a drive list (one drive unless the test
// sets others; every listed drive holds the same disc), a disc given as track
// lengths or as a table of contents, sector contents given by the test, and
// failures on demand: chosen sector reads, the address mode, opening, closing,
// reading the TOC. Install it with ScopedCDAccess so that code calling
// cdAccess() uses it, or hand it to the code under test (OpenMemoryDrive does
// both for code that reads through an open handle).
//
// Threads: every call may come from any thread (the rip thread reads while the
// test thread watches); the state is guarded by one lock.

#include "cdaccess/cd_access.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace quillon::test {

class MemoryCDDrive : public ICDAccess {
public:
    enum Start { OneDisc, NoDrive };
    // OneDisc: a drive "Memory CD-DRIVE" (Device "memory") with a disc of three
    // audio tracks of 5, 3 and 2 seconds. NoDrive: an empty list and no disc.
    explicit MemoryCDDrive(Start start = OneDisc);

    // The disc: track lengths in frames, track 1 starting at firstLba. An empty
    // list is a drive without a disc (ReadTOC fails).
    void setTracks(const std::vector<std::int32_t>& frames, std::int32_t firstLba = 0);
    // Marks a track (numbered from 1) as a data track.
    void setDataTrack(int trackNumber, bool data = true);
    // Audio of the whole disc from firstLba on; sectors beyond it read as the pattern.
    void setDiscAudio(const QByteArray& audio);
    // The bytes a sector holds when no audio was given: depends on the sector
    // and the offset so that a misplaced sector shows.
    static char patternByte(std::int32_t lba, int offset);
    // The bytes ReadCDAudioLBA returns for count sectors from lba.
    QByteArray expectedAudio(std::int32_t lba, std::int32_t count) const;
    // The bytes of a track (numbered from 1), or of its first maxSectors.
    QByteArray trackAudio(int track, int maxSectors = -1) const;
    // Fills one sector (kSectorSize bytes) at lba; replaces the disc audio
    // and the pattern. Called with the drive's lock held.
    using SectorContent = std::function<void(std::int32_t lba, char* sector)>;
    void setSectorContent(SectorContent content);
    // Called before every read, outside the lock (to hold a reader at a
    // known place or slow it down).
    void setBeforeRead(std::function<void(std::int32_t lba)> hook);

    // The disc of a table of contents: its track starts, data tracks and lead-out.
    void setToc(const TTOC& toc);

    // The drive list; each listed drive opens. By default one memory drive.
    void setDrives(const std::vector<TCDREC>& drives);

    // Any read that includes the sector fails.
    void failReadAt(std::int32_t sector);
    void setRefuseAddressMode(bool refuse);
    void setFailGetHandle(bool fail);
    void setFailReadTOC(bool fail);
    void setFailClose(bool fail);
    // Opening fails while another handle is open (a handle left open by an
    // earlier run keeps the drive busy until it is closed).
    void setExclusive(bool exclusive);

    // What happened: reads as (start, count) in order, open handles, handles
    // closed, drive list requests, address mode.
    std::vector<std::pair<std::int32_t, std::int32_t>> reads() const;
    int openHandleCount() const;
    std::vector<HCDROM> closedHandles() const;
    int listCalls() const;
    bool isMsfMode() const;
    bool isEjected() const;

    TTOC toc() const;

    std::vector<TCDREC> GetCDList() override;
    HCDROM GetCDHandle(const TCDREC& drive) override;
    bool CloseCDHandle(HCDROM handle) override;
    bool ModifyCDParms(HCDROM handle, int which, int value) override;
    bool ReadTOC(HCDROM handle, TTOC& toc) override;
    bool ReadCDAudioLBA(HCDROM handle, TTRACKBUF& buf) override;
    int GetAspiLibError() override;
    QString LastErrorText() override;
    bool EjectMedia(HCDROM handle) override;
    bool CloseTray(HCDROM handle) override;

private:
    bool fail(int code, const QString& text);
    bool ok();
    bool knownHandle(HCDROM handle);
    TTOC tocLocked() const;
    std::int32_t leadoutLocked() const;
    QByteArray audioLocked(std::int32_t lba, std::int32_t count) const;

    mutable std::mutex m_lock;
    std::vector<std::int32_t> m_frames;
    std::set<int> m_dataTracks;
    std::int32_t m_firstLba = 0;
    QByteArray m_audio;
    SectorContent m_content;
    std::function<void(std::int32_t lba)> m_beforeRead;
    std::vector<TCDREC> m_drives;
    std::set<std::int32_t> m_badSectors;
    bool m_refuseAddressMode = false;
    bool m_failGetHandle = false;
    bool m_failReadTOC = false;
    bool m_failClose = false;
    bool m_exclusive = false;
    std::vector<HCDROM> m_closed;
    int m_listCalls = 0;
    bool m_msf = false;
    bool m_ejected = false;
    std::set<HCDROM> m_handles;
    HCDROM m_nextHandle = 1;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_reads;
    int m_error = CDERR_NONE;
    QString m_errorText;
};

// A read request for count sectors from start with a buffer of the right size.
TTRACKBUF readRequest(std::int32_t start, std::int32_t count);

// The drive list entry of a disc image file.
TCDREC imageDrive(const QString& path);
// A drive list entry with the given vendor and product texts.
TCDREC namedDrive(const char* vendor = "QUILLON ", const char* product = "MEMORY DRIVE");
// A table of contents whose tracks start at the given frame addresses
// (LBA + 150), the last address being the lead-out; dataTrack (from 1) is a
// data track.
TTOC tocAt(const std::vector<int>& msfFrames, std::uint8_t dataTrack = 0);

// Installs an implementation for the lifetime of the object.
class ScopedCDAccess {
public:
    explicit ScopedCDAccess(ICDAccess& impl) { setCDAccess(&impl); }
    ~ScopedCDAccess() { setCDAccess(nullptr); }
    ScopedCDAccess(const ScopedCDAccess&) = delete;
    ScopedCDAccess& operator=(const ScopedCDAccess&) = delete;
};

// A memory drive with a disc of these track lengths (in sectors), installed
// as the CD access and opened: code under test reads it through handle 1.
class OpenMemoryDrive : public MemoryCDDrive {
public:
    explicit OpenMemoryDrive(const std::vector<std::int32_t>& frames, std::int32_t firstLba = 0);
    int readCount() const { return int(reads().size()); }

private:
    ScopedCDAccess m_installed;
};

} // namespace quillon::test
