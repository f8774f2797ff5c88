#pragma once
// TReadOffsetTask: FindReadOffset on a thread of its own, for a window that
// must not freeze while the database is asked and the disc is read. Its
// signals arrive on the thread that owns the task.
//
// Threads: made, started, stopped and destroyed on one thread (the UI's).
// Destroying the task stops the search and waits for its thread (a chunk of
// sectors or a few tens of milliseconds of a transfer); no signal comes
// after that.

#include "cdaccess/cd_access.h"
#include "verify/drive_offset_search.h"
#include "verify/verify_settings.h"

#include <QObject>

#include <atomic>
#include <thread>

class TReadOffsetTask : public QObject {
    Q_OBJECT
public:
    // access and handle stay the caller's and must outlive the task.
    TReadOffsetTask(ICDAccess& access, HCDROM handle, TVerifySettings settings,
                    QObject* parent = nullptr);
    ~TReadOffsetTask() override;
    TReadOffsetTask(const TReadOffsetTask&) = delete;
    TReadOffsetTask& operator=(const TReadOffsetTask&) = delete;

    void start();
    // Asks the search to end; finished() still comes, with Stopped.
    void stop() { m_stop = true; }
    bool running() const { return m_running; }

signals:
    // Before each track is read: done of total tracks read.
    void progress(int done, int total);
    void finished(const TReadOffsetFinding& finding);

private:
    ICDAccess& m_access;
    HCDROM m_handle;
    TVerifySettings m_settings;
    std::atomic<bool> m_stop{false};
    bool m_running = false;
    std::thread m_thread;
};
