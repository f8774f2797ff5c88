#pragma once
// The WMA encoding profiles, in the order of the options dialog's list. A
// profile code is "<kbit/s>_<kHz>_<channels>", the form the WMA encoding
// utility takes with -a_setting.

#include <QString>

constexpr int WmaProfileCount = 33;
// 64 kbit/s, 44.1 kHz, stereo.
constexpr int DefaultWmaProfile = 8;

// Code of the profile at index (0..32); an index outside the table gives the
// default profile's code, so a hand-edited options.ini never reaches the
// encoder as an empty setting.
QString WmaProfileCode(int index);
