#include "audio/pcm_output.h"

#include "audio/pcm_exception.h"

#include <cmath>

TPcmOutput::TPcmOutput(QObject* owner) : QObject(owner)
{
    Thread.ProduceBlock = [this](bool abort) { return ProduceBlock(abort); };
    Thread.RunDone = [this] { runDone(); };
    Thread.RunFailed = [this](const std::exception& e) { runFailed(e); };
}

TPcmOutput::~TPcmOutput()
{
    // A concrete output has done this already; here only the idle case is safe.
    if (!m_workerStopped)
        Thread.terminate();
    m_inputSlot.release(this);
}

void TPcmOutput::StopWorker()
{
    if (m_workerStopped)
        return;
    m_workerStopped = true;
    Thread.terminate();
    if (m_busy) {
        m_running = false;
        try {
            FinishRun();
        } catch (...) {
        }
        setIdle();
    }
}

void TPcmOutput::Run()
{
    if (m_busy)
        throw EPcmException("Component is buisy");
    if (!Input())
        throw EPcmException("Input is not assigned");
    try {
        PrepareRun();
        m_lastProgress = 0;
        m_busy = true;
        Thread.setAbortRequested(false);
        m_running = true;
        Thread.resumeFromPause();
        Thread.resume();
    } catch (const std::exception& e) {
        runFailed(e);
    }
}

void TPcmOutput::Stop()
{
    Thread.setAbortRequested(true);
    // A paused run could never reach its next block otherwise.
    if (m_busy && Thread.paused())
        Thread.resumeFromPause();
}

void TPcmOutput::Pause()
{
    if (!Thread.paused())
        Thread.pause();
}

void TPcmOutput::Resume()
{
    if (Thread.paused())
        Thread.resumeFromPause();
}

TOutputStatus TPcmOutput::Status() const
{
    if (!m_busy)
        return osIdle;
    return Thread.paused() ? osPaused : osBusy;
}

void TPcmOutput::setIdle()
{
    {
        // Under the lock, so a waiter between its test and its wait cannot
        // miss the change.
        std::lock_guard<std::mutex> lock(m_idleLock);
        m_busy = false;
    }
    m_becameIdle.notify_all();
}

bool TPcmOutput::WaitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_idleLock);
    return m_becameIdle.wait_for(lock, timeout, [this] { return !m_busy; });
}

int TPcmOutput::Progress() const
{
    TPcmInput* input = Input();
    if (!input)
        return 0;
    const qint64 size = input->Size();
    if (size == -1)
        return -1;
    if (size == 0)
        return 0;
    return int(std::nearbyint(double(input->Position()) / double(size) * 100.0));
}

void TPcmOutput::SetDelay(int ms)
{
    if (ms <= 100)
        Thread.setDelay(ms);
}

void TPcmOutput::SetInput(TPcmInput* input)
{
    m_inputSlot.set(input, this, m_busy);
}

void TPcmOutput::InputRemoved(TPcmInput* input)
{
    if (input == Input())
        SetInput(nullptr);
}

void TPcmOutput::progressStep()
{
    if (!m_running)
        return;
    const int progress = Progress();
    if (progress != m_lastProgress) {
        m_lastProgress = progress;
        if (OnProgress)
            OnProgress(this);
    }
}

void TPcmOutput::runDone()
{
    if (!m_busy)
        return;
    m_running = false;
    FinishRun();
    setIdle();
    if (OnDone)
        OnDone(this);
}

void TPcmOutput::runFailed(const std::exception& e)
{
    if (Status() != osIdle) {
        try {
            FinishRun();
        } catch (...) {
        }
    }
    m_running = false;
    setIdle();
    if (OnThreadException)
        OnThreadException(this, e);
}

TPcmStreamedOutput::TPcmStreamedOutput(QObject* owner) : TPcmOutput(owner) {}

TPcmFileOut::TPcmFileOut(QObject* owner) : TPcmStreamedOutput(owner) {}
