#pragma once
// TOpusStep: the Opus writing step of a job, at the job's bit rate.

#include "jobs/steps/encoded_file_step.h"

class TOpusStep : public TEncodedFileStep {
    Q_OBJECT
public:
    TOpusStep(int item, const QString& input, const QString& output, const TTrackTags& tags,
              bool measureGain, int kbits);

protected:
    std::unique_ptr<TEncodedFileOut> makeOutput() const override;

private:
    int m_kbits;
};
