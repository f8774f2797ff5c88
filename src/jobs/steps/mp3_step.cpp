#include "jobs/steps/mp3_step.h"

#include "jobs/job_texts.h"
#include "settings/global.h"

TMp3Step::TMp3Step(int item, bool encode, IJobEncoder& encoder, const QString& input,
                   const QString& output, TJobKind job, const TOptionsSetting& options)
    : TEncoderStep(encode ? TStepKind::EncodeMp3 : TStepKind::DecodeMp3, item, encoder, input,
                   output, job, options)
{}

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
    if (ended && info.Message.isEmpty() && GetFileSizeByName(output()) > 0) {
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
