// Feeds arbitrary bytes to the database answer parsers and checks what they
// promise: a refused AccurateRip file has an error, every kept record has one
// entry per track of our disc, and matching never reads past a record.
#include "verify/accuraterip_answer.h"
#include "verify/ctdb_answer.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Our disc: the ids of the file's first record when there is one, so
    // that records are kept as well as skipped.
    TAccurateRipDiscId ours{3, 1, 2, 3};
    if (size >= 13) {
        ours.AudioTracks = data[0];
        ours.Id1 = std::uint32_t(data[1]) | std::uint32_t(data[2]) << 8 |
                   std::uint32_t(data[3]) << 16 | std::uint32_t(data[4]) << 24;
        ours.Id2 = std::uint32_t(data[5]) | std::uint32_t(data[6]) << 8 |
                   std::uint32_t(data[7]) << 16 | std::uint32_t(data[8]) << 24;
        ours.Id3 = std::uint32_t(data[9]) | std::uint32_t(data[10]) << 8 |
                   std::uint32_t(data[11]) << 16 | std::uint32_t(data[12]) << 24;
    }
    QString error;
    const auto answer = ParseAccurateRipAnswer(bytes, ours, &error);
    check(answer.has_value() == error.isEmpty());
    if (answer) {
        for (const auto& record : answer->Records)
            check(int(record.size()) == ours.AudioTracks);
        for (int t = -1; t <= ours.AudioTracks; ++t) {
            const TAccurateRipMatch m = MatchAccurateRip(*answer, t, 0, 0);
            check(m.Confidence <= m.MaxConfidence);
        }
    }

    QString xmlError;
    const auto entries = ParseCtdbAnswer(bytes, &xmlError);
    check(entries.has_value() == xmlError.isEmpty());
    if (entries) {
        for (const TCtdbEntry& e : *entries)
            check(e.Confidence >= 0 && e.TrackCrcs.size() <= 99);
        for (int t = -1; t < 100; t += 7)
            MatchCtdbTrack(*entries, t, 0);
        MatchCtdbDisc(*entries, 0);
    }
    return 0;
}
