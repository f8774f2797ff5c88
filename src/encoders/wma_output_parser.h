#pragma once
// What the WMA utility's lines mean to us: only a line with "ERROR" (capitals,
// anywhere) and a line with "100%" count; its intermediate percentages are not
// read (the job window estimates progress from the output's growth).

#include <QByteArray>

enum class TWmaLineKind { Other, Error, Finished };

TWmaLineKind ClassifyWmaLine(const QByteArray& line);

// Elapsed whole seconds for the "finished" report: rounded half to even, and
// never 0 so that the read-out shows the step took time.
qint64 WmaFinishedSeconds(double elapsedSeconds);
