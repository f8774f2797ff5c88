#pragma once
// quillon resample: the WAV to WAV window's work on the command line, one
// file after the other through the same conversion (TWavToWav), so that every
// output is written under a hidden temporary name and replaces its
// destination only when complete.

#include <QString>

#include <functional>

struct TCliRequest;

// Runs the command; prepareFolder settles the output folder (or says why it
// cannot) once the arguments have been checked. Returns the exit status: 0
// when every file was made or skipped on request, 1 when one failed, 2 for
// bad arguments, 130 when interrupted.
int RunResampleCommand(const TCliRequest& request,
                       const std::function<bool(QString& folder, QString& error)>& prepareFolder);
