#include "cddb_disc_id.h"

#include <QStringList>

namespace {

int digitSum(int n)
{
    int sum = 0;
    for (; n > 0; n /= 10)
        sum += n % 10;
    return sum;
}

} // namespace

bool IsUsableCddbToc(const TTOC& toc)
{
    const int tracks = toc.TrackCount();
    if (tracks < 1 || tracks > 99)
        return false;
    for (size_t k = 1; k < toc.Entries.size(); ++k) {
        if (toc.Entries[k].MsfFrames() < toc.Entries[k - 1].MsfFrames())
            return false;
    }
    return true;
}

std::uint32_t CddbDiscId(const TTOC& toc)
{
    if (!IsUsableCddbToc(toc))
        return 0;
    const int tracks = toc.TrackCount();
    std::uint32_t sum = 0;
    for (int k = 0; k < tracks; ++k)
        sum += digitSum(toc.Entries[k].MsfFrames() / kFramesPerSecond);
    const std::uint32_t seconds = toc.Entries.back().MsfFrames() / kFramesPerSecond -
                                  toc.Entries.front().MsfFrames() / kFramesPerSecond;
    return ((sum % 255) << 24) | ((seconds & 0xFFFF) << 8) | std::uint32_t(tracks);
}

QString CddbDiscIdText(std::uint32_t id)
{
    return QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
}

QString CddbQueryArguments(const TTOC& toc)
{
    if (!IsUsableCddbToc(toc))
        return {};
    const int tracks = toc.TrackCount();
    QStringList parts;
    parts << CddbDiscIdText(CddbDiscId(toc)) << QString::number(tracks);
    for (int k = 0; k < tracks; ++k)
        parts << QString::number(toc.Entries[k].MsfFrames());
    parts << QString::number(toc.Entries.back().MsfFrames() / kFramesPerSecond);
    return parts.join(QLatin1Char('+'));
}
