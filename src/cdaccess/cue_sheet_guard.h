#pragma once

#include <QByteArray>
#include <QString>

// libcdio's cue-sheet reader keeps its tracks in a fixed table indexed by
// position and by track number and trusts the numbers a sheet gives: a sheet
// that starts at track 81, skips numbers or lists more than 99 tracks makes
// it read and write outside that table. These checks run on the sheet before
// libcdio sees it; everything else about the sheet is still libcdio's to judge.

// Why libcdio must not read `sheet` (the bytes of a cue sheet); empty when
// the sheet is safe to hand over. Tracks must be numbered 1, 2, 3... in order.
QString CueSheetProblem(const QByteArray& sheet);

// The cue sheet libcdio's BIN/CUE driver reads when asked to open
// `imagePath`: the file itself for a name ending in "cue", the ".cue" beside
// it for a name ending in "bin" (libcdio swaps the last three letters), and
// nothing otherwise.
QString CueSheetReadFor(const QString& imagePath);
