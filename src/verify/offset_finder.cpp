#include "verify/offset_finder.h"

#include "verify/accuraterip_checksum.h"

#include <algorithm>
#include <map>

std::int64_t OffsetSearchFirstSample(int maxOffset)
{
    return TAccurateRipChecksum::kFrame450First - std::abs(maxOffset);
}

std::int64_t OffsetSearchSamples(int maxOffset)
{
    return 588 + 2 * std::int64_t(std::abs(maxOffset));
}

std::vector<int> FindReadOffsets(const QByteArray& raw, std::int64_t rawFirst,
                                 const std::vector<std::uint32_t>& crc450s, int maxOffset)
{
    std::vector<std::uint32_t> wanted;
    for (std::uint32_t c : crc450s) {
        if (c != 0)
            wanted.push_back(c);
    }
    std::vector<int> found;
    if (wanted.empty())
        return found;
    const std::int64_t rawSamples = raw.size() / 4;
    maxOffset = std::abs(maxOffset);
    for (int offset = -maxOffset; offset <= maxOffset; ++offset) {
        const std::int64_t first = TAccurateRipChecksum::kFrame450First + offset - rawFirst;
        if (first < 0 || first + 588 > rawSamples)
            continue;
        const std::uint32_t sum = TAccurateRipChecksum::frame450Of(raw.constData() + first * 4);
        if (std::find(wanted.begin(), wanted.end(), sum) != wanted.end())
            found.push_back(offset);
    }
    return found;
}

std::optional<int> MostLikelyOffset(const std::vector<std::vector<int>>& perTrack)
{
    std::map<int, int> votes;
    for (const auto& offsets : perTrack) {
        for (int o : offsets)
            ++votes[o];
    }
    std::optional<int> best;
    int bestVotes = 0;
    for (const auto& [offset, count] : votes) {
        if (count > bestVotes) {
            best = offset;
            bestVotes = count;
        }
    }
    return best;
}
