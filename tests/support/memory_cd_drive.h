#pragma once
// A CD drive held in memory for tests: one drive whose disc is a TOC and
// sector contents given by the test, and which can be told to fail: chosen
// sector reads, the address mode, opening, reading the TOC. Install it with
// ScopedCDAccess so that code calling cdAccess() uses it.
//
// Threads: every call may come from any thread (the rip thread reads while the
// test thread watches); the state is guarded by one lock.

#include "cdaccess/cd_access.h"

#include <QByteArray>

#include <cstdint>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace quillon::test {

class MemoryCDDrive : public ICDAccess {
public:
    // A drive "Memory CD-DRIVE" (Device "memory", the only one GetCDHandle opens)
    // with a disc of three audio tracks of 5, 3 and 2 seconds.
    MemoryCDDrive();

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

    // Any read that includes the sector fails.
    void failReadAt(std::int32_t sector);
    void setRefuseAddressMode(bool refuse);
    void setFailGetHandle(bool fail);
    void setFailReadTOC(bool fail);

    // What happened: reads as (start, count) in order, open handles, address mode.
    std::vector<std::pair<std::int32_t, std::int32_t>> reads() const;
    int openHandleCount() const;
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
    std::set<std::int32_t> m_badSectors;
    bool m_refuseAddressMode = false;
    bool m_failGetHandle = false;
    bool m_failReadTOC = false;
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

// Installs an implementation for the lifetime of the object.
class ScopedCDAccess {
public:
    explicit ScopedCDAccess(ICDAccess& impl) { setCDAccess(&impl); }
    ~ScopedCDAccess() { setCDAccess(nullptr); }
    ScopedCDAccess(const ScopedCDAccess&) = delete;
    ScopedCDAccess& operator=(const ScopedCDAccess&) = delete;
};

} // namespace quillon::test
