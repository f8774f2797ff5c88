#pragma once
// What the main window (and the recorder) call to run a job.

#include "cdaccess/cd_access.h"
#include "jobs/job_types.h"

#include <QStringList>

class QWidget;

// Shows the job window modally over parent for one job and returns when it
// has closed (QDialog::Accepted when the job ran to its end or was stopped).
int RunJobDialog(QWidget* parent, TJobKind kind, HCDROM handle, const QStringList& items);

// File menu conversions: choose files (several at once) through prompts(),
// check the output folder and run the job. Cancelling does nothing.
void ConvertWavToMp3(QWidget* parent);
void ConvertMp3ToWav(QWidget* parent);
void ConvertWavToOgg(QWidget* parent);
// "WAV to WM&A...": WAV files to WMA with the profile of the settings.
void ConvertWavToWma(QWidget* parent);
