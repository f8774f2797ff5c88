#pragma once
// TEncoderStep: what the steps run by an external encoder program share: the
// encoder object, the files, the job's kind and settings, and starting and
// stopping the program for this step (which is the program's receiver).

#include "jobs/job_types.h"
#include "jobs/steps/job_step.h"
#include "settings/options_setting.h"

class TEncoderStep : public TJobStep {
    Q_OBJECT
public:
    TEncoderStep(TStepKind kind, int item, IJobEncoder& encoder, const QString& input,
                 const QString& output, TJobKind job, const TOptionsSetting& options);
    ~TEncoderStep() override;

protected:
    // A program that cannot be started fails every item alike.
    bool startWorker(TStepEnd& failure) override;
    void stopWorker() override;

    const QString& output() const { return m_output; }
    const TOptionsSetting& options() const { return m_options; }

private:
    IJobEncoder& m_encoder;
    QString m_input;
    QString m_output;
    TJobKind m_job;
    TOptionsSetting m_options;
};
