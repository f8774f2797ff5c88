#pragma once
// The verification commands of the text front end: "quillon offset --find"
// and "quillon verify", both on a disc the caller has opened. They read on
// the calling thread and print as they go; stop (set by Ctrl+C) ends them
// within a second.

#include "cdaccess/cd_access.h"
#include "cli_args.h"

#include <QString>

#include <atomic>

// Prints the drive's read offset found from the AccurateRip database.
// Returns the exit status: 0 found, 1 not (the reason on standard error).
int RunOffsetCommand(HCDROM handle, const std::atomic<bool>* stop);

// Reads and checks every audio track, prints the result lines and writes the
// rip log into folder. Returns the exit status: 0 when no track is doubtful,
// 1 otherwise or when the disc could not be read.
int RunVerifyCommand(const TCliRequest& request, const TCDREC& drive, HCDROM handle,
                     const TTOC& toc, const QString& folder, const std::atomic<bool>* stop);
