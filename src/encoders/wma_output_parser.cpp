#include "wma_output_parser.h"

#include "line_splitter.h"

#include <cmath>

TWmaLineKind ClassifyWmaLine(const QByteArray& line)
{
    if (IsBlankLine(line))
        return TWmaLineKind::Other;
    if (line.contains("ERROR"))
        return TWmaLineKind::Error;
    if (line.contains("100%"))
        return TWmaLineKind::Finished;
    return TWmaLineKind::Other;
}

qint64 WmaFinishedSeconds(double elapsedSeconds)
{
    const auto seconds = static_cast<qint64>(std::nearbyint(elapsedSeconds));
    return seconds == 0 ? 1 : seconds;
}
