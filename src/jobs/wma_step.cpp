#include "jobs/wma_step.h"

#include "encoders/wma_encode_process.h"
#include "jobs/job_engine.h"
#include "jobs/job_texts.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"
#include "settings/prompts.h"

#include <QCoreApplication>
#include <QDateTime>

#include <exception>

namespace {

IJobEncoder* g_installed = nullptr;

void showJobError(const QString& text)
{
    prompts().message(text, PromptIcon::Error, pbOk);
}

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

void TJobEngine::startWma(int i, bool firstOfJob)
{
    QString input = m_items[i];
    QString output;
    if (m_kind == TJobKind::Extract) {
        input = WavName(i);
        output = input.left(input.size() - 4) + QStringLiteral(".wma");
    } else {
        output = OutName(i, QStringLiteral(".wma"));
    }
    setStatus("Encoding(", i);
    m_view.setFrameCaption(firstOfJob && m_kind == TJobKind::WavToWma
                               ? JobText("RES_WAV_TO_WMA", "Encoding WAV to WMA")
                               : JobText("RES_Encoding", "Encoding"));
    m_wmaEstimate.start(nowMs(), GetFileSizeByName(input));
    m_wmaOutput = output;
    m_wmaEstimateText.clear();
    m_view.setProgress(0, false);
    m_view.setTimes(QString(), QString());
    setWmaTimer(true);
    // The encoder may send this step's end report (and so start the next
    // item, or end the job) before start() returns: nothing of the job's
    // state may be touched after it.
    try {
        m_wma->start(this, input, output, true, m_kind);
    } catch (const std::exception& e) {
        setWmaTimer(false);
        failStart(QString::fromUtf8(e.what()));
    }
}

void TJobEngine::afterWma(const TProcessInfo& info)
{
    setWmaTimer(false);
    const int i = m_encodedCount;
    switch (info.StepResult) {
    case 1:
        if (!m_progressSeen)
            showJobError(m_items[i] + JobText("RES_Operate_Fail", "maybe be used,operate fail!"));
        break;
    case 8:
        // The utility's own words, unchanged.
        showJobError(info.ElapsedText);
        break;
    case 2:
        // The utility died without an error line: say how.
        if (!info.Message.isEmpty())
            showJobError(info.Message);
        break;
    default:
        break;
    }
    m_progressSeen = false;
    ++m_encodedCount;
    if (m_encodedCount == m_count) {
        endJob();
        return;
    }
    if (m_kind == TJobKind::Extract)
        startNextExtraction();
    else if (m_kind == TJobKind::WavToWma)
        startStep(TStep::EncodeWma, m_encodedCount);
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
