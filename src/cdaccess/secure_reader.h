#pragma once
// The read loop of a verified rip: reads a range of the disc from a sector
// source with the drive's read offset corrected, gives the PCM to a sink block
// by block, and keeps the error map.
//
// The offset O (samples, as published for drives) means the disc's sample k
// is the drive's sample k + O. The loop reads from sample start * 588 + O:
// it seeks start + floor(O / 588), drops (O mod 588) * 4 bytes of the first
// sector and reads one sector more at the end. Samples before LSN 0 or at and
// after the end of the audio are never read: they are silence.
//
// Threads: one reader is used by one thread; stop may be set from any thread.

#include "cdaccess/sector_source.h"

#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

// One sector of the output that something went wrong with.
struct TSuspectSector {
    std::int32_t Lsn = 0;    // the disc's sector (offset corrected)
    std::uint16_t Flags = 0; // TSectorFlag bits
};

struct TReadReport {
    std::vector<TSuspectSector> Suspects; // in disc order, one entry per sector
    int UnreadableSectors = 0;            // written as silence
    QStringList Messages;                 // from the drive or library
    bool Stopped = false;                 // the stop flag or the sink ended the read
    bool isClean() const { return Suspects.empty(); }
    // Sectors whose flags include flag.
    int count(TSectorFlag flag) const;
};

class TSecureReader {
public:
    // Receives consecutive PCM of the range; false stops the read.
    using Sink = std::function<bool(const char* pcm, std::size_t bytes)>;

    // audioEnd: the first sector after the disc's audio.
    TSecureReader(ISectorSource& source, std::int32_t audioEnd, int offsetSamples);

    // Reads sectors sectors from firstLsn (disc positions) into sink.
    TReadReport read(std::int32_t firstLsn, std::int32_t sectors, const Sink& sink,
                     const std::atomic<bool>* stop = nullptr);

    // Sectors read from the source per call (a stop is seen between them).
    static constexpr std::int32_t kChunkSectors = 26;

private:
    ISectorSource& m_source;
    std::int32_t m_audioEnd;
    int m_offset;
};

// Floor division and the matching non-negative remainder.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
constexpr std::int64_t FloorMod(std::int64_t a, std::int64_t b)
{
    return a - FloorDiv(a, b) * b;
}
