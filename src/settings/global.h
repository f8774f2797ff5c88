#pragma once
// Small shared routines of the program (two-digit numbers, paths, file tests,
// waits) and the program folder where options.ini, cdinfo.dat, language files
// and work files live.

#include <QString>

#include <cstdint>

// "07" for 7, "12" for 12, "100" for 100, "-3" for -3.
QString TwoDigits(qint64 n);

// Time text "MM:SS" of a number of seconds (minutes beyond 99 take more digits).
QString TimeText(qint64 seconds);

// The path with the platform separator appended, unless empty or already there.
QString AddBackslash(const QString& path);

// True when the file exists and some process holds it open.
bool IsFileInUse(const QString& path);

// Waits n milliseconds without using the processor: the thread's events
// (timers, posted events, painting, a close request) go on being handled,
// the user's input waits until the end.
void WaitMilliseconds(qint64 n);

// Size of the file in bytes, or -1 when it does not exist.
qint64 GetFileSizeByName(const QString& path);

// The program folder, with a trailing separator: $QUILLON_HOME when set, else
// the executable's folder when writable and not an installed bin/ folder (one
// beside share/quillon), else $XDG_DATA_HOME/quillon (created).
QString ProgramFolder();

// Folder of the running executable, with a trailing separator.
QString ExecutableFolder();
