#pragma once
// TFlacStep: the FLAC writing step of a job, at the job's compression level.

#include "jobs/steps/encoded_file_step.h"

class TFlacStep : public TEncodedFileStep {
    Q_OBJECT
public:
    TFlacStep(int item, const QString& input, const QString& output, const TTrackTags& tags,
              bool measureGain, int level);

protected:
    std::unique_ptr<TEncodedFileOut> makeOutput() const override;

private:
    int m_level;
};
