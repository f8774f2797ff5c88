#pragma once
// options.ini <-> OptionsSetting.
//
// Threads: UI thread only (the settings record belongs to it).

#include <QString>

// Loads (true) or saves (false) every key of options.ini in the program folder.
// Loading never fails: a missing file, a missing key or a value of the wrong
// kind gives the default. Saving throws std::runtime_error("Unable to write to
// <path>") on failure and leaves the previous file intact; keys and sections
// of the file that the program does not know are kept.
void LoadSaveOptions(bool load);

// Path of options.ini in the program folder.
QString OptionsFilePath();
