#pragma once
// A sector source on libcdio-paranoia, for drives and disc images. Burst
// reads with paranoia disabled; secure reads overlap and verify
// (PARANOIA_MODE_FULL without NEVERSKIP: a bad spot is retried Retries times,
// then skipped, never retried for ever). Paranoia's callback codes become the
// sector flags; a sector paranoia gave up on after a read error, or could not
// deliver at all, is silence marked sfUnreadable.
//
// Threads: one source is used by one thread at a time; sources on different
// threads are independent.

#include "cdaccess/sector_source.h"

#include <cdio/cdio.h>

#include <QString>

#include <map>
#include <memory>

struct cdrom_drive_s;
struct cdrom_paranoia_s;

class TParanoiaSectorSource : public ISectorSource {
public:
    // Takes over cdio (a freshly opened libcdio object, released in any case).
    // Null with *error when paranoia does not accept the disc.
    //
    // Paranoia's cache model keeps its default on images too: with this
    // library (10.2+2.0.1) a model of one sector never completes a read, and
    // the default reads images without a single error or retry.
    static std::unique_ptr<TParanoiaSectorSource>
    open(CdIo_t* cdio, const TSectorSourceOptions& options, QString* error = nullptr);
    ~TParanoiaSectorSource() override;
    TParanoiaSectorSource(const TParanoiaSectorSource&) = delete;
    TParanoiaSectorSource& operator=(const TParanoiaSectorSource&) = delete;

    void read(std::int32_t lsn, std::int32_t count, char* out, std::uint16_t* flags) override;
    QStringList takeMessages() override;

    // The flag paranoia's callback code stands for (0 for the harmless ones).
    static std::uint16_t flagOfCallback(int code);

private:
    TParanoiaSectorSource() = default;
    void collectMessages();

    CdIo_t* m_cdio = nullptr;
    cdrom_drive_s* m_drive = nullptr;
    cdrom_paranoia_s* m_paranoia = nullptr;
    TSectorSourceOptions m_options;
    std::int32_t m_leadout = 0; // the disc's end; 0 when unknown
    std::int32_t m_next = -1;   // the sector paranoia reads next; -1 before the first seek
    std::map<std::int32_t, std::uint16_t> m_pending; // callback flags by sector
    QStringList m_messages;
};
