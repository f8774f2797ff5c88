#pragma once
// The parser of MusicBrainz's answer to a disc lookup
// (/ws/2/discid/<id>?inc=recordings+artist-credits+labels+release-groups+isrcs,
// with or without toc=). Pure: the body in, candidates out; nothing in the
// answer is trusted (wrong types, missing fields, odd sizes are handled).
//
// For every release the medium whose discs list our disc id is taken
// (MediumMatches); a release found only by its durations (a fuzzy match)
// gives its first medium with as many tracks as the disc. A release with no
// such medium is left out.

#include "disc_candidate.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>

#include <vector>

struct TMusicBrainzAnswer {
    bool Ok = false;
    QString Error; // when not Ok
    std::vector<TDiscCandidate> Candidates;
};

// trackCount: the tracks of the disc's audio session (the rows to fill).
TMusicBrainzAnswer ParseMusicBrainzDiscAnswer(const QByteArray& body, const QString& discId,
                                              int trackCount);

// An artist credit as one text: each name followed by its join phrase.
QString JoinArtistCredit(const QJsonArray& credit);
