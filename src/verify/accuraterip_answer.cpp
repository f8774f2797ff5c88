#include "verify/accuraterip_answer.h"

#include <QtEndian>

namespace {

constexpr int kHeaderBytes = 13;
constexpr int kEntryBytes = 9;

} // namespace

std::vector<std::uint32_t> TAccurateRipAnswer::crc450s(int trackIndex) const
{
    std::vector<std::uint32_t> crcs;
    for (const auto& record : Records) {
        if (trackIndex >= 0 && trackIndex < int(record.size()) && record[trackIndex].Crc450 != 0)
            crcs.push_back(record[trackIndex].Crc450);
    }
    return crcs;
}

std::optional<TAccurateRipAnswer>
ParseAccurateRipAnswer(const QByteArray& data, const TAccurateRipDiscId& ours, QString* error)
{
    auto refuse = [error](const QString& text) -> std::optional<TAccurateRipAnswer> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (data.isEmpty())
        return refuse(QStringLiteral("The AccurateRip answer is empty"));
    TAccurateRipAnswer answer;
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    qsizetype at = 0;
    while (at < size) {
        if (size - at < kHeaderBytes)
            return refuse(QStringLiteral("The AccurateRip answer ends inside a record"));
        const int tracks = bytes[at];
        const std::uint32_t id1 = qFromLittleEndian<quint32>(bytes + at + 1);
        const std::uint32_t id2 = qFromLittleEndian<quint32>(bytes + at + 5);
        const std::uint32_t id3 = qFromLittleEndian<quint32>(bytes + at + 9);
        at += kHeaderBytes;
        if (size - at < qsizetype(tracks) * kEntryBytes)
            return refuse(QStringLiteral("The AccurateRip answer ends inside a record"));
        const bool ourDisc =
            tracks == ours.AudioTracks && id1 == ours.Id1 && id2 == ours.Id2 && id3 == ours.Id3;
        if (ourDisc) {
            std::vector<TAccurateRipTrackEntry> record;
            for (int t = 0; t < tracks; ++t) {
                const uchar* e = bytes + at + qsizetype(t) * kEntryBytes;
                record.push_back({int(e[0]), qFromLittleEndian<quint32>(e + 1),
                                  qFromLittleEndian<quint32>(e + 5)});
            }
            answer.Records.push_back(std::move(record));
        } else {
            ++answer.SkippedRecords;
        }
        at += qsizetype(tracks) * kEntryBytes;
    }
    return answer;
}

TAccurateRipMatch MatchAccurateRip(const TAccurateRipAnswer& answer, int trackIndex,
                                   std::uint32_t v1, std::uint32_t v2)
{
    TAccurateRipMatch match;
    bool inDatabase = false;
    for (const auto& record : answer.Records) {
        if (trackIndex < 0 || trackIndex >= int(record.size()))
            continue;
        const TAccurateRipTrackEntry& e = record[std::size_t(trackIndex)];
        if (e.Confidence <= 0 && e.Crc == 0)
            continue; // an empty slot: no rip of this track was submitted
        inDatabase = true;
        match.MaxConfidence = std::max(match.MaxConfidence, e.Confidence);
        const bool onV1 = e.Crc == v1;
        const bool onV2 = e.Crc == v2;
        if ((onV1 || onV2) &&
            (match.Verdict != TTrackVerdict::Accurate || e.Confidence > match.Confidence)) {
            match.Verdict = TTrackVerdict::Accurate;
            match.Confidence = e.Confidence;
            match.V2 = onV2 && !onV1;
        }
    }
    if (match.Verdict != TTrackVerdict::Accurate)
        match.Verdict = inDatabase ? TTrackVerdict::NotAccurate : TTrackVerdict::NotInDatabase;
    return match;
}

TTrackVerdict DiscVerdict(const std::vector<TTrackVerdict>& tracks)
{
    if (tracks.empty())
        return TTrackVerdict::NotChecked;
    bool all = true;
    bool any = false;
    bool checked = false;
    for (TTrackVerdict v : tracks) {
        all = all && v == TTrackVerdict::Accurate;
        any = any || v == TTrackVerdict::Accurate || v == TTrackVerdict::NotAccurate;
        checked = checked || v != TTrackVerdict::NotChecked;
    }
    if (all)
        return TTrackVerdict::Accurate;
    if (!checked)
        return TTrackVerdict::NotChecked;
    return any ? TTrackVerdict::NotAccurate : TTrackVerdict::NotInDatabase;
}
