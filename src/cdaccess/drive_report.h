#pragma once
// A plain-text account of the drives and the disc in the first one, for the
// command line and logs.

#include <QString>

class ICDAccess;

// Lists every drive, then opens the first and shows its table of contents and
// disc key (or why it could not be read).
QString DriveReport(ICDAccess& cd);
