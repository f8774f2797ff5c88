#pragma once
// TWmaStep: encodes a WAV file to WMA with quillon-wmaenc through an
// IJobEncoder. The utility says nothing until it has finished, so once a
// second the step estimates its progress from the growth of the output
// (TWmaTimeEstimate).

#include "jobs/steps/encoder_step.h"
#include "jobs/wma_estimate.h"

#include <QTimer>

class TWmaStep : public TEncoderStep {
    Q_OBJECT
public:
    TWmaStep(int item, IJobEncoder& encoder, const QString& input, const QString& output,
             TJobKind job, const TOptionsSetting& options);
    ~TWmaStep() override;

    // One read-out of the estimate (the timer's tick; tests call it).
    void tick();

protected:
    bool startWorker(TStepEnd& failure) override;
    void stopWorker() override;
    void onReport(const TProcessInfo& info) override;

private:
    QString m_input;
    TWmaTimeEstimate m_estimate;
    QTimer m_timer;
};
