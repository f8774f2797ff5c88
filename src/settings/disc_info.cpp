#include "disc_info.h"

#include "global.h"
#include "ini_file.h"
#include "options_setting.h"
#include "tags/genres.h"

#include <algorithm>

namespace {

constexpr int MaxTracks = 100;

void loadDisc(const TIniFile& ini, const QString& key, TCDInfo& info)
{
    info.Artist = ini.readString(key, QStringLiteral("Artist"), QString());
    info.Album = ini.readString(key, QStringLiteral("Album"), QString());
    info.Year = ini.readString(key, QStringLiteral("Year"), QString());
    info.Genre = ini.readInteger(key, QStringLiteral("Genre"), -1);
    info.Comment = ini.readString(key, QStringLiteral("Comment"), QString());
    info.TrackNumber = ini.readInteger(key, QStringLiteral("TrackNumber"), MaxTracks);
    for (int n = 1; n <= info.TrackNumber && n <= MaxTracks; ++n) {
        const QString title = ini.readString(key, QString::number(n), QString());
        info.Tracks[size_t(n)] = title.isEmpty() ? DefaultTrackTitle(n) : title;
    }
}

void saveDisc(TIniFile& ini, const QString& key, const TCDInfo& info)
{
    ini.writeString(key, QStringLiteral("Artist"), info.Artist);
    ini.writeString(key, QStringLiteral("Album"), info.Album);
    ini.writeString(key, QStringLiteral("Year"), info.Year);
    ini.writeInteger(key, QStringLiteral("Genre"), info.Genre);
    ini.writeString(key, QStringLiteral("Comment"), info.Comment);
    ini.writeInteger(key, QStringLiteral("TrackNumber"), info.TrackNumber);
    // The record holds 100 titles; a larger count (from a hand-edited file)
    // must not read past them.
    const int last = std::min(info.TrackNumber, MaxTracks);
    for (int n = 1; n <= last; ++n)
        ini.writeString(key, QString::number(n), info.Tracks[size_t(n)]);
}

} // namespace

QString DiscInfoFilePath()
{
    return ProgramFolder() + QStringLiteral("cdinfo.dat");
}

QString DefaultTrackTitle(int n)
{
    return QStringLiteral("Track") + TwoDigits(n);
}

void LoadSaveDiscInfo(const QString& key, bool load)
{
    if (key.isEmpty())
        return;
    TIniFile ini(DiscInfoFilePath());
    if (load) {
        loadDisc(ini, key, OptionsSetting.CDInfo);
    } else {
        saveDisc(ini, key, OptionsSetting.CDInfo);
        ini.updateFile();
    }
}

int GenreIndex(const QString& name)
{
    return int(GenreNames().indexOf(name));
}
