#pragma once
// Parsers of lame's progress lines, one line at a time. They keep only the
// column at which the numbers stand, found once per step.
//
// Encoding (fixed-width line, rewritten after a bare CR):
//    "   100/767    (13%)|    0:00/    0:03|    0:00/    0:03|   71.016x|    0:03 "
//   frame counter in columns 1-13, "(NN%)|" in 14-20, time used 21-28, "/" 29,
//   estimated total 30-37.
// Decoding:
//    "Frame#     2/767    128 kbps  L  R"
//   six-character frame fields after "#" and after "/".

#include <QByteArray>
#include <QString>

#include <optional>

struct TLameProgress {
    int Percent = 0;
    QString ElapsedText;
    QString EstimatedText;
};

class TLameEncodeParser {
public:
    // 1-based column of the percentage field; 0 until the first progress line.
    int TextColumn = 0;

    void reset() { TextColumn = 0; }
    // A progress report for a line holding a percentage of 1 to 100.
    std::optional<TLameProgress> parseLine(const QByteArray& line);
};

class TLameDecodeParser {
public:
    // 1-based column of the frame number; 0 until the first "Frame#" line.
    int TextColumn = 0;

    void reset() { TextColumn = 0; }
    // elapsedSeconds: time since the decoder was started; the texts are the
    // elapsed time and the whole time extrapolated from the frame counts.
    std::optional<TLameProgress> parseLine(const QByteArray& line, double elapsedSeconds);
};
