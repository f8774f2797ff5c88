#include "jobs/steps/job_step.h"

#include <utility>

TJobStep::TJobStep(TStepKind kind, int item) : m_kind(kind), m_item(item) {}

// Each concrete step ends its worker in its own destructor, while the whole
// object still exists; here nothing may run any more.
TJobStep::~TJobStep() = default;

bool TJobStep::start(TStepEnd& failure)
{
    m_clock.start();
    m_percent = 0;
    m_running = true;
    m_waitingEnd.reset();
    m_loudness.reset();
    if (!startWorker(failure)) {
        m_running = false;
        return false;
    }
    if (!m_besidePath.isEmpty()) {
        m_beside = std::make_unique<TWavLoudnessWorker>(m_besidePath);
        m_beside->Start([this] { postMessage(this, WM_LOUDNESSMEASURED); });
    }
    return true;
}

void TJobStep::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_beside.reset();
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
    if (!m_running || m_waitingEnd)
        return;
    // A complete output waits for the meter beside it; a failed one does not.
    if (result == TStepResult::Done && m_beside) {
        m_waitingEnd = TStepEnd{result, message};
        return;
    }
    m_beside.reset();
    end(TStepEnd{result, message});
}

void TJobStep::besideDone()
{
    if (!m_beside)
        return;
    // Without a measurement the output only goes without its gain.
    m_loudness = m_beside->Take();
    m_beside.reset();
    if (m_waitingEnd)
        end(*std::exchange(m_waitingEnd, std::nullopt));
}

void TJobStep::end(const TStepEnd& end)
{
    m_running = false;
    if (OnEnded)
        OnEnded(*this, end);
}

bool TJobStep::event(QEvent* e)
{
    auto* m = dynamic_cast<TMessageEvent*>(e);
    if (!m)
        return QObject::event(e);
    // Reports still queued from a stopped worker are dropped here.
    if (!m_running)
        return true;
    if (m->message() == WM_LOUDNESSMEASURED) {
        besideDone();
    } else if (m->message() == WM_PROCESSINFO) {
        if (const TProcessInfo* info = m->info())
            onReport(*info);
    } else {
        onMessage(m->message(), m->wParam());
    }
    return true;
}
