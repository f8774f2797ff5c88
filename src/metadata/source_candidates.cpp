#include "source_candidates.h"

TDiscCandidate CdTextCandidate(const TCdText& text, int trackCount)
{
    TDiscCandidate c;
    c.Source = TMetadataSource::CdText;
    c.Artist = text.Disc.Performer;
    c.Album = text.Disc.Title;
    c.Genre = text.Disc.Genre;
    c.Format = QStringLiteral("CD");
    c.MediumMatches = true;
    for (int row = 0; row < trackCount; ++row) {
        TCandidateTrack t;
        if (row < int(text.Tracks.size())) {
            const TCdTextBlock& b = text.Tracks[size_t(row)];
            t.Title = b.Title;
            t.Artist = b.Performer;
            t.Songwriter = b.Songwriter;
            t.Composer = b.Composer;
            t.Isrc = b.Isrc;
        }
        c.Tracks.push_back(t);
    }
    return c;
}

TDiscCandidate CddbCandidate(const TCddbEntry& entry, int trackCount)
{
    TDiscCandidate c;
    c.Source = TMetadataSource::Cddb;
    c.Artist = entry.Artist.value_or(QString());
    c.Album = entry.Album.value_or(QString());
    c.Date = entry.Year.value_or(QString());
    c.Genre = entry.Genre.value_or(QString());
    for (int row = 0; row < trackCount; ++row) {
        TCandidateTrack t;
        if (row < int(entry.Titles.size()) && entry.Titles[size_t(row)])
            t.Title = *entry.Titles[size_t(row)];
        c.Tracks.push_back(t);
    }
    return c;
}
