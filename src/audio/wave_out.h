#pragma once
// Writes PCM or DVI (IMA) ADPCM WAV files, new or appended to an existing file
// of the same kind and format.
//
// Threads: see TPcmOutput. Setters of WavType, BlockSize, FileMode and FileName
// are for the owner's thread between runs; WavType and BlockSize ignore changes
// while a run is going on.

#include "audio/adpcm.h"
#include "audio/pcm_output.h"
#include "audio/wave_header.h"

#include <vector>

class TWaveOut : public TPcmFileOut {
    Q_OBJECT
public:
    explicit TWaveOut(QObject* owner = nullptr);
    ~TWaveOut() override;

    TWavType WavType() const { return m_wavType; }
    // Accepts wtPCM and wtDVIADPCM only, and only while not busy.
    void SetWavType(TWavType type);
    quint16 BlockSize() const { return m_blockSize; }
    // Accepts a nonzero multiple of 4 only, and only while not busy.
    void SetBlockSize(quint16 size);
    void SetFileMode(TFileOutputMode mode) override { m_fileMode = mode; }

protected:
    void PrepareRun() override;
    bool ProduceBlock(bool abort) override;
    void FinishRun() override;

private:
    [[noreturn]] void failPrepare(const char* message);
    void writeHeader();
    bool producePcm();
    bool produceAdpcm();
    void patchHeader();
    void patch32(qint64 offset, qint64 value);
    int samplesPerBlock(int channels) const;

    TWavType m_wavType = wtPCM;
    quint16 m_blockSize = 512;
    bool m_inputEnded = false;
    bool m_appending = false;
    int m_channels = 0;
    int m_rate = 0;
    int m_bits = 0;
    adpcm::ImaState m_states[2];
    qint64 m_framesWritten = 0;
    TWaveHeader m_existing; // the file appended to
    std::vector<char> m_buffer;
    std::vector<uint8_t> m_block;
};
