#pragma once
// Measures the loudness of a WAV file on a thread of its own, beside the
// encoder that reads the same file: the track gain for encoders whose input
// this program does not pass along itself (lame and the WMA encoder read the
// file, the Vorbis writer has no room for a meter). The file has just been
// written or is being read by the encoder, so the second read comes from the
// system's cache, and the measuring overlaps the encoding.
//
// Threads: the owner's thread makes, starts, stops and takes; OnDone runs
// once on the worker thread, when the file is read or cannot be.

#include "audio/loudness.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class TWavLoudnessWorker {
public:
    explicit TWavLoudnessWorker(const QString& path) : m_path(path) {}
    // Stops and joins the worker.
    ~TWavLoudnessWorker();
    TWavLoudnessWorker(const TWavLoudnessWorker&) = delete;
    TWavLoudnessWorker& operator=(const TWavLoudnessWorker&) = delete;

    void Start(std::function<void()> onDone);
    // Ends the measuring now; OnDone is not called after Stop returns.
    void Stop();
    // After OnDone: the measurement, null when the file could not be
    // measured (Error says why).
    std::unique_ptr<TLoudness> Take();
    const QString& Error() const { return m_error; }

private:
    void run();

    QString m_path;
    std::function<void()> m_onDone;
    std::atomic<bool> m_stop{false};
    std::unique_ptr<TLoudness> m_loudness;
    QString m_error;
    std::thread m_thread;
};
