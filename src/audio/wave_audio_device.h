#pragma once
// TWaveAudioDevice: one PCM WAV file as a recorder works on it. It plays the
// file on the sound card, records from the sound card into it from any
// position (what was after that position is replaced and the file grows),
// and keeps a recording aside until Save writes the file anew. Positions and
// lengths are milliseconds.
//
// Threads: every member is for the owner's (UI) thread. Play and Record start
// one worker thread that moves the audio; Stop, Close and the destructor set
// its stop flag and join it. The worker only touches the ALSA handle, its own
// file handles and the atomic counters (mode, position, recorded bytes).
// A run that ends on its own (playback reached the end, a capture failure)
// leaves the mode Stopped and, after a failure, LastError() set.
//
// Neither capture nor playback runs ahead of the wall clock, so a device
// that delivers faster than real time (ALSA's file and null plugins) records
// and plays in real time as a sound card would.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

class QTemporaryFile;
class AlsaPcmDevice;

class EWaveDeviceError : public std::runtime_error {
public:
    explicit EWaveDeviceError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

enum class TWaveMode { NotOpen, Stopped, Playing, Recording };

class TWaveAudioDevice {
public:
    // Distance of one Step or Back.
    static constexpr qint64 kStepMilliseconds = 100;

    TWaveAudioDevice();
    ~TWaveAudioDevice();
    TWaveAudioDevice(const TWaveAudioDevice&) = delete;
    TWaveAudioDevice& operator=(const TWaveAudioDevice&) = delete;

    // The 44-byte header of an empty PCM file (sizes 36 and 0).
    static QByteArray EmptyWaveHeader(int channels, int bits, int rate);
    // Writes that header as the whole file, replacing any earlier one.
    // Throws EWaveDeviceError.
    static void CreateEmptyWave(const QString& path, int channels, int bits, int rate);

    // Opens a PCM WAV file (8, 16, 24 or 32 bit) at position 0; closes any
    // earlier one first. Throws EWaveDeviceError for a missing, broken or
    // non-PCM file.
    void Open(const QString& path);
    // Stops and forgets the file; a recording not saved is thrown away.
    void Close();

    bool IsOpen() const { return Mode() != TWaveMode::NotOpen; }
    TWaveMode Mode() const { return m_mode.load(); }
    QString FileName() const { return m_path; }
    int Channels() const { return m_channels; }
    int Bits() const { return m_bits; }
    int Rate() const { return m_rate; }

    qint64 Length() const;
    qint64 Position() const;
    // True from a recording until Save (or Close) settles it.
    bool HasUnsavedRecording() const { return m_capture != nullptr; }
    // Why the last run ended early; empty when it did not.
    QString LastError() const;

    // Plays from fromMs (the current position when negative) to the end.
    // Throws EWaveDeviceError when the device cannot be opened.
    void Play(qint64 fromMs = -1);
    // Records from fromMs (the current position when negative) until Stop.
    // Throws EWaveDeviceError when the device cannot be opened; nothing is
    // changed then.
    void Record(qint64 fromMs = -1);
    void Stop();
    // Writes the file with the recording in place and true header sizes,
    // through a temporary file that replaces it only when complete. Throws
    // EWaveDeviceError; the file is unchanged then.
    void Save();

    void SeekToStart();
    void SeekToEnd();
    void Step();
    void Back();
    void Seek(qint64 ms);

private:
    qint64 logicalBytes() const;
    qint64 msToBytes(qint64 ms) const;
    qint64 bytesToMs(qint64 bytes) const;
    void ensureOpen() const;
    // The capture or playback PCM the environment names; throws
    // EWaveDeviceError.
    std::unique_ptr<AlsaPcmDevice> openPcm(bool capture) const;
    void join();
    void fail(const QString& message);
    using Clock = std::chrono::steady_clock;
    void playLoop(std::unique_ptr<AlsaPcmDevice> pcm, Clock::time_point start, qint64 from,
                  qint64 end);
    void recordLoop(std::unique_ptr<AlsaPcmDevice> pcm, Clock::time_point start);

    QString m_path;
    int m_channels = 0;
    int m_bits = 0;
    int m_rate = 0;
    int m_blockAlign = 0;
    qint64 m_dataOffset = 0;
    qint64 m_dataLengthOffset = 0;
    qint64 m_fileData = 0;                     // data bytes in the file as it is on disk
    qint64 m_keep = 0;                         // file data bytes that come before the recording
    std::unique_ptr<QTemporaryFile> m_capture; // the recording not yet saved

    std::atomic<TWaveMode> m_mode{TWaveMode::NotOpen};
    std::atomic<qint64> m_position{0};     // bytes into the data
    std::atomic<qint64> m_captureBytes{0}; // bytes in m_capture
    std::atomic<bool> m_stop{false};
    std::thread m_worker;
    mutable std::mutex m_errorLock;
    QString m_error;
};
