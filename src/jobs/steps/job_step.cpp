#include "jobs/steps/job_step.h"

TJobStep::TJobStep(TStepKind kind, int item) : m_kind(kind), m_item(item) {}

// Each concrete step ends its worker in its own destructor, while the whole
// object still exists; here nothing may run any more.
TJobStep::~TJobStep() = default;

bool TJobStep::start(TStepEnd& failure)
{
    m_clock.start();
    m_percent = 0;
    m_running = true;
    if (startWorker(failure))
        return true;
    m_running = false;
    return false;
}

void TJobStep::stop()
{
    if (!m_running)
        return;
    m_running = false;
    stopWorker();
}

void TJobStep::progress(int percent)
{
    if (!m_running)
        return;
    m_percent = percent;
    if (OnProgress)
        OnProgress(*this);
}

void TJobStep::setNormalizing()
{
    m_normalizing = true;
    progress(0);
}

void TJobStep::finish(TStepResult result, const QString& message)
{
    if (!m_running)
        return;
    m_running = false;
    if (OnEnded)
        OnEnded(*this, TStepEnd{result, message});
}

bool TJobStep::event(QEvent* e)
{
    auto* m = dynamic_cast<TMessageEvent*>(e);
    if (!m)
        return QObject::event(e);
    // Reports still queued from a stopped worker are dropped here.
    if (!m_running)
        return true;
    if (m->message() == WM_PROCESSINFO) {
        if (const TProcessInfo* info = m->info())
            onReport(*info);
    } else {
        onMessage(m->message(), m->wParam());
    }
    return true;
}
