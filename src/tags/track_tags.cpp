#include "tags/track_tags.h"

#include "jobs/extract_tag.h"
#include "tags/cover_image.h"
#include "tags/genres.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

TTrackTags TrackTagsFromDisc(const TCDInfo& disc, int track)
{
    TTrackTags t;
    const bool known = track >= 1 && track < int(disc.Tracks.size());
    const TTrackDetails details = known ? disc.Details[size_t(track)] : TTrackDetails{};
    if (known)
        t.Title = disc.Tracks[size_t(track)];
    t.Artist = TrackArtist(disc, track);
    t.AlbumArtist = disc.Artist;
    t.Album = disc.Album;
    t.Date = ReleaseDateText(disc).trimmed();
    if (disc.Genre >= 1 && disc.Genre <= GenreNames().size())
        t.Genre = GenreNames().at(disc.Genre - 1);
    t.Comment = disc.Comment;
    t.TrackNumber = track;
    t.TrackTotal = disc.TrackNumber >= track ? disc.TrackNumber : 0;
    // As for the tracks: a total only beside a number it does not contradict.
    t.DiscNumber = std::max(disc.DiscNumber, 0);
    t.DiscTotal = t.DiscNumber > 0 && disc.DiscTotal >= t.DiscNumber ? disc.DiscTotal : 0;
    t.Isrc = details.Isrc;
    t.MusicBrainzAlbumId = disc.MusicBrainzReleaseId;
    t.MusicBrainzReleaseTrackId = details.ReleaseTrackId;
    t.MusicBrainzTrackId = details.RecordingId;
    t.MusicBrainzAlbumArtistId = disc.MusicBrainzAlbumArtistId;
    t.MusicBrainzReleaseGroupId = disc.MusicBrainzReleaseGroupId;
    t.MusicBrainzDiscId = disc.MusicBrainzDiscId;
    t.CoverMime = ImageMimeType(disc.FrontCover);
    if (!t.CoverMime.isEmpty() && disc.FrontCover.size() <= kMaxCoverBytes)
        t.Cover = disc.FrontCover;
    else
        t.CoverMime.clear();
    return t;
}

bool TagFormatForFile(const QString& path, TTagFormat* format)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    static const struct {
        const char* ext;
        TTagFormat format;
    } kFormats[] = {{"mp3", TTagFormat::Mp3},
                    {"ogg", TTagFormat::OggVorbis},
                    {"opus", TTagFormat::Opus},
                    {"flac", TTagFormat::Flac},
                    {"wma", TTagFormat::Wma}};
    for (const auto& f : kFormats) {
        if (ext == QLatin1String(f.ext)) {
            *format = f.format;
            return true;
        }
    }
    return false;
}

QString GainText(double gain)
{
    return QString::asprintf("%.2f dB", gain);
}

QString PeakText(double peak)
{
    return QString::asprintf("%.6f", peak);
}

int R128GainFromReplayGain(double gain)
{
    // ReplayGain aims at -18 LUFS, R128 gains at -23: 5 dB less, in 1/256 dB.
    const double q78 = std::round((gain - 5.0) * 256.0);
    return int(std::clamp(q78, -32768.0, 32767.0));
}

std::optional<double> ParseGainText(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    while (end < t.size() &&
           (t.at(end).isDigit() || t.at(end) == u'-' || t.at(end) == u'+' || t.at(end) == u'.'))
        ++end;
    bool ok = false;
    const double value = t.left(end).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

const QStringList& VorbisCommentKeys()
{
    static const QStringList keys{
        QStringLiteral("TITLE"),
        QStringLiteral("ARTIST"),
        QStringLiteral("ALBUMARTIST"),
        QStringLiteral("ALBUM"),
        QStringLiteral("DATE"),
        QStringLiteral("GENRE"),
        QStringLiteral("COMMENT"),
        QStringLiteral("TRACKNUMBER"),
        QStringLiteral("TRACKTOTAL"),
        QStringLiteral("DISCNUMBER"),
        QStringLiteral("DISCTOTAL"),
        QStringLiteral("ISRC"),
        QStringLiteral("MUSICBRAINZ_ALBUMID"),
        QStringLiteral("MUSICBRAINZ_RELEASETRACKID"),
        QStringLiteral("MUSICBRAINZ_TRACKID"),
        QStringLiteral("MUSICBRAINZ_ALBUMARTISTID"),
        QStringLiteral("MUSICBRAINZ_RELEASEGROUPID"),
        QStringLiteral("MUSICBRAINZ_DISCID"),
        QStringLiteral("REPLAYGAIN_TRACK_GAIN"),
        QStringLiteral("REPLAYGAIN_TRACK_PEAK"),
        QStringLiteral("REPLAYGAIN_ALBUM_GAIN"),
        QStringLiteral("REPLAYGAIN_ALBUM_PEAK"),
        QStringLiteral("R128_TRACK_GAIN"),
        QStringLiteral("R128_ALBUM_GAIN"),
    };
    return keys;
}

TTagPairs VorbisCommentPairs(const TTrackTags& t, bool opus)
{
    TTagPairs pairs;
    const auto text = [&](const char* key, const QString& value) {
        if (!value.isEmpty())
            pairs.append({QLatin1String(key), value});
    };
    const auto number = [&](const char* key, int value) {
        if (value > 0)
            pairs.append({QLatin1String(key), QString::number(value)});
    };
    text("TITLE", t.Title);
    text("ARTIST", t.Artist);
    text("ALBUMARTIST", t.AlbumArtist);
    text("ALBUM", t.Album);
    text("DATE", t.Date);
    text("GENRE", t.Genre);
    text("COMMENT", t.Comment);
    number("TRACKNUMBER", t.TrackNumber);
    number("TRACKTOTAL", t.TrackTotal);
    number("DISCNUMBER", t.DiscNumber);
    number("DISCTOTAL", t.DiscTotal);
    text("ISRC", t.Isrc);
    text("MUSICBRAINZ_ALBUMID", t.MusicBrainzAlbumId);
    text("MUSICBRAINZ_RELEASETRACKID", t.MusicBrainzReleaseTrackId);
    text("MUSICBRAINZ_TRACKID", t.MusicBrainzTrackId);
    text("MUSICBRAINZ_ALBUMARTISTID", t.MusicBrainzAlbumArtistId);
    text("MUSICBRAINZ_RELEASEGROUPID", t.MusicBrainzReleaseGroupId);
    text("MUSICBRAINZ_DISCID", t.MusicBrainzDiscId);
    // Opus players apply R128 gains only; ReplayGain keys there would be
    // applied on top of the header gain by some of them.
    const auto gain = [&](const char* gainKey, const char* peakKey, const char* r128Key,
                          const TGainValue& g) {
        if (!g.Valid)
            return;
        if (opus) {
            pairs.append({QLatin1String(r128Key), QString::number(R128GainFromReplayGain(g.Gain))});
        } else {
            pairs.append({QLatin1String(gainKey), GainText(g.Gain)});
            pairs.append({QLatin1String(peakKey), PeakText(g.Peak)});
        }
    };
    gain("REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK", "R128_TRACK_GAIN", t.TrackGain);
    gain("REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK", "R128_ALBUM_GAIN", t.AlbumGain);
    return pairs;
}
