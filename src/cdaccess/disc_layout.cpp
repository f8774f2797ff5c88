#include "cdaccess/disc_layout.h"

std::int64_t TDiscLayout::AudioSamples() const
{
    if (Tracks.empty())
        return 0;
    return std::int64_t(AudioEnd - Tracks.front().Start) * kSamplesPerSector;
}

int TDiscLayout::indexOf(int trackNumber) const
{
    for (std::size_t i = 0; i < Tracks.size(); ++i) {
        if (Tracks[i].Number == trackNumber)
            return int(i);
    }
    return -1;
}

TDiscLayout DiscLayoutOf(const TTOC& toc)
{
    TDiscLayout layout;
    const int count = toc.TrackCount();
    if (count <= 0)
        return layout;
    for (int k = 0; k < count; ++k) {
        if (toc.Entries[k + 1].Lba() < toc.Entries[k].Lba() || toc.Entries[k].Lba() < 0)
            return layout;
    }
    layout.Leadout = toc.Entries.back().Lba();
    for (int k = 0; k < count; ++k) {
        const TTOCTRACK& entry = toc.Entries[k];
        if (!entry.IsAudio())
            continue;
        TAudioTrackSpan span;
        span.Number = entry.TrackNumber;
        span.Start = entry.Lba();
        std::int32_t end = toc.Entries[k + 1].Lba();
        // The last audio track before a closing data track ends where its
        // session ends, not where the data track begins.
        const bool beforeClosingData = k + 1 == count - 1 && !toc.Entries[k + 1].IsAudio();
        if (beforeClosingData && end - kSessionGapSectors > span.Start) {
            end -= kSessionGapSectors;
            layout.Enhanced = true;
        }
        span.Sectors = end - span.Start;
        layout.Tracks.push_back(span);
    }
    if (layout.Tracks.empty())
        return layout;
    layout.AudioEnd = layout.Tracks.back().End();
    layout.DataFirst = !toc.Entries.front().IsAudio();
    if (!layout.DataFirst)
        layout.HiddenSectors = layout.Tracks.front().Start;
    return layout;
}
