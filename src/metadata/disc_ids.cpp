#include "disc_ids.h"

#include <discid/discid.h>

#include <memory>

namespace {

// Sectors between the end of the audio session and the start of the data
// session of an Enhanced CD (lead-out, lead-in and pre-gap of the second session).
constexpr int kSessionGapSectors = 11400;

struct DiscIdDeleter {
    void operator()(DiscId* d) const { discid_free(d); }
};

} // namespace

std::optional<TDiscIds> DiscIdsOfOffsets(int first, int last, const int (&offsets)[100])
{
    std::unique_ptr<DiscId, DiscIdDeleter> disc(discid_new());
    if (!disc)
        return std::nullopt;
    int copy[100];
    std::copy(std::begin(offsets), std::end(offsets), copy);
    if (!discid_put(disc.get(), first, last, copy))
        return std::nullopt;
    TDiscIds ids;
    ids.AudioTracks = last - first + 1;
    ids.MusicBrainz = QString::fromLatin1(discid_get_id(disc.get()));
    ids.Freedb = QString::fromLatin1(discid_get_freedb_id(disc.get()));
    ids.TocArgument = QString::fromLatin1(discid_get_toc_string(disc.get()))
                          .replace(QLatin1Char(' '), QLatin1Char('+'));
    return ids;
}

std::optional<TDiscIds> DiscIdsOf(const TTOC& toc)
{
    const int count = toc.TrackCount();
    if (count <= 0 || toc.FirstTrack < 1 || toc.FirstTrack + count - 1 > 99)
        return std::nullopt;
    // The audio session: up to the last audio track.
    int lastAudio = -1;
    for (int k = 0; k < count; ++k) {
        if (toc.Entries[size_t(k)].IsAudio())
            lastAudio = k;
    }
    if (lastAudio < 0)
        return std::nullopt;
    int offsets[100] = {};
    for (int k = 0; k <= lastAudio; ++k)
        offsets[toc.FirstTrack + k] = toc.Entries[size_t(k)].MsfFrames();
    offsets[0] = lastAudio + 1 < count
                     ? toc.Entries[size_t(lastAudio) + 1].MsfFrames() - kSessionGapSectors
                     : toc.Entries.back().MsfFrames();
    return DiscIdsOfOffsets(toc.FirstTrack, toc.FirstTrack + lastAudio, offsets);
}
