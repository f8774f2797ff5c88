#pragma once
// A small in-memory drive for the job tests: a TOC built from track lengths,
// sector contents from a generator, and chosen sectors that fail to read.
// Installed with setCDAccess for the lifetime of the object.

#include "cdaccess/cd_access.h"

#include <QByteArray>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

namespace quillon::test {

class FakeCDDrive : public ICDAccess {
public:
    // Fills one sector (2352 bytes) of the given LBA.
    using Generator = std::function<void(std::int32_t lba, char* sector)>;

    explicit FakeCDDrive(std::vector<int> trackSectors, int firstLba = 0)
        : m_tracks(std::move(trackSectors)), m_firstLba(firstLba)
    {
        setCDAccess(this);
    }
    ~FakeCDDrive() override { setCDAccess(nullptr); }

    // A pattern that differs from sector to sector and byte to byte.
    static void patternSector(std::int32_t lba, char* sector)
    {
        for (int i = 0; i < kSectorSize; ++i)
            sector[i] = static_cast<char>((lba * 7 + i * 13 + (i >> 8)) & 0xff);
    }

    Generator generator = patternSector;
    bool refuseMode = false;
    bool failTOC = false;
    std::set<std::int32_t> failingSectors;
    // Called before every read (e.g. to hold a reader at a known place).
    std::function<void(std::int32_t lba)> beforeRead;
    std::atomic<int> reads{0};

    std::int32_t trackLba(int track) const
    {
        std::int32_t lba = m_firstLba;
        for (int t = 1; t < track; ++t)
            lba += m_tracks[t - 1];
        return lba;
    }

    // The audio bytes of a track as the drive holds them.
    QByteArray trackAudio(int track, int maxSectors = -1) const
    {
        int n = m_tracks[track - 1];
        if (maxSectors >= 0 && maxSectors < n)
            n = maxSectors;
        QByteArray out(qsizetype(n) * kSectorSize, '\0');
        for (int s = 0; s < n; ++s)
            generator(trackLba(track) + s, out.data() + qsizetype(s) * kSectorSize);
        return out;
    }

    std::vector<TCDREC> GetCDList() override { return {TCDREC{}}; }
    HCDROM GetCDHandle(const TCDREC&) override { return 1; }
    bool CloseCDHandle(HCDROM) override { return true; }
    bool ModifyCDParms(HCDROM, int, int) override { return !refuseMode; }
    bool ReadTOC(HCDROM, TTOC& toc) override
    {
        if (failTOC)
            return false;
        toc = {};
        toc.FirstTrack = 1;
        toc.LastTrack = static_cast<std::uint8_t>(m_tracks.size());
        for (size_t t = 0; t <= m_tracks.size(); ++t) {
            TTOCTRACK e;
            e.TrackNumber = t < m_tracks.size() ? std::uint8_t(t + 1) : 0xAA;
            const std::int32_t msf = trackLba(int(t) + 1) + kLeadInFrames;
            e.Minute = std::uint8_t(msf / (60 * kFramesPerSecond));
            e.Second = std::uint8_t(msf / kFramesPerSecond % 60);
            e.Frame = std::uint8_t(msf % kFramesPerSecond);
            toc.Entries.push_back(e);
        }
        return true;
    }
    bool ReadCDAudioLBA(HCDROM, TTRACKBUF& buf) override
    {
        if (beforeRead)
            beforeRead(buf.StartFrame);
        ++reads;
        std::lock_guard lock(m_mutex);
        for (int s = 0; s < buf.NumFrames; ++s)
            if (failingSectors.count(buf.StartFrame + s))
                return false;
        buf.Buf.resize(buf.MaxLen);
        for (int s = 0; s < buf.NumFrames; ++s)
            generator(buf.StartFrame + s, buf.Buf.data() + qsizetype(s) * kSectorSize);
        buf.Len = buf.NumFrames * kSectorSize;
        buf.StartOffset = 0;
        return true;
    }
    int GetAspiLibError() override { return 0; }
    // Newer interfaces also ask for a text of the last error.
    QString LastErrorText() { return {}; }
    bool EjectMedia(HCDROM) override { return false; }
    bool CloseTray(HCDROM) override { return false; }

private:
    std::vector<int> m_tracks;
    std::int32_t m_firstLba;
    std::mutex m_mutex;
};

} // namespace quillon::test
