#pragma once
// Choosing the input files of a file conversion.

#include "jobs/job_types.h"

#include <QStringList>

// Asks for the files of a conversion job (multi-selection, through
// prompts()) and checks that the output folder exists; empty when the user
// cancelled or the folder is missing (which has then been said).
QStringList ChooseJobFiles(TJobKind kind);
