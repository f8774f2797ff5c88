#include "disc_candidate.h"

namespace {

bool sameText(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

QString MetadataSourceName(TMetadataSource source)
{
    switch (source) {
    case TMetadataSource::MusicBrainz:
        return QStringLiteral("musicbrainz");
    case TMetadataSource::CdText:
        return QStringLiteral("cdtext");
    case TMetadataSource::Cddb:
        break;
    }
    return QStringLiteral("cddb");
}

QString MetadataSourceLabel(TMetadataSource source)
{
    switch (source) {
    case TMetadataSource::MusicBrainz:
        return QStringLiteral("MusicBrainz");
    case TMetadataSource::CdText:
        return QStringLiteral("CD-Text");
    case TMetadataSource::Cddb:
        break;
    }
    return QStringLiteral("CDDB");
}

QString TDiscCandidate::Year() const
{
    const QString year = Date.left(4);
    for (QChar c : year) {
        if (!c.isDigit())
            return {};
    }
    return year.size() == 4 ? year : QString();
}

QString TDiscCandidate::MediumText() const
{
    if (DiscNumber <= 0 || DiscTotal <= 0)
        return {};
    return QStringLiteral("%1 of %2").arg(DiscNumber).arg(DiscTotal);
}

bool TDiscCandidate::sameTitlesAs(const TDiscCandidate& other) const
{
    if (!sameText(Artist, other.Artist) || !sameText(Album, other.Album) ||
        Tracks.size() != other.Tracks.size())
        return false;
    for (size_t i = 0; i < Tracks.size(); ++i) {
        if (!sameText(Tracks[i].Title, other.Tracks[i].Title))
            return false;
    }
    return true;
}

int DefaultCandidateIndex(const std::vector<TDiscCandidate>& candidates)
{
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i].MediumMatches)
            return int(i);
    }
    return candidates.empty() ? -1 : 0;
}
