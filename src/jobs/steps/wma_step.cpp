#include "jobs/steps/wma_step.h"

#include "settings/global.h"

#include <QDateTime>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

TWmaStep::TWmaStep(int item, IJobEncoder& encoder, const QString& input, const QString& output,
                   TJobKind job, const TOptionsSetting& options)
    : TEncoderStep(TStepKind::EncodeWma, item, encoder, input, output, job, options), m_input(input)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TWmaStep::tick);
}

// Stopped here, while the timer is still a member.
TWmaStep::~TWmaStep()
{
    stop();
}

bool TWmaStep::startWorker(TStepEnd& failure)
{
    m_estimate.start(nowMs(), GetFileSizeByName(m_input));
    if (!TEncoderStep::startWorker(failure))
        return false;
    m_timer.start();
    return true;
}

void TWmaStep::stopWorker()
{
    m_timer.stop();
    TEncoderStep::stopWorker();
}

void TWmaStep::tick()
{
    if (!running() || !m_timer.isActive())
        return;
    qint32 wmaBitRate = options().WMABitRate;
    const TWmaEstimateTick t =
        m_estimate.tick(nowMs(), true, GetFileSizeByName(output()), wmaBitRate);
    // Without an estimate yet the share done is unknown.
    progress(t.HasEstimate ? t.GaugePosition : -1);
}

void TWmaStep::onReport(const TProcessInfo& info)
{
    if (info.Percent != scWmaDone) {
        // The utility's own word that it is complete ends the estimates.
        m_timer.stop();
        progress(info.Percent);
        return;
    }
    m_timer.stop();
    switch (info.StepResult) {
    case kEncoderEnded:
        if (info.Message.isEmpty() && GetFileSizeByName(output()) > 0)
            finish(TStepResult::Done);
        else
            // The utility died without an error line: say how.
            finish(TStepResult::Failed, info.Message.isEmpty()
                                            ? QStringLiteral("quillon-wmaenc made no output")
                                            : info.Message);
        return;
    case kEncoderMissing:
        // No utility: every further item would fail the same way.
        finish(TStepResult::JobFailed, info.Message);
        return;
    default:
        // An error line: the utility's own words, unchanged.
        finish(TStepResult::Failed, info.Message);
        return;
    }
}
