#pragma once
// What the chooser shows, without widgets: one row per candidate (source,
// artist, album, year, country, format, medium) and the track lines of the
// highlighted one. The command line prints the same texts.

#include "disc_candidate.h"

#include <QStringList>

#include <vector>

class TCandidateList {
public:
    explicit TCandidateList(std::vector<TDiscCandidate> candidates);

    static QStringList Columns();

    int count() const { return int(m_candidates.size()); }
    const TDiscCandidate& at(int index) const { return m_candidates.at(size_t(index)); }
    // The texts of a row, one per column.
    QStringList row(int index) const;
    // "1  Title", or "1  Title (Track Artist)" where the track's artist is
    // not the album's.
    QStringList trackLines(int index) const;
    // The row offered first (DefaultCandidateIndex).
    int defaultIndex() const;

private:
    std::vector<TDiscCandidate> m_candidates;
};
