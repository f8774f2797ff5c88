#pragma once
// TMp3Step: encodes a WAV file to MP3, or decodes an MP3 file to WAV, with
// lame through an IJobEncoder (the real process object, or a stand-in).

#include "jobs/steps/encoder_step.h"

class TMp3Step : public TEncoderStep {
    Q_OBJECT
public:
    // encode: WAV to MP3, else MP3 to WAV. options: the job's settings.
    TMp3Step(int item, bool encode, IJobEncoder& encoder, const QString& input,
             const QString& output, TJobKind job, const TOptionsSetting& options);

protected:
    void onReport(const TProcessInfo& info) override;
};
