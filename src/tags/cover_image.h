#pragma once
// Front cover images: what kind an image is, and the cover a folder of music
// files usually holds beside them.

#include <QByteArray>
#include <QString>

// Covers larger than this are not embedded: a FLAC metadata block cannot hold
// more than 16 MiB, and a player reads the cover of every file it lists.
constexpr qint64 kMaxCoverBytes = 16 * 1024 * 1024 - 1024;

// "image/jpeg" or "image/png" by the image's first bytes; empty for
// anything else.
QString ImageMimeType(const QByteArray& image);

// The cover beside a music file: the first of cover.jpg, folder.jpg,
// cover.png, folder.png (any case) in its folder that is a JPEG or PNG
// image no larger than kMaxCoverBytes. False when there is none.
bool FindCoverBeside(const QString& musicFile, QByteArray* image, QString* mime);
