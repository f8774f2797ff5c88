#pragma once
// TMp3Step: encodes a WAV file to MP3, or decodes an MP3 file to WAV, with
// lame through an IJobEncoder (the real process object, or a stand-in).

#include "jobs/job_types.h"
#include "jobs/steps/job_step.h"
#include "settings/options_setting.h"

class TMp3Step : public TJobStep {
    Q_OBJECT
public:
    // encode: WAV to MP3, else MP3 to WAV. options: the job's settings.
    TMp3Step(int item, bool encode, IJobEncoder& encoder, const QString& input,
             const QString& output, TJobKind job, const TOptionsSetting& options);
    ~TMp3Step() override;

protected:
    bool startWorker(TStepEnd& failure) override;
    void stopWorker() override;
    void onReport(const TProcessInfo& info) override;

private:
    IJobEncoder& m_encoder;
    QString m_input;
    QString m_output;
    TJobKind m_job;
    TOptionsSetting m_options;
};
