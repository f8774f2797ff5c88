#include "cdaccess/cd_access.h"

#include "cdaccess/cd_access_sector_source.h"
#include "cdaccess/cdio_access.h"

#include <atomic>

QString TCDREC::Name() const
{
    return (Vendor + Product).left(26);
}

std::unique_ptr<ISectorSource> ICDAccess::OpenSectorSource(HCDROM handle,
                                                           const TSectorSourceOptions& options)
{
    return std::make_unique<TCdAccessSectorSource>(*this, handle, options);
}

namespace {
std::atomic<ICDAccess*> g_installed{nullptr};
} // namespace

ICDAccess& cdAccess()
{
    if (ICDAccess* impl = g_installed.load())
        return *impl;
    static TCdioAccess cdio;
    return cdio;
}

void setCDAccess(ICDAccess* impl)
{
    g_installed.store(impl);
}

bool CloseCDDrive(HCDROM handle)
{
    if (handle == 0)
        return true;
    return cdAccess().CloseCDHandle(handle);
}

bool AudioCDPresent(const TTOC& toc)
{
    for (int k = 0; k < toc.TrackCount(); ++k) {
        if (toc.Entries[k].IsAudio())
            return true;
    }
    return false;
}

QString DiscKeyFromTOC(const TTOC& toc)
{
    const int tracks = toc.TrackCount();
    if (tracks <= 0)
        return {};
    // Unsigned arithmetic so that the sum wraps like the 32-bit serial it stands for.
    std::uint32_t sum = 0;
    for (int k = 0; k < tracks; ++k) {
        const TTOCTRACK& e = toc.Entries[k];
        sum += (std::uint32_t(e.Minute) << 16) | (std::uint32_t(e.Second) << 8) | e.Frame;
    }
    if (tracks < 3)
        sum += std::uint32_t(toc.Entries.back().MsfFrames() - toc.Entries.front().MsfFrames());
    return QString::number(static_cast<std::int32_t>(sum));
}
