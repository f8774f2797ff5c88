#pragma once
// What the program knows about one track, in the terms music libraries use:
// one record every tag writer, encoder and name template reads. A field left
// empty (or 0 for the numbers) is unknown and is not written.
//
// TrackTagsFromDisc is the one place where the disc record becomes these
// fields; what the disc record learns later is mapped there.

#include "settings/options_setting.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// A ReplayGain 2.0 value: gain in dB towards -18 LUFS, peak as a linear
// sample value (1.0 = full scale).
struct TGainValue {
    bool Valid = false;
    double Gain = 0;
    double Peak = 0;

    bool operator==(const TGainValue&) const = default;
};

struct TTrackTags {
    QString Title;
    QString Artist;
    QString AlbumArtist;
    QString Album;
    QString Date; // "1997" or "1997-05-12"
    QString Genre;
    QString Comment;
    int TrackNumber = 0;
    int TrackTotal = 0;
    int DiscNumber = 0;
    int DiscTotal = 0;
    QString Isrc;
    QString MusicBrainzAlbumId;
    QString MusicBrainzReleaseTrackId;
    QString MusicBrainzTrackId;
    QString MusicBrainzAlbumArtistId;
    QString MusicBrainzReleaseGroupId;
    QString MusicBrainzDiscId;
    TGainValue TrackGain;
    TGainValue AlbumGain;
    QByteArray Cover; // front cover image, JPEG or PNG
    QString CoverMime;

    bool operator==(const TTrackTags&) const = default;
};

// The tags of track n (1-based) of the disc record.
TTrackTags TrackTagsFromDisc(const TCDInfo& disc, int track);

// How the tags are laid out in a file; each format has its own keys.
enum class TTagFormat { Mp3, OggVorbis, Opus, Flac, Wma };

// The format of a file by its extension (.mp3 .ogg .opus .flac .wma);
// false for any other.
bool TagFormatForFile(const QString& path, TTagFormat* format);

using TTagPairs = QList<QPair<QString, QString>>;

// The fields as Vorbis-comment pairs (TITLE, ARTIST, ..., TRACKNUMBER and
// TRACKTOTAL, MUSICBRAINZ_*, REPLAYGAIN_*) in a fixed order; Opus files
// carry R128_TRACK_GAIN / R128_ALBUM_GAIN instead of REPLAYGAIN_*. The cover
// is not among them.
TTagPairs VorbisCommentPairs(const TTrackTags& tags, bool opus);
// Every key VorbisCommentPairs can give, so that a rewrite can drop old ones.
const QStringList& VorbisCommentKeys();

// "-6.53 dB" and "0.988553": the ReplayGain texts.
QString GainText(double gain);
QString PeakText(double peak);
// R128 gain of an Opus file for a ReplayGain gain: Q7.8 dB towards -23 LUFS.
int R128GainFromReplayGain(double gain);
// The number at the start of a gain or peak text ("-6.53 dB" -> -6.53);
// nullopt when there is none.
std::optional<double> ParseGainText(const QString& text);
