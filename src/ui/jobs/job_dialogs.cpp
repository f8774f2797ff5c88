#include "job_dialogs.h"

#include "jobs/job_files.h"
#include "rip_form.h"

int RunJobDialog(QWidget* parent, TJobKind kind, HCDROM handle, const QStringList& items)
{
    TRipForm form(parent, kind, handle, items);
    return form.exec();
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

void ConvertWavToWma(QWidget* parent)
{
    const QStringList files = ChooseJobFiles(TJobKind::WavToWma);
    if (!files.isEmpty())
        RunJobDialog(parent, TJobKind::WavToWma, 0, files);
}
