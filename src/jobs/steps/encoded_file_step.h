#pragma once
// TEncodedFileStep: what the FLAC and Opus steps share. It owns the WAV
// source and an encoding output (WaveIn1 -> [meter ->] TEncodedFileOut),
// hands the track's tags to the output, which writes them with the audio,
// and runs it over one WAV file. The output's events run on its worker
// thread; they only post a report to the step: progress while it runs,
// scEncodedFileDone at the end (with kEncodedFileFailed and the reason when
// it failed).
//
// With a meter, the audio passes through a TReplayGainMeter on its way to
// the encoder: the track gain goes into the file's tags, and the
// measurement is kept for the album gain (TakeLoudness).

#include "audio/encoded_file_out.h"
#include "audio/loudness.h"
#include "audio/replay_gain_meter.h"
#include "audio/wave_in.h"
#include "jobs/steps/job_step.h"
#include "tags/track_tags.h"

#include <memory>

// StepResult of a scEncodedFileDone report whose run failed.
constexpr int kEncodedFileFailed = 8;

class TEncodedFileStep : public TJobStep {
    Q_OBJECT
public:
    ~TEncodedFileStep() override;

protected:
    TEncodedFileStep(TStepKind kind, int item, const QString& input, const QString& output,
                     const TTrackTags& tags, bool measureGain);
    // A new output with the job's settings for this format.
    virtual std::unique_ptr<TEncodedFileOut> makeOutput() const = 0;

    bool startWorker(TStepEnd& failure) override;
    // Ends the output at once (it is joined); it removes its own file.
    void stopWorker() override;
    void onReport(const TProcessInfo& info) override;

private:
    struct Parts;
    void post(int percent, int result = 0, const QString& message = {});

    QString m_input;
    QString m_output;
    TTrackTags m_tags;
    bool m_measureGain;
    std::unique_ptr<Parts> m_parts;
};
