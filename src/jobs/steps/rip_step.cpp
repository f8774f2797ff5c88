#include "jobs/steps/rip_step.h"

#include "cdaccess/cd_rip_thread.h"
#include "jobs/job_texts.h"
#include "jobs/rip_verification.h"

TRipStep::TRipStep(int item, HCDROM cd, int track, const QString& wav, const QString& shown,
                   const TCommonOptions& options)
    : TJobStep(TStepKind::Rip, item), m_cd(cd), m_track(track), m_wav(wav), m_shown(shown),
      m_options(options)
{}

TRipStep::~TRipStep()
{
    stop();
}

void TRipStep::setVerification(std::shared_ptr<TRipVerification> verification,
                               const QString& logName)
{
    m_verification = std::move(verification);
    m_logName = logName;
}

bool TRipStep::startWorker(TStepEnd&)
{
    m_thread = std::make_unique<TCDRipThread>(m_track, m_wav, m_shown);
    m_thread->CDHandle = m_cd;
    m_thread->Window = this;
    m_thread->Options = m_options;
    m_thread->Verification = m_verification;
    m_thread->LogName = m_logName;
    m_thread->SyncWhenDone = m_keepsWav;
    m_thread->Resume();
    return true;
}

void TRipStep::stopWorker()
{
    if (!m_thread)
        return;
    m_thread->StopRequested = true;
    // A lookup or read in the verified reading ends within a chunk.
    if (m_verification)
        m_verification->Stop = true;
    m_thread.reset(); // joins: the thread checks the request after every read
}

void TRipStep::onReport(const TProcessInfo& info)
{
    switch (info.Percent) {
    case scNormalizeStarts:
        setNormalizing();
        return;
    case scRipDone:
        break;
    default:
        m_state = info.Message;
        progress(info.Percent);
        return;
    }
    m_state.clear();
    m_thread.reset(); // it has posted its last report
    switch (info.StepResult) {
    case rrOk:
        finish(TStepResult::Done);
        return;
    case rrReadFailed: {
        QString text = JobText("RES_ReadCDAudioError", "Error while reading CD information!");
        if (!info.Message.isEmpty())
            text += QLatin1Char(' ') + info.Message;
        finish(TStepResult::Failed, text);
        return;
    }
    default:
        finish(TStepResult::Failed, info.Message);
        return;
    }
}

void TRipStep::onMessage(int message, qintptr wParam)
{
    if (message != WM_RIPFAILED)
        return;
    m_thread.reset();
    // The drive cannot be read at all: every further track would fail alike.
    switch (wParam) {
    case rfAddressMode:
        finish(TStepResult::JobFailed,
               JobText("RES_ModifyCDParmsError", "CD extract failed!Please try again."));
        return;
    case rfReadTOC:
        finish(TStepResult::JobFailed,
               JobText("RES_ReadTocError", "Error while reading TOC information!"));
        return;
    default:
        finish(TStepResult::JobFailed,
               JobText("RES_CreateFileError",
                       "WAV file will be created maybe is been using,extract failed!"));
        return;
    }
}
