#pragma once
// A source of raw audio sectors for the verifying read loop (TSecureReader):
// libcdio-paranoia on a drive or image, or any ICDAccess drive read sector by
// sector. A source reads what it is asked, in order, and says per sector what
// went wrong; it never shifts, pads or stops on its own.
//
// Threads: one source is used by one thread at a time.

#include <QStringList>

#include <cstdint>

// What happened while reading one sector, as bits.
enum TSectorFlag : std::uint16_t {
    sfReadError = 1 << 0,  // the drive reported a read error
    sfSkipped = 1 << 1,    // verification gave up after the retries
    sfDropped = 1 << 2,    // dropped bytes were repaired
    sfDuplicated = 1 << 3, // duplicated bytes were repaired
    sfDrift = 1 << 4,      // the drive's position drifted
    sfCacheError = 1 << 5, // the drive's cache could not be defeated
    sfUnreadable = 1 << 6, // no data in the end: the sector holds silence
};

enum class TSectorReadMode {
    Burst,  // one plain read per sector
    Secure, // overlapping reads compared, bad reads retried a limited number of times
};

struct TSectorSourceOptions {
    TSectorReadMode Mode = TSectorReadMode::Burst;
    // How often a failing read is tried again in secure mode before the
    // sector is given up; never unlimited.
    int Retries = 20;
};

class ISectorSource {
public:
    virtual ~ISectorSource() = default;
    // Reads count sectors from lsn into out (count * 2352 bytes) and sets
    // flags[i] for sector lsn + i. Every sector is delivered: one that cannot
    // be read is silence with sfUnreadable. Consecutive calls that continue
    // where the last one ended read fastest.
    virtual void read(std::int32_t lsn, std::int32_t count, char* out, std::uint16_t* flags) = 0;
    // The drive's or library's messages since the last call.
    virtual QStringList takeMessages() { return {}; }
};
