#pragma once
// TRipStep: reads one track of the disc into a WAV file (and normalises it
// when the job says so) through a TCDRipThread of its own.

#include "cdaccess/cd_access.h"
#include "jobs/steps/job_step.h"
#include "settings/options_setting.h"

#include <memory>

class TCDRipThread;
class TRipVerification;

class TRipStep : public TJobStep {
    Q_OBJECT
public:
    // track: the 1-based row in the TOC; wav: the file to write (it exists);
    // shown: its name in messages.
    TRipStep(int item, HCDROM cd, int track, const QString& wav, const QString& shown,
             const TCommonOptions& options);
    ~TRipStep() override;

    // Reads the track through the job's verified reading (before start());
    // logName: the track's file as the rip log names it.
    void setVerification(std::shared_ptr<TRipVerification> verification, const QString& logName);
    // The WAV is kept: the reading thread puts it on the disk when done.
    void setKeepsWav() { m_keepsWav = true; }
    // What the read is doing now ("reading (secure)"), empty for a plain read.
    QString detailText() const override { return m_state; }

protected:
    bool startWorker(TStepEnd& failure) override;
    void stopWorker() override;
    void onReport(const TProcessInfo& info) override;
    void onMessage(int message, qintptr wParam) override;

private:
    HCDROM m_cd;
    int m_track;
    QString m_wav;
    QString m_shown;
    TCommonOptions m_options;
    std::shared_ptr<TRipVerification> m_verification;
    QString m_logName;
    bool m_keepsWav = false;
    QString m_state;
    std::unique_ptr<TCDRipThread> m_thread;
};
