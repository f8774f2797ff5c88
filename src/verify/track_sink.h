#pragma once
// Where a verified read puts a track's PCM (44.1 kHz, 16 bit, stereo,
// little-endian): the rip writes it into the track's file, the command line
// only checks it. A track may be read more than once; each read begins with
// restart(), and only the last read's bytes count.
//
// Threads: used by the thread that reads.

#include <QString>

#include <cstddef>

class ITrackSink {
public:
    virtual ~ITrackSink() = default;
    // A read of the track starts: whatever was written before is void.
    virtual bool restart() = 0;
    virtual bool write(const char* pcm, std::size_t bytes) = 0;
    // Why restart() or write() failed.
    virtual QString errorText() const { return {}; }
};

// Takes the PCM and forgets it.
class TDiscardingTrackSink : public ITrackSink {
public:
    bool restart() override { return true; }
    bool write(const char*, std::size_t) override { return true; }
};
