#include "verify/accuraterip_disc_id.h"

#include "cddb/cddb_disc_id.h"

namespace {

QString hex8(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0'));
}

} // namespace

QString TAccurateRipDiscId::text() const
{
    return QStringLiteral("%1-%2-%3-%4")
        .arg(AudioTracks, 3, 10, QLatin1Char('0'))
        .arg(hex8(Id1), hex8(Id2), hex8(Id3));
}

QString TAccurateRipDiscId::fileName() const
{
    return QStringLiteral("dBAR-%1.bin").arg(text());
}

QString TAccurateRipDiscId::path() const
{
    const QString h = hex8(Id1);
    return QStringLiteral("%1/%2/%3/%4").arg(h[7]).arg(h[6]).arg(h[5]).arg(fileName());
}

TAccurateRipDiscId AccurateRipDiscIdOf(const TTOC& toc)
{
    TAccurateRipDiscId id;
    const int count = toc.TrackCount();
    if (count <= 0)
        return id;
    std::uint32_t k = 0;
    for (int i = 0; i < count; ++i) {
        const TTOCTRACK& e = toc.Entries[i];
        if (!e.IsAudio())
            continue;
        const auto offset = std::uint32_t(std::max(e.Lba(), 0));
        ++k;
        id.Id1 += offset;
        id.Id2 += std::max<std::uint32_t>(offset, 1) * k;
    }
    if (k == 0)
        return id;
    const auto leadout = std::uint32_t(std::max(toc.Entries.back().Lba(), 0));
    id.AudioTracks = int(k);
    id.Id1 += leadout;
    id.Id2 += leadout * (k + 1);
    id.Id3 = CddbDiscId(toc);
    return id;
}

QString AccurateRipUrl(const QString& server, const TAccurateRipDiscId& id)
{
    QString base = server.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/accuraterip/") + id.path();
}
