#include "jobs/steps/wma_step.h"

#include "settings/global.h"

#include <QDateTime>

#include <exception>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

TWmaStep::TWmaStep(int item, IJobEncoder& encoder, const QString& input, const QString& output,
                   TJobKind job, const TOptionsSetting& options)
    : TJobStep(TStepKind::EncodeWma, item), m_encoder(encoder), m_input(input), m_output(output),
      m_job(job), m_options(options)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TWmaStep::tick);
}

TWmaStep::~TWmaStep()
{
    stop();
}

bool TWmaStep::startWorker(TStepEnd& failure)
{
    m_estimate.start(nowMs(), GetFileSizeByName(m_input));
    try {
        m_encoder.start(this, m_input, m_output, true, m_job, m_options);
    } catch (const std::exception& e) {
        failure = {TStepResult::JobFailed, QString::fromUtf8(e.what())};
        return false;
    }
    m_timer.start();
    return true;
}

void TWmaStep::stopWorker()
{
    m_timer.stop();
    m_encoder.stop(this);
}

void TWmaStep::tick()
{
    if (!running() || !m_timer.isActive())
        return;
    const TWmaEstimateTick t =
        m_estimate.tick(nowMs(), true, GetFileSizeByName(m_output), m_options.WMABitRate);
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
        if (info.Message.isEmpty() && GetFileSizeByName(m_output) > 0)
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
