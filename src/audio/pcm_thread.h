#pragma once
// The worker of one output: a thread that calls the output's ProduceBlock over
// and over while a run is going on, and waits on a condition variable otherwise.
//
// Threads:
// - The owning output calls start, resume, pause, resumeFromPause, terminate and
//   setDelay from the owner's thread (or from an event handler on this worker).
// - ProduceBlock, RunDone and RunFailed are called on the worker thread only,
//   with Lock held around each block.
// - pause() called from another thread returns only after the block in progress
//   has finished, so no block starts after it returns.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TPcmThread {
public:
    TPcmThread();
    ~TPcmThread();
    TPcmThread(const TPcmThread&) = delete;
    TPcmThread& operator=(const TPcmThread&) = delete;

    // Bound by the output before the first run.
    std::function<bool(bool abort)> ProduceBlock;
    std::function<void()> RunDone;
    std::function<void(const std::exception& e)> RunFailed;

    // Starts looping (a new run); starts the thread on first use.
    void resume();
    // Holds the worker between blocks until resumeFromPause.
    void pause();
    void resumeFromPause();
    bool paused() const { return m_paused; }
    // True while the worker waits for a run (not looping).
    bool idle() const { return !m_active; }

    // Ends the loop and joins the thread. Never call from the worker itself.
    void terminate();
    bool onWorkerThread() const { return std::this_thread::get_id() == m_threadId; }

    void setAbortRequested(bool abort) { m_abortRequested = abort; }
    bool abortRequested() const { return m_abortRequested; }

    // Milliseconds to wait before each block; only values above 5 wait.
    void setDelay(int ms) { m_delay = ms; }
    int delay() const { return m_delay; }

private:
    void execute();

    std::thread m_thread;
    std::atomic<std::thread::id> m_threadId{};
    std::mutex m_stateLock;
    std::condition_variable m_wake;
    // Held around each block.
    std::mutex Lock;
    bool m_active = false;
    std::atomic<bool> m_paused{false};
    bool m_terminating = false;
    unsigned m_generation = 0; // counts resume() calls, so a run started by an
                               // end handler is not mistaken for the one that ended
    std::atomic<bool> m_abortRequested{false};
    std::atomic<int> m_delay{0};
};
