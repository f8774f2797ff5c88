#include "candidate_apply.h"

#include <algorithm>

void ApplyCandidate(const TDiscCandidate& candidate, int trackCount, TCDInfo& info,
                    const std::function<int(const QString&)>& genreIndex)
{
    TCDInfo next = info;
    next.Artist = candidate.Artist;
    next.Album = candidate.Album;
    next.Year = candidate.Year();
    next.Date = candidate.Date;
    if (!candidate.Genre.isEmpty() && genreIndex) {
        const int index = genreIndex(candidate.Genre);
        if (index >= 0)
            next.Genre = index + 1;
    }
    next.Source = MetadataSourceName(candidate.Source);
    next.DiscNumber = candidate.DiscNumber;
    next.DiscTotal = candidate.DiscTotal;
    next.MusicBrainzDiscId = candidate.DiscId;
    next.MusicBrainzReleaseId = candidate.ReleaseId;
    next.MusicBrainzReleaseGroupId = candidate.ReleaseGroupId;
    next.MusicBrainzAlbumArtistId = candidate.AlbumArtistId;
    if (candidate.ReleaseId != info.MusicBrainzReleaseId)
        next.FrontCover.clear();
    next.Details = {};
    const int rows = std::clamp(trackCount, 0, int(next.Tracks.size()) - 1);
    next.TrackNumber = rows;
    for (int row = 0; row < rows; ++row) {
        const size_t n = size_t(row) + 1;
        if (row >= int(candidate.Tracks.size()))
            continue;
        const TCandidateTrack& t = candidate.Tracks[size_t(row)];
        if (!t.Title.isEmpty())
            next.Tracks[n] = t.Title;
        TTrackDetails& d = next.Details[n];
        d.Artist = t.Artist == candidate.Artist ? QString() : t.Artist;
        d.Isrc = t.Isrc;
        d.RecordingId = t.RecordingId;
        d.ReleaseTrackId = t.ReleaseTrackId;
    }
    info = std::move(next);
}
