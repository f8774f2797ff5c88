#include "verify/drive_offset_search.h"

#include "cdaccess/secure_reader.h"
#include "verify/offset_finder.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>

TDriveOffsetSearch SearchDriveOffset(ICDAccess& access, HCDROM handle, const TDiscLayout& layout,
                                     const TAccurateRipAnswer& answer, int maxOffset,
                                     const std::atomic<bool>* stop)
{
    TDriveOffsetSearch search;
    search.Found.resize(layout.Tracks.size());
    TSectorSourceOptions options;
    options.Mode = TSectorReadMode::Burst;
    const std::unique_ptr<ISectorSource> source = access.OpenSectorSource(handle, options);
    if (!source) {
        search.Error = access.LastErrorText();
        return search;
    }
    maxOffset = std::abs(maxOffset);
    // The samples to read, relative to a track's start, from whole sectors on.
    const std::int64_t first = OffsetSearchFirstSample(maxOffset);
    const std::int64_t firstSector = FloorDiv(first, kSamplesPerSector);
    const std::int64_t endSample = first + OffsetSearchSamples(maxOffset);
    const auto sectors =
        std::int32_t(FloorDiv(endSample + kSamplesPerSector - 1, kSamplesPerSector) - firstSector);

    TSecureReader reader(*source, layout.AudioEnd, 0);
    for (std::size_t i = 0; i < layout.Tracks.size(); ++i) {
        const std::vector<std::uint32_t> crcs = answer.crc450s(int(i));
        if (crcs.empty())
            continue;
        ++search.TracksTried;
        QByteArray raw;
        raw.reserve(qsizetype(sectors) * kSectorSize);
        const TReadReport report = reader.read(
            layout.Tracks[i].Start + std::int32_t(firstSector), sectors,
            [&raw](const char* pcm, std::size_t bytes) {
                raw.append(pcm, qsizetype(bytes));
                return true;
            },
            stop);
        if (report.Stopped) {
            search.Stopped = true;
            return search;
        }
        search.Found[i] = FindReadOffsets(raw, firstSector * kSamplesPerSector, crcs, maxOffset);
    }
    search.Offset = MostLikelyOffset(search.Found);
    if (search.Offset) {
        for (const std::vector<int>& offsets : search.Found)
            search.TracksAgreeing += std::count(offsets.begin(), offsets.end(), *search.Offset);
    }
    return search;
}
