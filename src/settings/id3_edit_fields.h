#pragma once
// The tag editor's fields as plain values, and what the editor does with them
// that needs no widget: filling them from the tags of a file, moving them
// into the ID3v1 and ID3v2 tags, the digits-only track field, the fields an
// ID3v1 tag cannot hold and the caption that names the file.
//
// The texts are Unicode and of any length: the ID3v2 tag holds them whole;
// the ID3v1 tag beside it gets what fits (see MoveId3EditFieldsToTag).

#include "tags/track_tags.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class Tid3tag;

struct TId3EditFields {
    QString Title;
    QString Artist;
    QString Album;
    QString Year;
    int Genre = -1; // position in the genre selector, -1 nothing selected
    QString Comment;
    QString Track = QStringLiteral("0");
    // ID3v2 only.
    QString GenreText; // the genre as the ID3v2 tag names it
    QString AlbumArtist;
    QString Disc; // "1" or "1/2"
    QByteArray Cover;
    QString CoverMime;
};

// The fields after a successful read: the tag's texts, the genre's position
// (a byte outside the list shows the blank entry) and the track number.
TId3EditFields Id3EditFieldsFromTag(const Tid3tag& tag);

// The fields of a file with both tags: the ID3v2 tag's where it has a
// field, the ID3v1 tag's (when given) for the rest.
TId3EditFields Id3EditFieldsFromTags(const TTrackTags& v2, const Tid3tag* v1);

// Moves the fields into the ID3v1 tag object. An empty track field keeps the
// track number the object holds. A text with characters outside Latin-1 is
// left out rather than written as question marks.
void MoveId3EditFieldsToTag(const TId3EditFields& fields, Tid3tag& tag);

// Moves the fields into the ID3v2 record, keeping what the editor does not
// show (totals, MusicBrainz ids, ReplayGain) and a full date whose year is
// unchanged. An empty track field keeps the track number.
void MoveId3EditFieldsToTags(const TId3EditFields& fields, TTrackTags& tags);

// The names ("Title", "Artist", "Album", "Comment") of the fields whose text
// an ID3v1 tag cannot hold whole: too long, or not Latin-1.
QStringList Id3v1Misfits(const TId3EditFields& fields);

// At most maxDigits of the digits of text, every other character dropped;
// *cursor (when given) is moved to stay behind the same digits.
QString Id3TrackDigits(const QString& text, int maxDigits = 2, int* cursor = nullptr);

// The caption naming the file: "path: caption", or caption alone without a file.
QString Id3EditCaption(const QString& fileName, const QString& plainCaption);
