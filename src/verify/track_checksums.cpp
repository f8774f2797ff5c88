#include "verify/track_checksums.h"

namespace {

// The part of track index that counts for the CUETools database, in bytes
// from the track's start: [skip, end).
std::pair<std::int64_t, std::int64_t> ctdbWindow(const TDiscLayout& layout, int index)
{
    const std::int64_t samples = layout.Tracks[std::size_t(index)].Samples();
    std::int64_t skip = 0;
    std::int64_t end = samples;
    if (index == 0)
        skip = TTrackChecksums::kCtdbSkipSamples;
    if (index + 1 == int(layout.Tracks.size()))
        end -= TTrackChecksums::kCtdbSkipSamples +
               layout.AudioSamples() % TTrackChecksums::kCtdbSkipSamples;
    end = std::max(end, skip);
    return {skip * 4, end * 4};
}

} // namespace

TTrackChecksums::TTrackChecksums(const TDiscLayout& layout, int index)
    : m_accurateRip(layout.Tracks[std::size_t(index)].Samples(), index == 0,
                    index + 1 == int(layout.Tracks.size())),
      m_copyAndCtdb(ctdbWindow(layout, index).first, ctdbWindow(layout, index).second)
{}

void TTrackChecksums::add(const char* pcm, std::size_t bytes)
{
    m_accurateRip.add(pcm, bytes);
    m_copyAndCtdb.add(pcm, bytes);
}

TTrackChecksumValues TTrackChecksums::values() const
{
    TTrackChecksumValues v;
    v.CopyCrc = m_copyAndCtdb.wholeValue();
    v.V1 = m_accurateRip.v1();
    v.V2 = m_accurateRip.v2();
    if (const auto f = m_accurateRip.frame450()) {
        v.Frame450 = *f;
        v.HasFrame450 = true;
    }
    v.CtdbCrc = m_copyAndCtdb.value();
    v.CtdbBytes = m_copyAndCtdb.counted();
    return v;
}

std::uint32_t CtdbDiscCrc(const std::vector<TTrackChecksumValues>& tracks)
{
    std::uint32_t crc = 0;
    for (const TTrackChecksumValues& t : tracks)
        crc = TCrc32::combine(crc, t.CtdbCrc, t.CtdbBytes);
    return crc;
}
