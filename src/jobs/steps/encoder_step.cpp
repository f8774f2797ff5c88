#include "jobs/steps/encoder_step.h"

#include <exception>

TEncoderStep::TEncoderStep(TStepKind kind, int item, IJobEncoder& encoder, const QString& input,
                           const QString& output, TJobKind job, const TOptionsSetting& options)
    : TJobStep(kind, item), m_encoder(encoder), m_input(input), m_output(output), m_job(job),
      m_options(options)
{}

TEncoderStep::~TEncoderStep()
{
    stop();
}

bool TEncoderStep::startWorker(TStepEnd& failure)
{
    try {
        m_encoder.start(this, m_input, m_output, kind() != TStepKind::DecodeMp3, m_job, m_options);
        return true;
    } catch (const std::exception& e) {
        failure = {TStepResult::JobFailed, QString::fromUtf8(e.what())};
        return false;
    }
}

void TEncoderStep::stopWorker()
{
    m_encoder.stop(this);
}
