#pragma once
// Texts (titles, artists) made fit to be a file or folder name on ext4,
// FAT/exFAT sticks and SMB shares alike.

#include <QString>

// The longest name those file systems take, in bytes of UTF-8.
constexpr int kMaxNameBytes = 255;

// / \ : * ? " < > | and control characters replaced by '-'.
QString ReplaceUnsafeNameChars(const QString& text);

// A name from text: unsafe characters replaced, leading and trailing dots
// and spaces removed (no hidden names, no "." or ".."), and cut to at most
// maxBytes of UTF-8 without splitting a character. May be empty.
QString SafeNamePart(const QString& text, int maxBytes = kMaxNameBytes);
