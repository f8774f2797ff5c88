#include "jobs/wma_step.h"

#include "encoders/wma_encode_process.h"
#include "jobs/job_engine.h"
#include "jobs/job_texts.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"

#include <QCoreApplication>
#include <QDateTime>

#include <exception>

namespace {

IJobEncoder* g_installed = nullptr;

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void TWmaJobEncoder::start(QObject* receiver, const QString& input, const QString& output, bool,
                           TJobKind kind)
{
    TWMAEncodeProcess& p = process();
    p.Active = true;
    p.ReportWindow = receiver;
    p.InputFile = input;
    p.OutputFile = output;
    p.EncodeMode = true;
    p.JobKind = static_cast<quint8>(kind);
    p.StartEncoder();
}

bool TWmaJobEncoder::isActive() const
{
    return m_process && m_process->Active;
}

void TWmaJobEncoder::stop()
{
    if (m_process)
        m_process->StopEncoder(0);
}

TWMAEncodeProcess& TWmaJobEncoder::process()
{
    if (!m_process)
        m_process = new TWMAEncodeProcess(QCoreApplication::instance());
    return *m_process;
}

IJobEncoder& jobWmaEncoder()
{
    static TWmaJobEncoder fallback;
    return g_installed ? *g_installed : fallback;
}

void setJobWmaEncoder(IJobEncoder* enc)
{
    g_installed = enc;
}

void TJobEngine::setWmaTimer(bool on)
{
    if (m_wmaTimer == on)
        return;
    m_wmaTimer = on;
    emit wmaTimerChanged(on);
}

bool TJobEngine::startWma(int i, bool firstOfJob)
{
    TJobItem& item = m_work[size_t(i)];
    const QString input = encoderInput(i);
    setStatus("Encoding(", i);
    m_view.setFrameCaption(firstOfJob && m_kind == TJobKind::WavToWma
                               ? JobText("RES_WAV_TO_WMA", "Encoding WAV to WMA")
                               : JobText("RES_Encoding", "Encoding"));
    item.Out = TPartFile(item.Output);
    if (!item.Out.create()) {
        m_summary.failed(i, item.Out.errorText());
        return false;
    }
    m_wmaEstimate.start(nowMs(), GetFileSizeByName(input));
    m_wmaOutput = item.Out.path();
    m_wmaEstimateText.clear();
    m_view.setProgress(0, false);
    m_view.setTimes(QString(), QString());
    setWmaTimer(true);
    try {
        m_wma->start(this, input, item.Out.path(), true, m_kind);
    } catch (const std::exception& e) {
        setWmaTimer(false);
        failStart(i, QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

void TJobEngine::afterWma(const TProcessInfo& info)
{
    setWmaTimer(false);
    const int i = m_current;
    switch (info.StepResult) {
    case 2:
        if (info.Message.isEmpty() && GetFileSizeByName(m_work[size_t(i)].Out.path()) > 0) {
            commitOutput(i);
            itemDone(i);
        } else {
            // The utility died without an error line: say how.
            itemFailed(i, encoderFailure(i, info.Message.isEmpty()
                                                ? QStringLiteral("quillon-wmaenc made no output")
                                                : info.Message));
        }
        return;
    case 8:
        // The utility's own words, unchanged.
        itemFailed(i, encoderFailure(i, info.ElapsedText));
        return;
    case 0:
        // No utility: every further item would fail the same way.
        failStart(i, info.Message);
        return;
    default:
        itemFailed(i, info.Message);
        return;
    }
}

void TJobEngine::Timer1Timer()
{
    if (m_finished || !m_wmaTimer)
        return;
    const TWmaEstimateTick t = m_wmaEstimate.tick(
        nowMs(), m_wma->isActive(), GetFileSizeByName(m_wmaOutput), OptionsSetting.WMABitRate);
    if (t.HideInitLabel)
        m_view.setInitializing(JobText("RES_Initing", "Initializing..."), false);
    if (t.HasEstimate) {
        m_wmaEstimateText = t.EstimatedText;
        m_view.setProgress(t.GaugePosition, true);
    }
    m_view.setTimes(t.ElapsedText, m_wmaEstimateText);
}
