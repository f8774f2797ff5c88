#pragma once
// TOggStep: the Vorbis writing step of a job. It owns the WAV source and the
// Vorbis writer (WaveIn1 -> VorbisOut1), fills the writer from the job's Ogg
// settings and runs it over one WAV file. The writer's events run on its
// worker thread; they only post a report to the step: progress while it
// runs, 3000 at the end (with kOggStepFailed and the reason when it failed).

#include "audio/vorbis_out.h"
#include "audio/wave_in.h"
#include "jobs/steps/job_step.h"
#include "settings/options_setting.h"

#include <QStringList>

#include <memory>

// StepResult of a 3000 report whose run failed; Message holds the reason.
constexpr int kOggStepFailed = 8;

// Fills the writer's quality or bit rates from the Ogg settings, through
// its setters (which may adjust or ignore a value).
void ApplyOggSettings(TVorbisOut& out, const TOptionsSetting& options);

class TOggStep : public TJobStep {
    Q_OBJECT
public:
    // Writes output from the WAV file input with these settings and
    // comments. Throws EPcmException when a Vorbis library is missing.
    TOggStep(int item, const QString& input, const QString& output, const QStringList& comments,
             const TOptionsSetting& options);
    ~TOggStep() override;

protected:
    bool startWorker(TStepEnd& failure) override;
    // Ends the writer at once (it is joined); the engine removes the file.
    void stopWorker() override;
    void onReport(const TProcessInfo& info) override;

private:
    // The source and the writer of one run; the writer is declared last,
    // so its worker has ended before the source it reads goes away.
    struct Parts {
        TWaveIn WaveIn1;
        TVorbisOut VorbisOut1;
    };
    void VorbisOut1Progress(int percent);
    void VorbisOut1Done();
    void VorbisOut1Failed(const std::exception& e);

    QString m_input;
    QString m_output;
    QStringList m_comments;
    TOptionsSetting m_options;
    std::unique_ptr<Parts> m_parts;
};
