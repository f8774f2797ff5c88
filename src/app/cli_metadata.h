#pragma once
// The titles of the command line: "quillon lookup" and the title step of
// "quillon extract" (--metadata, --release), on the same lookup chain as the
// windows. Lookups run on the calling thread: the command line has no window
// to keep responsive.

#include "cdaccess/cd_access.h"
#include "cli_args.h"

#include <QString>

// Prints the numbered candidates of the disc with their track titles on
// standard output, the problems of the sources on standard error. Returns
// the exit status (1 when nothing was found).
int RunLookupCommand(const TCliRequest& request, const TTOC& toc, HCDROM handle);

// Fills OptionsSetting.CDInfo (loaded from the disc store under key before)
// for an extraction: keeps the stored titles for --metadata stored (and, when
// neither --metadata nor --release is given, for a disc with stored titles
// or with [Lookup] Auto off), else looks the
// disc up and applies the candidate of --release or the first whose medium
// matches, keeping it in the disc store. A lookup that finds nothing keeps
// the stored titles and says why on standard error. False (error set) only
// when --release names no candidate. coverFolder: where a front cover goes
// (SaveCover).
bool ChooseExtractTitles(const TCliRequest& request, const TTOC& toc, HCDROM handle,
                         const QString& key, const QString& coverFolder, QString& error);
