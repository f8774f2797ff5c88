#pragma once
// The tag editor's fields as plain values, and what the editor does with them
// that needs no widget: filling them from a tag, moving them into a tag, the
// digits-only track field and the caption that names the file.

#include <QString>

class Tid3tag;

struct TId3EditFields {
    QString Title;
    QString Artist;
    QString Album;
    QString Year;
    int Genre = -1; // position in the genre selector, -1 nothing selected
    QString Comment;
    QString Track = QStringLiteral("0");
};

// The fields after a successful read: the tag's texts, the genre's position
// (a byte outside the list shows the blank entry) and the track number.
TId3EditFields Id3EditFieldsFromTag(const Tid3tag& tag);

// Moves the fields into the tag object. An empty track field keeps the track
// number the object holds.
void MoveId3EditFieldsToTag(const TId3EditFields& fields, Tid3tag& tag);

// At most maxDigits of the digits of text, every other character dropped;
// *cursor (when given) is moved to stay behind the same digits.
QString Id3TrackDigits(const QString& text, int maxDigits = 2, int* cursor = nullptr);

// The caption naming the file: "path: caption", or caption alone without a file.
QString Id3EditCaption(const QString& fileName, const QString& plainCaption);
