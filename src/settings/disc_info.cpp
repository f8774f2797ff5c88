#include "disc_info.h"

#include "global.h"
#include "ini_file.h"
#include "options_setting.h"
#include "tags/genres.h"

#include <algorithm>

namespace {

constexpr int MaxTracks = 100;

// Keys beside the original ones: written when they have a value, or to
// clear a value an earlier save wrote.
void writeExtra(TIniFile& ini, const QString& key, const QString& name, const QString& value)
{
    if (!value.isEmpty() || ini.valueExists(key, name))
        ini.writeString(key, name, value);
}

void writeExtra(TIniFile& ini, const QString& key, const QString& name, qint32 value)
{
    writeExtra(ini, key, name, value == 0 ? QString() : QString::number(value));
}

// The extra keys of a disc: the record field each one is read into and
// written from. Per-track keys are the name followed by the track number.
struct ExtraKey {
    const char* name;
    QString TCDInfo::*field;
};
constexpr ExtraKey kDiscKeys[] = {
    {"Source", &TCDInfo::Source},
    {"Date", &TCDInfo::Date},
    {"MusicBrainzDiscId", &TCDInfo::MusicBrainzDiscId},
    {"MusicBrainzReleaseId", &TCDInfo::MusicBrainzReleaseId},
    {"MusicBrainzReleaseGroupId", &TCDInfo::MusicBrainzReleaseGroupId},
    {"MusicBrainzAlbumArtistId", &TCDInfo::MusicBrainzAlbumArtistId},
};
struct TrackKey {
    const char* name;
    QString TTrackDetails::*field;
};
constexpr TrackKey kTrackKeys[] = {
    {"Artist", &TTrackDetails::Artist},
    {"ISRC", &TTrackDetails::Isrc},
    {"RecordingId", &TTrackDetails::RecordingId},
    {"ReleaseTrackId", &TTrackDetails::ReleaseTrackId},
};

void loadExtras(const TIniFile& ini, const QString& key, TCDInfo& info)
{
    info.Details = {};
    info.FrontCover.clear();
    for (const ExtraKey& k : kDiscKeys)
        info.*k.field = ini.readString(key, QLatin1String(k.name), QString());
    info.DiscNumber = std::max(ini.readInteger(key, QStringLiteral("DiscNumber"), 0), 0);
    info.DiscTotal = std::max(ini.readInteger(key, QStringLiteral("DiscTotal"), 0), 0);
    for (int n = 1; n <= info.TrackNumber && n <= MaxTracks; ++n) {
        for (const TrackKey& k : kTrackKeys)
            info.Details[size_t(n)].*k.field =
                ini.readString(key, QLatin1String(k.name) + QString::number(n), QString());
    }
}

void saveExtras(TIniFile& ini, const QString& key, const TCDInfo& info)
{
    for (const ExtraKey& k : kDiscKeys)
        writeExtra(ini, key, QLatin1String(k.name), info.*k.field);
    writeExtra(ini, key, QStringLiteral("DiscNumber"), info.DiscNumber);
    writeExtra(ini, key, QStringLiteral("DiscTotal"), info.DiscTotal);
    const int last = std::min(info.TrackNumber, MaxTracks);
    for (int n = 1; n <= last; ++n) {
        for (const TrackKey& k : kTrackKeys)
            writeExtra(ini, key, QLatin1String(k.name) + QString::number(n),
                       info.Details[size_t(n)].*k.field);
    }
}

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
    loadExtras(ini, key, info);
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
    saveExtras(ini, key, info);
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

bool HasStoredTitles(const TCDInfo& info)
{
    if (!info.Artist.trimmed().isEmpty() || !info.Album.trimmed().isEmpty())
        return true;
    const int last = std::min(info.TrackNumber, MaxTracks);
    for (int n = 1; n <= last; ++n) {
        const QString& title = info.Tracks[size_t(n)];
        if (!title.trimmed().isEmpty() && title != DefaultTrackTitle(n))
            return true;
    }
    return false;
}

int GenreIndex(const QString& name)
{
    return int(GenreNames().indexOf(name));
}
