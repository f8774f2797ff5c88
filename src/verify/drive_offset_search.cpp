#include "verify/drive_offset_search.h"

#include "cdaccess/secure_reader.h"
#include "verify/database_fetch.h"
#include "verify/offset_finder.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>

TDriveOffsetSearch SearchDriveOffset(ICDAccess& access, HCDROM handle, const TDiscLayout& layout,
                                     const TAccurateRipAnswer& answer, int maxOffset,
                                     const std::atomic<bool>* stop,
                                     const TOffsetSearchProgress& progress)
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

    int total = 0;
    for (std::size_t i = 0; i < layout.Tracks.size(); ++i)
        total += answer.crc450s(int(i)).empty() ? 0 : 1;
    TSecureReader reader(*source, layout.AudioEnd, 0);
    for (std::size_t i = 0; i < layout.Tracks.size(); ++i) {
        const std::vector<std::uint32_t> crcs = answer.crc450s(int(i));
        if (crcs.empty())
            continue;
        if (progress)
            progress(search.TracksTried, total);
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
            search.TracksAgreeing +=
                static_cast<int>(std::count(offsets.begin(), offsets.end(), *search.Offset));
    }
    return search;
}

QString TReadOffsetFinding::failureText() const
{
    switch (Result) {
    case Outcome::Found:
        return {};
    case Outcome::NoDisc:
        return QStringLiteral("there is no audio disc in the drive");
    case Outcome::LookupFailed:
        return QStringLiteral("AccurateRip lookup failed: %1").arg(Error);
    case Outcome::NotInDatabase:
        return QStringLiteral("the disc is not in the AccurateRip database; try another one");
    case Outcome::NoChecksums:
        return QStringLiteral("the database holds no offset checksums for this disc; "
                              "try another one");
    case Outcome::NoFit:
        return QStringLiteral("no read offset from %1 to +%2 samples fits the database")
            .arg(-kMaxReadOffset)
            .arg(kMaxReadOffset);
    case Outcome::ReadFailed:
        return QStringLiteral("cannot read the disc: %1").arg(Error);
    case Outcome::Stopped:
        break;
    }
    return QStringLiteral("stopped");
}

TReadOffsetFinding FindReadOffset(ICDAccess& access, HCDROM handle, const TVerifySettings& settings,
                                  const std::atomic<bool>* stop,
                                  const TOffsetSearchProgress& progress)
{
    using Outcome = TReadOffsetFinding::Outcome;
    TReadOffsetFinding finding;
    TTOC toc;
    if (handle == 0 || !access.ReadTOC(handle, toc))
        return finding; // NoDisc
    const TDiscLayout layout = DiscLayoutOf(toc);
    if (layout.isEmpty())
        return finding;

    THttpClient http(settings.Http, stop);
    TAccurateRipAnswer answer;
    const TDatabaseLookup lookup =
        FetchAccurateRip(http, settings.AccurateRipServer, AccurateRipDiscIdOf(toc), &answer);
    if (stop && stop->load()) {
        finding.Result = Outcome::Stopped;
        return finding;
    }
    if (lookup.Result == TDatabaseLookup::Outcome::Failed) {
        finding.Result = Outcome::LookupFailed;
        finding.Error = lookup.Error;
        return finding;
    }
    if (lookup.Result != TDatabaseLookup::Outcome::Found) {
        finding.Result = Outcome::NotInDatabase;
        return finding;
    }
    const TDriveOffsetSearch search =
        SearchDriveOffset(access, handle, layout, answer, kMaxReadOffset, stop, progress);
    finding.TracksTried = search.TracksTried;
    finding.TracksAgreeing = search.TracksAgreeing;
    if (search.Stopped) {
        finding.Result = Outcome::Stopped;
    } else if (!search.Error.isEmpty()) {
        finding.Result = Outcome::ReadFailed;
        finding.Error = search.Error;
    } else if (search.TracksTried == 0) {
        finding.Result = Outcome::NoChecksums;
    } else if (!search.Offset) {
        finding.Result = Outcome::NoFit;
    } else {
        finding.Result = Outcome::Found;
        finding.Offset = *search.Offset;
    }
    return finding;
}
