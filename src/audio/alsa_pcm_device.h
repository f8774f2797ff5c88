#pragma once
// An owned ALSA PCM handle, opened for blocking interleaved reads or writes in
// one PCM format. Closing happens in the destructor, whatever went wrong.
//
// Threads: one thread at a time; the wave-audio device opens it on the UI
// thread (so an open failure is reported at once) and hands it to its worker.

#include <QString>

#include <stdexcept>

struct _snd_pcm;

class EAlsaError : public std::runtime_error {
public:
    explicit EAlsaError(const std::string& message) : std::runtime_error(message) {}
};

// The PCM name from the environment variable, or "default" when it is unset
// or empty.
QString AlsaDeviceName(const char* environmentVariable);

class AlsaPcmDevice {
public:
    enum class Direction { Playback, Capture };

    // bits 8 (unsigned), 16, 24 (3 bytes) or 32 (signed little-endian).
    // Throws EAlsaError naming the device and ALSA's reason.
    AlsaPcmDevice(const QString& name, Direction direction, int bits, int channels, int rate);
    ~AlsaPcmDevice();
    AlsaPcmDevice(const AlsaPcmDevice&) = delete;
    AlsaPcmDevice& operator=(const AlsaPcmDevice&) = delete;

    int frameBytes() const { return m_frameBytes; }

    // Waits up to timeoutMs until frames can be moved; false on time-out.
    bool wait(int timeoutMs);
    // Move up to frames frames; return how many moved (0 when none were
    // ready). An overrun or underrun is recovered silently; anything else
    // throws EAlsaError.
    long read(void* buffer, long frames);
    long write(const void* buffer, long frames);
    // Lets queued playback finish / throws queued frames away.
    void drain();
    void drop();

private:
    long recover(long result, const char* what);

    _snd_pcm* m_pcm = nullptr;
    QString m_name;
    int m_frameBytes = 0;
};
