#pragma once
// A .cue sheet for ripped track files: one FILE per track. A ripped hidden
// track (track 0) becomes track 1's INDEX 00 in a file of its own.
//
// Cue sheets cannot quote a double quote: in titles and file names it comes
// out as a single quote, so a file whose name holds one is not found through
// the sheet (CueSheetNamesFile says so beforehand).

#include <QString>

#include <vector>

struct TCueSheetTrack {
    int Number = 0;   // 0: the hidden track before track 1
    QString FileName; // relative to the sheet
    QString Title;
    QString Performer; // empty: the disc's
    QString Isrc;
};

struct TCueSheet {
    QString Performer;
    QString Title;
    QString Date;
    QString Genre;
    QString DiscId; // the CDDB disc id, when known
    QString Comment;
    std::vector<TCueSheetTrack> Tracks; // in disc order
};

QString CueSheetText(const TCueSheet& sheet);

// False for a file name the sheet cannot hold as it is (a double quote, a
// control character, or spaces that are not single ones between words).
bool CueSheetNamesFile(const QString& fileName);
