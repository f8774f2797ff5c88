#pragma once
// Encodes 16-bit PCM from its Input into an Ogg Vorbis file: quality-driven
// (DesiredNominalBitrate brAutoSelect, quality Compression) or bit-rate
// managed (nominal, maximum and minimum bit rates). One logical stream per
// run; in foAppend the new stream follows whatever the file holds.
//
// Threads: see TPcmOutput. The setters are for the owner's thread between
// runs. CloseWritten is for the owner's thread after Pause.

#include "audio/pcm_output.h"
#include "audio/vorbis_library.h"

#include <QStringList>

#include <memory>
#include <vector>

// Bit-rate choices, in their order (the setters compare by it).
enum TVorbisBitRate {
    brAutoSelect,
    br45,
    br48,
    br56,
    br64,
    br80,
    br96,
    br112,
    br128,
    br144,
    br160,
    br192,
    br224,
    br256,
    br320,
    br499,
};

// Bits per second a choice stands for; -1 for brAutoSelect. br56 asks for
// 46000, as it always has: files made with it keep their size.
int VorbisBitsPerSecond(TVorbisBitRate rate);
// A bit-rate choice from a stored list index, held within the choices.
TVorbisBitRate VorbisBitRateFromIndex(int index);

class TVorbisOut : public TPcmFileOut {
    Q_OBJECT
public:
    // Throws EPcmException when one of the four libraries is not loaded.
    explicit TVorbisOut(QObject* owner = nullptr);
    ~TVorbisOut() override;

    float Compression() const { return m_compression; }
    void SetCompression(float quality) { m_compression = quality; }
    TVorbisBitRate DesiredNominalBitrate() const { return m_nominal; }
    void SetDesiredNominalBitrate(TVorbisBitRate v);
    TVorbisBitRate DesiredMaximumBitrate() const { return m_maximum; }
    void SetDesiredMaximumBitrate(TVorbisBitRate v);
    TVorbisBitRate MinimumBitrate() const { return m_minimum; }
    void SetMinimumBitrate(TVorbisBitRate v);
    // The serial number of the logical stream: the one set, else a random
    // one drawn for every run (the last run's is returned), so that files
    // chained or muxed together never share one.
    qint32 Serial() const { return m_serial; }
    void SetSerial(qint32 serial)
    {
        m_serial = serial;
        m_serialSet = true;
    }
    // One "NAME=value" line per comment; the list is copied. Cleared at the
    // end of every run.
    QStringList Comments() const { return m_comments; }
    void SetComments(const QStringList& lines) { m_comments = lines; }
    void SetFileMode(TFileOutputMode mode) override { m_fileMode = mode; }

    // The encoder setup the next run uses, in bits per second (-1 none);
    // all three -1 means quality-driven.
    struct Setup {
        long maximum;
        long nominal;
        long minimum;
    };
    Setup EncoderSetup() const;

    // Ends a run here and now (the owner's Stop): the worker is paused, the
    // stream is ended properly after the audio encoded so far and the file is
    // closed. The worker then ends the run with OnDone as after Stop.
    void CloseWritten();

protected:
    void PrepareRun() override;
    bool ProduceBlock(bool abort) override;
    void FinishRun() override;

private:
    struct Session;
    void writePage(const ogg_page& page);
    void drainBlocks();
    void endStream();
    [[noreturn]] void failPrepare(const std::string& message);

    float m_compression = 0.2f;
    TVorbisBitRate m_nominal = brAutoSelect;
    TVorbisBitRate m_maximum = brAutoSelect;
    TVorbisBitRate m_minimum = brAutoSelect;
    qint32 m_serial = 0;
    bool m_serialSet = false;
    QStringList m_comments;

    std::unique_ptr<Session> m_session; // the library records of one run
    std::vector<char> m_buffer;
    qint64 m_carry = 0;         // bytes of an incomplete frame kept for the next block
    bool m_endOfStream = false; // the page that ends the stream has been written
    bool m_inputEnded = false;  // the end of input has been told to the encoder
    bool m_prepared = false;    // PrepareRun succeeded and FinishRun has not run yet
    int m_channels = 0;
};
