#pragma once
// The CD-Text of a disc: titles and names the disc (or its image's cue sheet)
// carries itself. Read through ICDAccess::ReadCDText.

#include <QString>

#include <vector>

struct TCdTextBlock {
    QString Title;
    QString Performer;
    QString Songwriter;
    QString Composer;
    QString Genre;
    QString Message;
    QString Isrc; // tracks only
    bool isEmpty() const;
};

struct TCdText {
    TCdTextBlock Disc;
    std::vector<TCdTextBlock> Tracks; // row 0 = first track of the disc
    // True when no block holds a title or a performer.
    bool isEmpty() const;
};

// The image drivers read cue-sheet text as ISO-8859-1, so a cue sheet written
// in UTF-8 comes back double-encoded ("Ã‡a va" for "Ça va"). Undoes that: a
// text whose characters are all Latin-1 and whose Latin-1 bytes form valid
// UTF-8 with at least one multi-byte character is decoded again; any other
// text (a real Latin-1 cue sheet among them) is returned as it is.
QString RepairCueSheetText(const QString& text);
