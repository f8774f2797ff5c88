#pragma once
// options.ini <-> OptionsSetting.

// Loads (true) or saves (false) every key of options.ini in the program folder.
// Saving throws std::runtime_error("Unable to write to <path>") on failure and
// leaves the previous file intact.
void LoadSaveOptions(bool load);

#include <QString>

// Path of options.ini in the program folder.

QString OptionsFilePath();
