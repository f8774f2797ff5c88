#pragma once
// Sinks of PCM audio. An output owns a worker (TPcmThread) that pulls blocks
// from its Input while a run is going on; the owner starts it with Run and
// hears of it through OnProgress, OnDone and OnThreadException.
//
// Threads:
// - Owner's thread: Run, Stop, Pause, Resume, Status, Progress, SetDelay,
//   SetInput, destruction. Run may also be called from an OnDone handler.
// - Worker thread: ProduceBlock, FinishRun at the end of a run, and the three
//   events. Handlers that touch widgets must post to their window.
// - PrepareRun runs on the thread that calls Run.
// - Never destroy an output from inside one of its own events.
//
// Every concrete output calls StopWorker() first thing in its destructor: it
// ends the worker while the whole object is still alive. A run still going on
// then is finished quietly (FinishRun, no events), so files are closed and
// inputs ended.

#include "audio/pcm_input.h"
#include "audio/pcm_input_slot.h"
#include "audio/pcm_thread.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

enum TOutputStatus { osBusy = 0, osPaused = 1, osIdle = 2 };
enum TFileOutputMode { foRewrite, foAppend };

using TOutputDoneEvent = std::function<void(QObject* sender)>;
using TOutputProgressEvent = std::function<void(QObject* sender)>;
using TThreadExceptionEvent = std::function<void(QObject* sender, const std::exception& e)>;

class TPcmOutput : public QObject, public TPcmInputHolder {
    Q_OBJECT
public:
    explicit TPcmOutput(QObject* owner = nullptr);
    ~TPcmOutput() override;

    // Starts a run. Misuse raises EPcmException; a failure of PrepareRun is
    // reported through OnThreadException instead.
    void Run();
    // The run ends at the next block with OnDone (also when paused).
    void Stop();
    // Returns once no block is in progress; none starts until Resume.
    void Pause();
    void Resume();
    TOutputStatus Status() const;
    // Blocks until the run has ended (no busy-waiting); false when it is still
    // going after timeout.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);
    // Percent of the input delivered; -1 when its size is unknown.
    int Progress() const;

    // Milliseconds to wait before each block; values above 100 are ignored.
    void SetDelay(int ms);
    int Delay() const { return Thread.delay(); }

    TPcmInput* Input() const { return m_inputSlot.get(); }
    // While Busy, the new input is begun, swapped in between two blocks and the
    // old one ended.
    virtual void SetInput(TPcmInput* input);
    void InputRemoved(TPcmInput* input) override;

    bool Busy() const { return m_busy; }
    bool Running() const { return m_running; }
    int LastProgress() const { return m_lastProgress; }

    TOutputDoneEvent OnDone;
    TOutputProgressEvent OnProgress;
    TThreadExceptionEvent OnThreadException;

protected:
    // Produces one block; false when the run is over.
    virtual bool ProduceBlock(bool abort) = 0;
    // Closes what PrepareRun opened and calls the input's EndRead.
    virtual void FinishRun() = 0;
    // Calls the input's BeginRead and opens the destination.
    virtual void PrepareRun() = 0;

    void StopWorker();
    // Reads from Input under InputLock; 0 when there is no input.
    qint64 readInput(char* buffer, qint64 size) { return m_inputSlot.read(buffer, size); }
    // Reports a changed Progress through OnProgress (called by ProduceBlock).
    void progressStep();

    std::atomic<bool> m_running{false};
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_lastProgress{0};
    TPcmThread Thread;

private:
    TPcmInputSlot m_inputSlot;
    void runDone();
    void runFailed(const std::exception& e);
    void setIdle();
    bool m_workerStopped = false;
    std::mutex m_idleLock;
    std::condition_variable m_becameIdle;
};

// An output that writes through a stream it opens itself (or one the owner
// supplies and keeps).
class TPcmStreamedOutput : public TPcmOutput {
    Q_OBJECT
public:
    explicit TPcmStreamedOutput(QObject* owner = nullptr);
    void setStream(QIODevice* stream) { m_suppliedStream = stream; }
    bool StreamAssigned() const { return m_suppliedStream != nullptr; }

protected:
    QIODevice* stream() const { return m_suppliedStream ? m_suppliedStream : m_ownStream.get(); }
    QIODevice* m_suppliedStream = nullptr;
    std::unique_ptr<QIODevice> m_ownStream;
};

class TPcmFileOut : public TPcmStreamedOutput {
    Q_OBJECT
public:
    explicit TPcmFileOut(QObject* owner = nullptr);
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& name) { m_fileName = name; }
    TFileOutputMode FileMode() const { return m_fileMode; }
    // The base can only rewrite; writers that can append override this.
    virtual void SetFileMode(TFileOutputMode) { m_fileMode = foRewrite; }

protected:
    QString m_fileName;
    TFileOutputMode m_fileMode = foRewrite;
};
