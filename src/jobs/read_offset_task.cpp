#include "jobs/read_offset_task.h"

#include <utility>

TReadOffsetTask::TReadOffsetTask(ICDAccess& access, HCDROM handle, TVerifySettings settings,
                                 QObject* parent)
    : QObject(parent), m_access(access), m_handle(handle), m_settings(std::move(settings))
{}

TReadOffsetTask::~TReadOffsetTask()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    // Reports the thread posted and nobody took go with this object.
}

void TReadOffsetTask::start()
{
    if (m_running || m_thread.joinable())
        return;
    m_running = true;
    m_thread = std::thread([this] {
        // Reports are queued to this object: they are dropped if it goes first.
        const TReadOffsetFinding finding =
            FindReadOffset(m_access, m_handle, m_settings, &m_stop, [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this, [this, done, total] { emit progress(done, total); },
                    Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this,
            [this, finding] {
                m_running = false;
                emit finished(finding);
            },
            Qt::QueuedConnection);
    });
}
