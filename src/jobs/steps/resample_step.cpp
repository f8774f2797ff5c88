#include "jobs/steps/resample_step.h"

#include "settings/process_info.h"

#include <algorithm>

TResampleStep::TResampleStep(int item, const QString& input, const QString& tempFile)
    : TJobStep(TStepKind::Resample, item), m_input(input), m_tempFile(tempFile)
{}

TResampleStep::~TResampleStep()
{
    stop();
}

bool TResampleStep::startWorker(TStepEnd& failure)
{
    try {
        m_parts = std::make_unique<Parts>();
        TResampleChain& chain = m_parts->Chain;
        TWaveOut& out = m_parts->WaveOut1;
        out.SetFileMode(foRewrite);
        out.SetWavType(wtPCM);
        out.SetBlockSize(512);
        out.OnProgress = [this, &out](QObject*) { post(out.Progress()); };
        out.OnDone = [this](QObject*) { post(scResampleDone); };
        out.OnThreadException = [this](QObject*, const std::exception& e) {
            post(scResampleDone, 1, QString::fromUtf8(e.what()));
        };
        chain.WaveIn1.SetFileName(m_input);
        // The input's channels in 16 bits, at the target rate when it is
        // lower (a higher rate is kept; only the sample format changes then).
        const int rate = std::max(chain.WaveIn1.GetSampleRate(), kTargetRate);
        out.SetInput(chain.Wire({chain.WaveIn1.GetChannels(), rate, 16}));
        out.SetFileName(m_tempFile);
        out.Run();
        return true;
    } catch (const std::exception& e) {
        m_parts.reset();
        failure = {TStepResult::Failed,
                   QStringLiteral("%1: %2").arg(m_input, QString::fromUtf8(e.what()))};
        return false;
    }
}

void TResampleStep::stopWorker()
{
    m_parts.reset();
}

void TResampleStep::post(int percent, int result, const QString& message)
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = percent;
    info->StepResult = result;
    info->Message = message;
    postProcessInfo(this, std::move(info));
}

void TResampleStep::onReport(const TProcessInfo& info)
{
    if (info.Percent != scResampleDone) {
        progress(info.Percent);
        return;
    }
    m_parts.reset();
    if (info.StepResult != 0)
        finish(TStepResult::Failed, QStringLiteral("%1: %2").arg(m_input, info.Message));
    else
        finish(TStepResult::Done);
}
