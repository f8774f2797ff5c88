#include "jobs/cd_player.h"

#include <QThread>

#include <chrono>

TCDPlayer::TCDPlayer(QObject* parent) : QObject(parent)
{
    m_output.SetInput(&m_source);
    // Both events come on the output's worker and are handled on our thread.
    m_output.OnDone = [this](QObject*) {
        QMetaObject::invokeMethod(
            this, [this] { runEnded(QString()); }, Qt::QueuedConnection);
    };
    m_output.OnThreadException = [this](QObject*, const std::exception& e) {
        const QString error = QString::fromStdString(e.what());
        if (QThread::currentThread() == thread()) {
            // Raised inside Run (the device did not open): Play reports it.
            m_lastError = error;
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, error] { runEnded(error); }, Qt::QueuedConnection);
    };
}

TCDPlayer::~TCDPlayer()
{
    m_output.OnDone = nullptr;
    m_output.OnThreadException = nullptr;
}

QString TCDPlayer::StatusText() const
{
    return m_playing ? m_playPrefix + m_title : m_idleStatus;
}

bool TCDPlayer::Play(HCDROM handle, const TTOC& toc, int row, const QString& title)
{
    if (m_playing && m_paused) {
        // Resumes what was paused, whichever row is selected now.
        m_paused = false;
        m_output.Resume();
        emit stateChanged();
        return true;
    }
    if (row < 0 || row >= toc.TrackCount() || !toc.Entries[size_t(row)].IsAudio())
        return false;
    if (m_output.Status() != osIdle)
        Stop();
    m_source.SetHandle(handle);
    m_source.SetRange(toc.Entries[size_t(row)].Lba(), toc.Entries[size_t(row) + 1].Lba());
    m_lastError.clear();
    try {
        m_output.Run();
    } catch (const std::exception& e) {
        m_lastError = QString::fromStdString(e.what());
    }
    if (!m_lastError.isEmpty())
        return false;
    m_title = title;
    m_playing = true;
    m_paused = false;
    emit stateChanged();
    return true;
}

void TCDPlayer::Pause()
{
    if (!m_playing || m_paused)
        return;
    m_paused = true;
    m_output.Pause();
    emit stateChanged();
}

void TCDPlayer::Stop()
{
    if (m_output.Status() != osIdle) {
        m_output.StopNow();
        // The worker drops what is queued and ends within a block; a drive
        // read in progress may take a moment.
        m_output.WaitUntilIdle(std::chrono::seconds(20));
    }
    setIdle();
}

void TCDPlayer::setIdle()
{
    const bool changed = m_playing || m_paused;
    m_playing = false;
    m_paused = false;
    if (changed)
        emit stateChanged();
}

void TCDPlayer::runEnded(const QString& error)
{
    // The end of a run that was stopped or replaced arrives while a newer run
    // is going on (or after Stop has gone idle already): no news then.
    if (!m_playing || m_output.Status() != osIdle)
        return;
    m_lastError = error;
    setIdle();
}
