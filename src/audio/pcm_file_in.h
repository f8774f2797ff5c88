#pragma once
// A source that reads a named file (or a supplied stream): the common part of
// the WAV and Vorbis readers. OpenFile/CloseFile nest: only the first open
// reads the header and only the last close frees the stream.
//
// Threads: the format queries and Valid may be called by the owner at any time,
// also while a worker reads; every operation that touches the file takes the
// recursive file lock, so a query never meets a half-done read or seek.

#include "audio/pcm_input.h"

#include <QString>

#include <atomic>
#include <mutex>

class TPcmFileIn : public TPcmStreamedInput {
    Q_OBJECT
public:
    explicit TPcmFileIn(QObject* owner = nullptr);

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& name) { m_fileName = name; }
    bool Loop() const { return m_loop; }
    void SetLoop(bool loop) { m_loop = loop; }
    qint32 StartSample() const { return m_startSample; }
    void SetStartSample(qint32 frame) { m_startSample = frame; }
    // Frame at which delivery ends, exclusive; -1 = end of file.
    qint32 EndSample() const { return m_endSample; }
    void SetEndSample(qint32 frame) { m_endSample = frame; }

    // False when there is neither a stream nor a file name, or the file is not
    // recognised.
    bool Valid();
    int GetBitsPerSample() override;
    int GetChannels() override;
    int GetSampleRate() override;
    int GetTotalTime() override;
    qint64 TotalSamples();

    // A relative jump in percent of the whole, applied by readers that support it.
    void Jump(int percent) { m_jumpPercent = percent; }

    void BeginRead() override;
    void EndRead() override;
    void Reset() override;

    // Reads the header and sets the format fields, Valid, Size and TotalSamples;
    // nested calls only count.
    virtual void OpenFile() = 0;
    // Closes when the count falls from 1 to 0.
    virtual void CloseFile() = 0;
    // Moves the read position to the block holding frame; false when impossible.
    virtual bool SeekSample(qint64 frame) = 0;

protected:
    std::recursive_mutex m_fileLock;
    QString m_fileName;
    std::atomic<int> m_jumpPercent{0};
    int m_openCount = 0;
    bool m_valid = false;
    int m_bitsPerSample = 0;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_totalTime = 0;
    bool m_loop = false;
    qint32 m_startSample = 0;
    qint32 m_endSample = -1;
    qint64 m_totalSamples = 0;

private:
    // OpenFile, read one stored value, CloseFile.
    template <typename F> auto withOpenFile(F&& f);
};
