#pragma once
// TResampleStep: the preparing step of a conversion job: a WAV file below
// 44100 Hz is rewritten at 44100 Hz into a temporary file through the WAV to
// WAV chain (WaveIn1 -> [SampleConverter1 ->] RateConverter1 -> WaveOut1)
// before it is encoded. A file at 44100 Hz or more that an encoder cannot
// take as it is (24/32-bit, float, extensible, ADPCM for lame; 8-bit for the
// Vorbis writer) goes through the chain at its own rate, which makes it
// 16-bit PCM.
//
// The writer's events run on its worker thread and only post to the step:
// progress, then 4000 (StepResult 1 and the reason in Message when the run
// failed).

#include "audio/resample_chain.h"
#include "audio/wave_out.h"
#include "jobs/steps/job_step.h"

#include <memory>

class TResampleStep : public TJobStep {
    Q_OBJECT
public:
    // The rate every encoder input is brought up to.
    static constexpr int kTargetRate = 44100;

    TResampleStep(int item, const QString& input, const QString& tempFile);
    ~TResampleStep() override;

protected:
    bool startWorker(TStepEnd& failure) override;
    // Ends the run at once: the writer is joined and its file closed.
    void stopWorker() override;
    void onReport(const TProcessInfo& info) override;

private:
    // The writer is declared last, so it ends before the chain it reads.
    struct Parts {
        TResampleChain Chain;
        TWaveOut WaveOut1;
    };
    void post(int percent, int result = 0, const QString& message = {});

    QString m_input;
    QString m_tempFile;
    std::unique_ptr<Parts> m_parts;
};
