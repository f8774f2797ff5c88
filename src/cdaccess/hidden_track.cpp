#include "cdaccess/hidden_track.h"

bool ContainsAudio(const char* pcm, std::size_t bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(pcm);
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const auto v = std::int16_t(std::uint16_t(b[i] | (b[i + 1] << 8)));
        if (v > kHiddenTrackThreshold || v < -kHiddenTrackThreshold)
            return true;
    }
    return false;
}

THiddenTrackScan ScanHiddenTrack(ISectorSource& source, const TDiscLayout& layout,
                                 const std::atomic<bool>* stop)
{
    THiddenTrackScan scan;
    scan.Sectors = layout.HiddenSectors;
    if (scan.Sectors <= 0)
        return scan;
    TSecureReader reader(source, layout.AudioEnd, 0);
    scan.Read = reader.read(
        0, scan.Sectors,
        [&scan](const char* pcm, std::size_t bytes) {
            scan.Audible = ContainsAudio(pcm, bytes);
            return !scan.Audible; // the first sound settles it
        },
        stop);
    return scan;
}
