#pragma once
// A source that reads CD audio sectors straight from a drive, for playing a
// track through the sound card: 44100 Hz, 16-bit, stereo, from StartSector up
// to (not including) EndSector, a few sectors per read.
//
// Threads: the drive handle and the range are set on the owner's thread
// between runs; BeginRead, ReadData and EndRead run on the worker of the
// output that plays it. The CD access implementation serialises the reads of
// one handle, so the rip code may use the same drive at other times.
// A sector that cannot be read raises EPcmException, which ends the run
// through the output's OnThreadException.

#include "audio/pcm_input.h"
#include "cdaccess/cd_access.h"

#include <QByteArray>

#include <cstdint>
#include <string>

class TCDSource : public TPcmInput {
    Q_OBJECT
public:
    // Sectors per drive read (about 0.13 s of audio).
    static constexpr int kSectorsPerRead = 10;

    explicit TCDSource(QObject* owner = nullptr);
    ~TCDSource() override;

    HCDROM Handle() const { return m_handle; }
    void SetHandle(HCDROM handle) { m_handle = handle; }
    std::int32_t StartSector() const { return m_startSector; }
    std::int32_t EndSector() const { return m_endSector; }
    // The sectors [start, end) as LBA; an empty or reversed range plays nothing.
    void SetRange(std::int32_t startSector, std::int32_t endSector);

    int GetBitsPerSample() override { return 16; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    int GetTotalTime() override;
    void BeginRead() override;
    void EndRead() override;
    qint64 ReadData(char* buffer, qint64 size) override;

private:
    bool refill();

    HCDROM m_handle = 0;
    std::int32_t m_startSector = 0;
    std::int32_t m_endSector = 0;
    std::int32_t m_nextSector = 0;
    TTRACKBUF m_request;
    QByteArray m_block;      // audio of the last read
    std::string m_readError; // a failed read, raised by the next ReadData
};
