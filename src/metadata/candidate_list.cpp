#include "candidate_list.h"

TCandidateList::TCandidateList(std::vector<TDiscCandidate> candidates)
    : m_candidates(std::move(candidates))
{}

QStringList TCandidateList::Columns()
{
    return {QStringLiteral("Source"), QStringLiteral("Artist"),  QStringLiteral("Album"),
            QStringLiteral("Year"),   QStringLiteral("Country"), QStringLiteral("Format"),
            QStringLiteral("Medium")};
}

QStringList TCandidateList::row(int index) const
{
    const TDiscCandidate& c = at(index);
    return {MetadataSourceLabel(c.Source),
            c.Artist,
            c.Album,
            c.Year(),
            c.Country,
            c.Format,
            c.MediumText()};
}

QStringList TCandidateList::trackLines(int index) const
{
    const TDiscCandidate& c = at(index);
    QStringList lines;
    for (size_t i = 0; i < c.Tracks.size(); ++i) {
        const TCandidateTrack& t = c.Tracks[i];
        QString line = QStringLiteral("%1  %2").arg(i + 1, 2).arg(t.Title);
        if (!t.Artist.isEmpty() && t.Artist != c.Artist)
            line += QStringLiteral(" (%1)").arg(t.Artist);
        lines << line;
    }
    return lines;
}

int TCandidateList::defaultIndex() const
{
    return DefaultCandidateIndex(m_candidates);
}
