#include "verify/ctdb_answer.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace {

constexpr int kMaxEntries = 1000; // a hostile answer must not grow without end
constexpr int kMaxTrackCrcs = 99;

std::optional<std::uint32_t> hex32(QStringView text)
{
    bool ok = false;
    const qulonglong v = text.trimmed().toULongLong(&ok, 16);
    if (!ok || v > 0xffffffffULL)
        return std::nullopt;
    return std::uint32_t(v);
}

} // namespace

QString CtdbTocText(const TTOC& toc)
{
    if (toc.TrackCount() <= 0)
        return {};
    QStringList parts;
    for (int k = 0; k < toc.TrackCount(); ++k) {
        const TTOCTRACK& e = toc.Entries[k];
        parts << (e.IsAudio() ? QString() : QStringLiteral("-")) + QString::number(e.Lba());
    }
    parts << QString::number(toc.Entries.back().Lba());
    return parts.join(QLatin1Char(':'));
}

QString CtdbLookupUrl(const QString& server, const TTOC& toc)
{
    QString base = server.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/lookup2.php?version=3&ctdb=1&fuzzy=1&metadata=none&toc=") +
           CtdbTocText(toc);
}

std::optional<std::vector<TCtdbEntry>> ParseCtdbAnswer(const QByteArray& xml, QString* error)
{
    auto refuse = [error](const QString& text) -> std::optional<std::vector<TCtdbEntry>> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    QXmlStreamReader reader(xml);
    std::vector<TCtdbEntry> entries;
    bool root = false;
    int depth = 0;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        if (depth == 1) {
            if (reader.name() != QLatin1String("ctdb"))
                return refuse(QStringLiteral("The CTDB answer is no <ctdb> document"));
            root = true;
            continue;
        }
        if (depth != 2 || reader.name() != QLatin1String("entry"))
            continue;
        if (entries.size() >= kMaxEntries)
            return refuse(QStringLiteral("The CTDB answer has too many entries"));
        const QXmlStreamAttributes a = reader.attributes();
        TCtdbEntry entry;
        const auto crc = hex32(a.value(QLatin1String("crc32")));
        bool ok = false;
        entry.Confidence = a.value(QLatin1String("confidence")).toInt(&ok);
        if (!crc || !ok || entry.Confidence < 0)
            continue; // an entry we cannot read says nothing about our disc
        entry.Crc = *crc;
        const QString tracks = a.value(QLatin1String("trackcrcs")).toString();
        for (const QString& t : tracks.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const auto v = hex32(t);
            if (!v || entry.TrackCrcs.size() >= kMaxTrackCrcs) {
                entry.TrackCrcs.clear();
                break;
            }
            entry.TrackCrcs.push_back(*v);
        }
        entries.push_back(std::move(entry));
    }
    if (reader.hasError())
        return refuse(
            QStringLiteral("The CTDB answer is not readable XML: %1").arg(reader.errorString()));
    if (!root)
        return refuse(QStringLiteral("The CTDB answer is no <ctdb> document"));
    return entries;
}

namespace {

template <typename Matches>
TCtdbMatch match(const std::vector<TCtdbEntry>& entries, Matches matches, bool trackLevel,
                 int trackIndex)
{
    TCtdbMatch m;
    bool known = false;
    for (const TCtdbEntry& e : entries) {
        if (trackLevel && (trackIndex < 0 || trackIndex >= int(e.TrackCrcs.size())))
            continue;
        known = true;
        m.TotalConfidence += e.Confidence;
        if (matches(e) && e.Confidence >= m.Confidence) {
            m.Verdict = TTrackVerdict::Accurate;
            m.Confidence = e.Confidence;
        }
    }
    if (m.Verdict != TTrackVerdict::Accurate)
        m.Verdict = known ? TTrackVerdict::NotAccurate : TTrackVerdict::NotInDatabase;
    return m;
}

} // namespace

TCtdbMatch MatchCtdbDisc(const std::vector<TCtdbEntry>& entries, std::uint32_t discCrc)
{
    return match(
        entries, [discCrc](const TCtdbEntry& e) { return e.Crc == discCrc; }, false, 0);
}

TCtdbMatch MatchCtdbTrack(const std::vector<TCtdbEntry>& entries, int trackIndex,
                          std::uint32_t trackCrc)
{
    return match(
        entries,
        [&](const TCtdbEntry& e) { return e.TrackCrcs[std::size_t(trackIndex)] == trackCrc; }, true,
        trackIndex);
}
