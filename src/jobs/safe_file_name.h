#pragma once
// File names made from titles. Titles come from CDDB, CD-Text or the user and
// hold anything ("AC/DC", "Static: Weather?"); the files they name must work on
// ext4, FAT/exFAT sticks and SMB shares alike, and two tracks of one disc must
// never end up in the same file.

#include <QSet>
#include <QString>

// The longest file name the file systems we write to accept, in bytes.
constexpr int kMaxFileNameBytes = 255;

// text cut to at most maxBytes bytes of UTF-8, never inside a character.
QString CutToUtf8Bytes(const QString& text, int maxBytes);

// A file or folder name for text: / \ : * ? " < > | and control characters
// become '-', leading dots and spaces and trailing dots and spaces go (no
// hidden files, no "." or ".."), and the result is cut to maxBytes of UTF-8.
// May be empty.
QString SafeNamePart(const QString& text, int maxBytes = kMaxFileNameBytes);

// A file name stem for a title, by the rules of SafeNamePart. An empty result becomes the default
// title of track (e.g. "Track03").
QString SafeFileStem(const QString& title, int track, int maxBytes = kMaxFileNameBytes - 4);

// Hands out stems that are unique within one job: the second "Intro" becomes
// "Intro (2)", the third "Intro (3)". Names differing only in case count as
// equal, since FAT and SMB do not tell them apart. A suffixed stem still fits
// maxBytes.
class TUniqueStems {
public:
    explicit TUniqueStems(int maxBytes = kMaxFileNameBytes - 4) : m_maxBytes(maxBytes) {}
    QString take(const QString& stem);

private:
    int m_maxBytes;
    QSet<QString> m_taken; // case-folded
};

// Where a conversion writes the output of input: into folder, under the
// input's name without its extension made safe by SafeFileStem (item, from 1,
// names the default) and unique among the names stems handed out, with ext.
QString ConvertedFilePath(const QString& folder, const QString& input, int item, const QString& ext,
                          TUniqueStems& stems);
