#pragma once
// A CD access layer held in memory for window tests: drives, discs that can be
// inserted and removed, and handles that can be refused.

#include "cdaccess/cd_access.h"

#include <map>
#include <optional>
#include <vector>

class FakeCDAccess : public ICDAccess {
public:
    std::vector<TCDREC> drives;
    std::optional<TTOC> disc; // the disc in every drive; none when empty
    bool refuseHandles = false;
    int staleHandleThatCloses = 0; // a handle number CloseCDHandle accepts while refusing
    bool tocFails = false;
    bool closeFails = false;
    std::vector<HCDROM> closed;
    int ejects = 0;

    std::vector<TCDREC> GetCDList() override { return drives; }
    HCDROM GetCDHandle(const TCDREC&) override
    {
        if (refuseHandles)
            return 0;
        return ++m_next + 100;
    }
    bool CloseCDHandle(HCDROM handle) override
    {
        closed.push_back(handle);
        if (staleHandleThatCloses != 0 && HCDROM(staleHandleThatCloses) == handle) {
            refuseHandles = false;
            return true;
        }
        return handle > 100 && !closeFails;
    }
    bool ModifyCDParms(HCDROM, int, int) override { return true; }
    bool ReadTOC(HCDROM handle, TTOC& toc) override
    {
        if (handle == 0 || tocFails || !disc)
            return false;
        toc = *disc;
        return true;
    }
    bool ReadCDAudioLBA(HCDROM, TTRACKBUF&) override { return false; }
    int GetAspiLibError() override { return 0; }
    QString LastErrorText() override { return {}; }
    bool EjectMedia(HCDROM) override
    {
        ++ejects;
        return true;
    }
    bool CloseTray(HCDROM) override { return true; }

    static TCDREC drive(const char* vendor = "QUILLON ", const char* product = "MEMORY DRIVE")
    {
        TCDREC rec;
        rec.Vendor = QString::fromLatin1(vendor);
        rec.Product = QString::fromLatin1(product);
        return rec;
    }

    // A disc whose tracks start at the given frame addresses (LBA + 150), the
    // last address being the lead-out.
    static TTOC discAt(const std::vector<int>& msfFrames, std::uint8_t dataTrack = 0)
    {
        TTOC toc;
        toc.FirstTrack = 1;
        toc.LastTrack = std::uint8_t(msfFrames.size() - 1);
        for (size_t i = 0; i < msfFrames.size(); ++i) {
            TTOCTRACK entry;
            entry.TrackNumber = i + 1 == msfFrames.size() ? 0xAA : std::uint8_t(i + 1);
            entry.Control = entry.TrackNumber == dataTrack ? 0x04 : 0x00;
            entry.Minute = std::uint8_t(msfFrames[i] / 75 / 60);
            entry.Second = std::uint8_t(msfFrames[i] / 75 % 60);
            entry.Frame = std::uint8_t(msfFrames[i] % 75);
            toc.Entries.push_back(entry);
        }
        return toc;
    }

private:
    HCDROM m_next = 0;
};
