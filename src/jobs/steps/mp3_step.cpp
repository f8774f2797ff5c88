#include "jobs/steps/mp3_step.h"

#include "jobs/job_texts.h"
#include "settings/global.h"

#include <exception>

TMp3Step::TMp3Step(int item, bool encode, IJobEncoder& encoder, const QString& input,
                   const QString& output, TJobKind job, const TOptionsSetting& options)
    : TJobStep(encode ? TStepKind::EncodeMp3 : TStepKind::DecodeMp3, item), m_encoder(encoder),
      m_input(input), m_output(output), m_job(job), m_options(options)
{}

TMp3Step::~TMp3Step()
{
    stop();
}

bool TMp3Step::startWorker(TStepEnd& failure)
{
    try {
        m_encoder.start(this, m_input, m_output, kind() == TStepKind::EncodeMp3, m_job, m_options);
        return true;
    } catch (const std::exception& e) {
        // lame is missing or cannot start: so it is for every item.
        failure = {TStepResult::JobFailed, QString::fromUtf8(e.what())};
        return false;
    }
}

void TMp3Step::stopWorker()
{
    m_encoder.stop(this);
}

void TMp3Step::onReport(const TProcessInfo& info)
{
    if (info.Percent != scMp3Done) {
        progress(info.Percent);
        return;
    }
    // The encoder says in Message how a step failed (its exit and last
    // line); an empty message is a child that exited with 0, which must
    // also have written something.
    const bool ended = info.StepResult == kEncoderEnded;
    if (ended && info.Message.isEmpty() && GetFileSizeByName(m_output) > 0) {
        finish(TStepResult::Done);
        return;
    }
    QString reason = info.Message;
    if (reason.isEmpty())
        reason = JobText("RES_Check_Mp3Options",
                         "Create MP3 file error!\r\nPlease check the output and lame options "
                         "or run application again.");
    finish(TStepResult::Failed, reason);
}
