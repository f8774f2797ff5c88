#pragma once
// Reads RIFF/WAVE files and delivers 8- or 16-bit PCM: plain PCM, DVI (IMA)
// ADPCM and Microsoft ADPCM are decoded here; other compressed WAV files are
// decoded whole into memory by TWaveConverter when they are opened (wtACM).
// 24- and 32-bit integer and 32- and 64-bit float PCM, plain or extensible,
// are delivered as 16-bit samples (rounded to nearest, clipped, no dither).
//
// Threads: see TPcmFileIn. ReadData runs on the worker of the pulling output
// and holds the file lock, so format queries from the owner wait for a block
// at most.

#include "audio/pcm_file_in.h"
#include "audio/wave_header.h"

#include <QByteArray>

#include <memory>
#include <vector>

class TWaveIn : public TPcmFileIn {
    Q_OBJECT
public:
    explicit TWaveIn(QObject* owner = nullptr);
    ~TWaveIn() override;

    // Opens the file, returns what it holds and closes it.
    TWavType GetWavType();

    qint64 ReadData(char* buffer, qint64 size) override;
    void OpenFile() override;
    void CloseFile() override;
    bool SeekSample(qint64 frame) override;

private:
    bool refill();
    bool refillPcm();
    bool refillAdpcm();
    bool refillWide();
    bool restartForLoop();
    void openAcm();
    void closeStreams();

    QIODevice* m_stream = nullptr; // what is read: supplied, own file or memory
    std::unique_ptr<QIODevice> m_ownStream;
    std::unique_ptr<QIODevice> m_memoryStream; // decoded image of a wtACM file
    TWavType m_type = wtUnsupported;
    TWaveHeader m_header;
    qint64 m_dataEnd = 0;         // file offset just past the data the file holds
    int m_framesPerBlock = 0;     // ADPCM
    int m_sourceSampleBytes = 0;  // PCM: bytes of one sample in the file
    bool m_wide = false;          // PCM wider than 16 bits or float: narrowed
    qint64 m_skipBytes = 0;       // of the next decoded block (start inside a block)
    std::vector<char> m_buffer;   // decoded PCM of the current block
    std::vector<uint8_t> m_block; // one coded block
};
