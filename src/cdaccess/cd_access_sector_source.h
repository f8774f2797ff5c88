#pragma once
// A sector source over an open ICDAccess drive: reads through ReadCDAudioLBA
// in runs, and when a run fails, sector by sector so that only the bad
// sectors are lost. In secure mode a bad sector is tried Retries more times.
// Used for drives that paranoia cannot open (the memory drive of the tests)
// and by ICDAccess::OpenSectorSource by default.

#include "cdaccess/cd_access.h"
#include "cdaccess/sector_source.h"

class TCdAccessSectorSource : public ISectorSource {
public:
    // access and handle stay owned by the caller and must outlive the source.
    TCdAccessSectorSource(ICDAccess& access, HCDROM handle, const TSectorSourceOptions& options);

    void read(std::int32_t lsn, std::int32_t count, char* out, std::uint16_t* flags) override;
    QStringList takeMessages() override;

private:
    bool readRun(std::int32_t lsn, std::int32_t count, char* out);

    ICDAccess& m_access;
    HCDROM m_handle;
    TSectorSourceOptions m_options;
    TTRACKBUF m_buf;
    QStringList m_messages;
};
