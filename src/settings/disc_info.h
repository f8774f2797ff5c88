#pragma once
// cdinfo.dat <-> OptionsSetting.CDInfo, one section per disc key.

#include <QString>

// Loads (true) or saves (false) the section named key; does nothing for an
// empty key. Saving throws std::runtime_error("Unable to write to <path>").
void LoadSaveDiscInfo(const QString& key, bool load);

// Place of name among the 148 genre names (from 0), exact case-sensitive
// comparison; -1 when none is equal.
int GenreIndex(const QString& name);

// Path of cdinfo.dat in the program folder.
QString DiscInfoFilePath();
