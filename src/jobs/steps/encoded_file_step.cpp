#include "jobs/steps/encoded_file_step.h"

#include "settings/process_info.h"

// The source, the meter and the output of one run; the output is declared
// last, so its worker has ended before what it reads goes away.
struct TEncodedFileStep::Parts {
    TWaveIn WaveIn1;
    TReplayGainMeter Meter;
    std::unique_ptr<TEncodedFileOut> Out;

    ~Parts() { Out.reset(); }
};

TEncodedFileStep::TEncodedFileStep(TStepKind kind, int item, const QString& input,
                                   const QString& output, const TTrackTags& tags, bool measureGain)
    : TJobStep(kind, item), m_input(input), m_output(output), m_tags(tags),
      m_measureGain(measureGain)
{}

TEncodedFileStep::~TEncodedFileStep()
{
    stop();
}

bool TEncodedFileStep::startWorker(TStepEnd& failure)
{
    try {
        m_parts = std::make_unique<Parts>();
        TWaveIn& in = m_parts->WaveIn1;
        in.SetFileName(m_input);
        m_parts->Out = makeOutput();
        TEncodedFileOut& out = *m_parts->Out;
        if (m_measureGain) {
            m_parts->Meter.SetInput(&in);
            out.SetInput(&m_parts->Meter);
            out.SetGainMeter(&m_parts->Meter);
        } else {
            out.SetInput(&in);
        }
        out.SetTags(m_tags);
        out.SetFileName(m_output);
        out.OnProgress = [this, &out](QObject*) { post(out.Progress()); };
        out.OnDone = [this](QObject*) { post(scEncodedFileDone); };
        out.OnThreadException = [this](QObject*, const std::exception& e) {
            // Without an end report the job would wait for Stop forever.
            post(scEncodedFileDone, kEncodedFileFailed, QString::fromUtf8(e.what()));
        };
        out.Run();
        return true;
    } catch (const std::exception& e) {
        m_parts.reset();
        failure = {TStepResult::Failed, QString::fromUtf8(e.what())};
        return false;
    }
}

void TEncodedFileStep::stopWorker()
{
    m_parts.reset();
}

void TEncodedFileStep::onReport(const TProcessInfo& info)
{
    if (info.Percent != scEncodedFileDone) {
        progress(info.Percent);
        return;
    }
    const bool complete = m_parts && m_parts->Out->Completed();
    if (complete && m_measureGain)
        keepLoudness(m_parts->Meter.TakeLoudness());
    m_parts.reset();
    if (info.StepResult == kEncodedFileFailed)
        finish(TStepResult::Failed, info.Message);
    else if (!complete)
        finish(TStepResult::Failed, QStringLiteral("the encoder stopped before the end"));
    else
        finish(TStepResult::Done);
}

// On the output's worker thread: it only posts.
void TEncodedFileStep::post(int percent, int result, const QString& message)
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = percent;
    info->StepResult = result;
    info->Message = message;
    postProcessInfo(this, std::move(info));
}
