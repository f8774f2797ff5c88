#include "audio/pcm_thread.h"

#include "audio/pcm_exception.h"

TPcmThread::TPcmThread() = default;

TPcmThread::~TPcmThread()
{
    terminate();
}

void TPcmThread::resume()
{
    std::lock_guard lock(m_stateLock);
    m_active = true;
    ++m_generation;
    if (!m_thread.joinable() && !m_terminating) {
        m_thread = std::thread([this] { execute(); });
        m_threadId = m_thread.get_id();
    }
    m_wake.notify_all();
}

void TPcmThread::pause()
{
    {
        std::lock_guard lock(m_stateLock);
        m_paused = true;
    }
    // Wait for the block in progress (unless we are that block's own thread).
    if (!onWorkerThread()) {
        std::lock_guard block(Lock);
    }
}

void TPcmThread::resumeFromPause()
{
    std::lock_guard lock(m_stateLock);
    m_paused = false;
    m_wake.notify_all();
}

void TPcmThread::terminate()
{
    {
        std::lock_guard lock(m_stateLock);
        m_terminating = true;
        m_wake.notify_all();
    }
    if (m_thread.joinable() && !onWorkerThread())
        m_thread.join();
}

void TPcmThread::execute()
{
    for (;;) {
        unsigned generation;
        {
            std::unique_lock state(m_stateLock);
            m_wake.wait(state, [this] { return m_terminating || (m_active && !m_paused); });
            if (m_terminating)
                return;
            const int delay = m_delay;
            if (delay > 5) {
                m_wake.wait_for(state, std::chrono::milliseconds(delay),
                                [this] { return m_terminating; });
                if (m_terminating)
                    return;
            }
        }
        std::lock_guard block(Lock);
        {
            // Checked again under Lock: a pause that returned before we got here
            // must not see one more block.
            std::lock_guard state(m_stateLock);
            if (m_terminating)
                return;
            if (!m_active || m_paused)
                continue;
            generation = m_generation;
        }
        bool runOver = false;
        try {
            if (!ProduceBlock(m_abortRequested)) {
                m_abortRequested = false;
                runOver = true;
                RunDone();
            }
        } catch (const std::exception& e) {
            m_abortRequested = false;
            runOver = true;
            RunFailed(e);
        } catch (...) {
            m_abortRequested = false;
            runOver = true;
            RunFailed(EPcmException("Unknown error in the audio worker"));
        }
        if (runOver) {
            // An idle worker always waits; it never spins on an empty output. A
            // run started by an end handler keeps it going.
            std::lock_guard state(m_stateLock);
            if (generation == m_generation)
                m_active = false;
        }
    }
}
