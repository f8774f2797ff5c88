#pragma once
// The command-line front end: the same core as the windows (job engine,
// settings, disc store, CDDB client) run in a QCoreApplication event loop,
// with a text progress display and no window.
//
//   quillon drives | toc | lookup | extract | convert | resample | offset | verify
//           [options]   (see --help)
//
// Exit status: 0 on success, 1 when the work failed, 2 for bad arguments;
// the reason is one line on standard error.

// True when the arguments name a command (or ask for help) rather than start
// the windows; "--cd-image FILE" pairs alone still start the windows.
bool IsCliInvocation(int argc, char** argv);

// Runs the command; returns the exit status.
int RunCli(int argc, char** argv);
