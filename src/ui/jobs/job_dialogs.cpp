#include "job_dialogs.h"

#include "jobs/job_files.h"
#include "jobs/rip_verification.h"
#include "rip_form.h"
#include "settings/prompts.h"

int RunJobDialog(QWidget* parent, TJobKind kind, HCDROM handle, const QStringList& items,
                 const QString& drive)
{
    TRipForm form(parent, kind, handle, items);
    if (TRipVerification* v = form.engine().Verification())
        v->setDrive(drive, false);
    const int result = form.exec();
    // A job that ran to its end has said how it went in its own window.
    if (!form.showsSummary())
        ShowJobSummary(form.engine().Summary());
    return result;
}

void ShowJobSummary(const TJobSummary& summary)
{
    // A job where everything was made, or that the user stopped with
    // nothing gone wrong, needs no words.
    const bool failures = !summary.jobError().isEmpty() ||
                          summary.count(TItemOutcome::Failed) > 0 ||
                          summary.count(TItemOutcome::Skipped) > 0;
    if (!failures && (summary.clean() || summary.stopped()))
        return;
    const bool errors = !summary.jobError().isEmpty() || summary.count(TItemOutcome::Failed) > 0;
    prompts().message(summary.text(), errors ? PromptIcon::Error : PromptIcon::Information, pbOk);
}

void ConvertWavToMp3(QWidget* parent)
{
    const QStringList files = ChooseJobFiles(TJobKind::WavToMp3);
    if (!files.isEmpty())
        RunJobDialog(parent, TJobKind::WavToMp3, 0, files);
}

void ConvertMp3ToWav(QWidget* parent)
{
    const QStringList files = ChooseJobFiles(TJobKind::Mp3ToWav);
    if (!files.isEmpty())
        RunJobDialog(parent, TJobKind::Mp3ToWav, 0, files);
}

void ConvertWavToOgg(QWidget* parent)
{
    const QStringList files = ChooseJobFiles(TJobKind::WavToOgg);
    if (!files.isEmpty())
        RunJobDialog(parent, TJobKind::WavToOgg, 0, files);
}

void ConvertWavFiles(QWidget* parent, TJobKind kind)
{
    const QStringList files = ChooseJobFiles(kind);
    if (!files.isEmpty())
        RunJobDialog(parent, kind, 0, files);
}

void ConvertWavToWma(QWidget* parent)
{
    const QStringList files = ChooseJobFiles(TJobKind::WavToWma);
    if (!files.isEmpty())
        RunJobDialog(parent, TJobKind::WavToWma, 0, files);
}
