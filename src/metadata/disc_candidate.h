#pragma once
// One answer to "what is this disc?": a release (MusicBrainz), the disc's own
// CD-Text, or a CDDB entry, in one shape, so that the chooser, the command
// line and the disc store handle all of them alike.

#include <QString>
#include <QStringList>

#include <vector>

enum class TMetadataSource { MusicBrainz, CdText, Cddb };

// "musicbrainz", "cdtext", "cddb": the names of [Lookup] Sources and --metadata.
QString MetadataSourceName(TMetadataSource source);
// "MusicBrainz", "CD-Text", "CDDB": the names users read.
QString MetadataSourceLabel(TMetadataSource source);

struct TCandidateTrack {
    QString Title;
    QString Artist; // the track's own credit; empty when none is known
    QString Isrc;
    QString RecordingId;    // MusicBrainz recording
    QString ReleaseTrackId; // MusicBrainz track of this release
    QString Songwriter;
    QString Composer;
};

struct TDiscCandidate {
    TMetadataSource Source = TMetadataSource::MusicBrainz;
    QString Artist; // the album's artist (credits joined by their join phrases)
    QString Album;
    QString Date; // as given: "1994", "1994-05", "1994-05-02"
    QString Country;
    QString Label;
    QString Format; // "CD", "Enhanced CD", ...
    QString Genre;  // a name, when the source gives one
    QString ReleaseId;
    QString ReleaseGroupId;
    QString AlbumArtistId;
    QString DiscId; // the MusicBrainz disc id the lookup used
    QString Barcode;
    int DiscNumber = 0;         // position of the medium; 0 when unknown
    int DiscTotal = 0;          // media of the release; 0 when unknown
    bool MediumMatches = false; // the medium lists our disc id (not a fuzzy match)
    bool HasFrontCover = false;
    std::vector<TCandidateTrack> Tracks; // row 0 = first track of the disc

    // The first four digits of Date; empty when it has none.
    QString Year() const;
    // "2 of 2", or empty when the numbers are unknown.
    QString MediumText() const;
    // True when the two name the same album with the same titles (letter case
    // and surrounding spaces aside).
    bool sameTitlesAs(const TDiscCandidate& other) const;
};

// The place of the candidate to offer first: the first whose medium matches
// the disc id, else the first; -1 for none.
int DefaultCandidateIndex(const std::vector<TDiscCandidate>& candidates);
