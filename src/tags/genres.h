#pragma once
// The program's genre list: a blank entry then 148 names in alphabetical
// order. A genre number is the position in that list (0 blank, 1..148 names,
// -1 nothing chosen).

#include <QStringList>

#include <cstdint>

// The 148 names, without the blank entry.
const QStringList& GenreNames();
// The list every genre selector shows: the blank entry then the 148 names.
QStringList GenreSelectorItems();

// Genre number -> ID3v1 genre byte (255 for none).
std::uint8_t GenreNumberToByte(int number);
// ID3v1 genre byte -> genre number.
int GenreByteToNumber(std::uint8_t byte);
