#include "cdaccess/secure_reader.h"

#include "cdaccess/cd_access.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kMaxMessages = 50;
} // namespace

int TReadReport::count(TSectorFlag flag) const
{
    return int(std::count_if(Suspects.begin(), Suspects.end(),
                             [flag](const TSuspectSector& s) { return (s.Flags & flag) != 0; }));
}

TSecureReader::TSecureReader(ISectorSource& source, std::int32_t audioEnd, int offsetSamples)
    : m_source(source), m_audioEnd(audioEnd), m_offset(offsetSamples)
{}

TReadReport TSecureReader::read(std::int32_t firstLsn, std::int32_t sectors, const Sink& sink,
                                const std::atomic<bool>* stop)
{
    TReadReport report;
    if (sectors <= 0)
        return report;
    const std::int64_t startSample = std::int64_t(firstLsn) * kSamplesPerSector + m_offset;
    const std::int64_t driveFirst = FloorDiv(startSample, kSamplesPerSector);
    const std::size_t dropBytes = std::size_t(FloorMod(startSample, kSamplesPerSector)) * 4;
    const std::int64_t driveEnd = driveFirst + sectors + (dropBytes ? 1 : 0);
    std::size_t outstanding = std::size_t(sectors) * kSectorSize; // bytes the sink still needs

    std::vector<char> buffer(std::size_t(kChunkSectors) * kSectorSize);
    std::vector<std::uint16_t> flags(kChunkSectors);
    const std::int32_t lastLsn = firstLsn + sectors - 1;
    auto note = [&](std::int64_t driveLsn, std::uint16_t f) {
        // The disc sector where this drive sector's data lands.
        const std::int64_t disc =
            FloorDiv(driveLsn * kSamplesPerSector - m_offset, kSamplesPerSector);
        const auto lsn = std::int32_t(std::clamp<std::int64_t>(disc, firstLsn, lastLsn));
        if (!report.Suspects.empty() && report.Suspects.back().Lsn == lsn)
            report.Suspects.back().Flags |= f;
        else
            report.Suspects.push_back({lsn, f});
        if (f & sfUnreadable)
            ++report.UnreadableSectors;
    };

    for (std::int64_t chunk = driveFirst; chunk < driveEnd; chunk += kChunkSectors) {
        if (stop && stop->load()) {
            report.Stopped = true;
            break;
        }
        const auto count = std::int32_t(std::min<std::int64_t>(kChunkSectors, driveEnd - chunk));
        // Only sectors of the disc's audio are read; the rest is silence.
        const std::int64_t readFrom = std::max<std::int64_t>(chunk, 0);
        const std::int64_t readTo = std::min<std::int64_t>(chunk + count, m_audioEnd);
        std::memset(buffer.data(), 0, std::size_t(count) * kSectorSize);
        std::fill(flags.begin(), flags.end(), std::uint16_t(0));
        if (readFrom < readTo) {
            const std::size_t at = std::size_t(readFrom - chunk);
            m_source.read(std::int32_t(readFrom), std::int32_t(readTo - readFrom),
                          buffer.data() + at * kSectorSize, flags.data() + at);
        }
        for (std::int32_t i = 0; i < count; ++i) {
            if (flags[i])
                note(chunk + i, flags[i]);
        }
        const std::size_t skip = chunk == driveFirst ? dropBytes : 0;
        const std::size_t bytes = std::min(std::size_t(count) * kSectorSize - skip, outstanding);
        outstanding -= bytes;
        if (!sink(buffer.data() + skip, bytes)) {
            report.Stopped = true;
            break;
        }
    }
    for (const QString& message : m_source.takeMessages()) {
        if (report.Messages.size() < kMaxMessages && !report.Messages.contains(message))
            report.Messages.append(message);
    }
    return report;
}
