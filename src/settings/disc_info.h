#pragma once
// cdinfo.dat <-> OptionsSetting.CDInfo, one section per disc key.
//
// Threads: UI thread only (the disc record belongs to it).

#include <QString>

// Loads (true) or saves (false) the section named key; does nothing for an
// empty key. Loading never fails: a disc never seen gives empty texts, genre
// -1, TrackNumber 100 and the titles "Track01".."Track100". Saving keeps the
// other discs of the file and throws std::runtime_error("Unable to write to
// <path>") when the file cannot be written, leaving it unchanged.
void LoadSaveDiscInfo(const QString& key, bool load);

struct TCDInfo;

// True when the record holds titles worth keeping: an artist, an album, or a
// track title other than the "TrackNN" a disc gets when none is known.
bool HasStoredTitles(const TCDInfo& info);

// Place of name among the 148 genre names (from 0), exact case-sensitive
// comparison; -1 when none is equal. The genre number is the place + 1.
int GenreIndex(const QString& name);

// Path of cdinfo.dat in the program folder.
QString DiscInfoFilePath();

// The title a track has when none is known: "Track" + TwoDigits(n).
QString DefaultTrackTitle(int n);
