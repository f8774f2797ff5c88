#pragma once
// Decodes an Ogg Vorbis file (or a supplied stream) into 16-bit PCM through
// libvorbisfile. A file that libvorbisfile refuses is not Valid and is never
// queried further.
//
// Typical use (the OGG player):
//   TVorbisIn in;                       // throws when a library is missing
//   in.SetFileName(path);
//   if (!in.Valid()) ...                // not an Ogg Vorbis file
//   in.GetChannels(); in.GetSampleRate(); in.TotalSamples(); in.GetTotalTime();
//   in.Comments(); in.BitrateNominal();
//   output.SetInput(&in); output.Run(); // the output's worker reads
//   in.Jump(25);                        // +25 % of the whole at the next refill
//   in.SetLoop(true); in.SetStartSample(f); in.SetEndSample(g);
//
// Threads: see TPcmFileIn. ReadData runs on the worker of the pulling
// output and holds the file lock; the callbacks run inside libvorbisfile
// calls under that lock.

#include "audio/pcm_file_in.h"
#include "audio/vorbis_handles.h"

#include <QStringList>

#include <memory>
#include <vector>

class TVorbisIn : public TPcmFileIn {
    Q_OBJECT
public:
    // Throws EPcmException when one of the four libraries is not loaded.
    explicit TVorbisIn(QObject* owner = nullptr);
    ~TVorbisIn() override;

    // The comments of the file, one "NAME=value" line each, as it holds them.
    QStringList Comments();
    // Bit rates from the stream's header, bits per second (0 or -1: unset).
    long BitrateUpper();
    long BitrateNominal();
    long BitrateLower();

    int GetTotalTime() override;
    void BeginRead() override;
    qint64 ReadData(char* buffer, qint64 size) override;
    void OpenFile() override;
    void CloseFile() override;
    bool SeekSample(qint64 frame) override;

private:
    static size_t readCallback(void* ptr, size_t size, size_t count, void* source);
    static int seekCallback(void* source, ogg_int64_t offset, int whence);
    static int closeCallback(void* source);
    static long tellCallback(void* source);

    void closeStream();
    bool fill(bool cutAtSize);
    template <typename F> auto queryOpen(F&& f);

    QIODevice* m_stream = nullptr; // supplied or own
    std::unique_ptr<QIODevice> m_ownStream;
    vorbis::FileOwner m_file;
    std::vector<char> m_buffer;
    bool m_endOfFile = false;
    int m_section = -1;
    double m_timeTotal = 0;
    QStringList m_comments;
    long m_bitrateUpper = 0;
    long m_bitrateNominal = 0;
    long m_bitrateLower = 0;
};
