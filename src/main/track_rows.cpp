#include "track_rows.h"

#include "settings/global.h"

#include <algorithm>
#include <cmath>

int TrackSeconds(const TTOCTRACK& start, const TTOCTRACK& next)
{
    const int seconds = (next.Minute * 60 + next.Second) - (start.Minute * 60 + start.Second);
    return std::max(seconds, 0);
}

QString LengthText(int seconds)
{
    return TwoDigits(seconds / 60) + QLatin1Char(':') + TwoDigits(seconds % 60);
}

QString SizeText(int seconds)
{
    const double bytes = double(seconds) * 44100.0 * 4.0;
    // nearbyint rounds half to even in the default rounding mode.
    const auto hundredths = static_cast<qint64>(std::nearbyint(bytes / 1048576.0 * 100.0));
    return TwoDigits(hundredths / 100) + QLatin1Char('.') + TwoDigits(hundredths % 100);
}

std::vector<TTrackRow> TrackRowsFromTOC(const TTOC& toc, TCDInfo& info)
{
    std::vector<TTrackRow> rows;
    const int count = std::min(toc.TrackCount(), kMaxTrackRows);
    for (int k = 1; k <= count; ++k) {
        const TTOCTRACK& entry = toc.Entries[k - 1];
        const int seconds = TrackSeconds(entry, toc.Entries[k]);
        TTrackRow row;
        row.TrackNumber = entry.TrackNumber;
        row.Caption = QString::number(entry.TrackNumber);
        if (info.Tracks[k].isEmpty())
            info.Tracks[k] = QStringLiteral("Track") + TwoDigits(k);
        row.Title = info.Tracks[k];
        row.Length = LengthText(seconds);
        row.Size = SizeText(seconds);
        rows.push_back(row);
    }
    return rows;
}

void StoreTitles(const QStringList& titles, TCDInfo& info)
{
    const int count = static_cast<int>(std::min<qsizetype>(titles.size(), kMaxTrackRows));
    info.TrackNumber = count;
    for (int k = 1; k <= count; ++k)
        info.Tracks[k] = titles[k - 1];
}

QStringList CheckedItems(const QStringList& titles, const std::vector<bool>& checked)
{
    QStringList items;
    for (int i = 0; i < titles.size() && i < int(checked.size()); ++i) {
        if (checked[i])
            items << TwoDigits(i + 1) + titles[i];
    }
    return items;
}
