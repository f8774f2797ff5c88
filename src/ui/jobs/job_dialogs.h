#pragma once
// What the main window (and the recorder) call to run a job.

#include "cdaccess/cd_access.h"
#include "jobs/job_summary.h"
#include "jobs/job_types.h"

#include <QStringList>

class QWidget;

// Shows the job window modally over parent for one job and returns when it
// has closed (QDialog::Accepted when the job ran to its end or was stopped),
// after the job's summary has been shown.
// drive: the drive's name for the rip log of an extraction.
int RunJobDialog(QWidget* parent, TJobKind kind, HCDROM handle, const QStringList& items,
                 const QString& drive = {});

// Says once, at the end of a job, what was not made and why ("4 of 5 tracks
// made; 1 failed" and a line per item); nothing when all went well.
void ShowJobSummary(const TJobSummary& summary);

// File menu conversions: choose files (several at once) through prompts(),
// check the output folder and run the job. Cancelling does nothing.
void ConvertWavToMp3(QWidget* parent);
void ConvertMp3ToWav(QWidget* parent);
void ConvertWavToOgg(QWidget* parent);
// "WAV to WM&A...": WAV files to WMA with the profile of the settings.
void ConvertWavToWma(QWidget* parent);
// "WAV to &FLAC..." and "WAV to O&pus...": WAV files to the kind's format.
void ConvertWavFiles(QWidget* parent, TJobKind kind);
