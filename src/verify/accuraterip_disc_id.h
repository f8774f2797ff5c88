#pragma once
// The AccurateRip disc ids and where the disc's answer file lies.
//
// Over the audio tracks' INDEX 01 LSNs off_k (k = 1..A counting audio tracks
// only, so a leading data track is left out) and the TOC's lead-out LSN (on
// an enhanced CD the real one, after the data session):
//   id1 = sum off_k + leadout
//   id2 = sum max(off_k, 1) * k + leadout * (A + 1)
//   id3 = the CDDB disc id of the whole disc.

#include "cdaccess/cd_access.h"

#include <QString>

#include <cstdint>

struct TAccurateRipDiscId {
    int AudioTracks = 0;
    std::uint32_t Id1 = 0;
    std::uint32_t Id2 = 0;
    std::uint32_t Id3 = 0;

    bool isValid() const { return AudioTracks > 0; }
    // "dBAR-003-0008100c-001ac008-190dcc03.bin"
    QString fileName() const;
    // "c/0/0/dBAR-....bin": the last three hex digits of id1, last first.
    QString path() const;
    // "003-0008100c-001ac008-190dcc03", for logs.
    QString text() const;
    bool operator==(const TAccurateRipDiscId&) const = default;
};

// Invalid (AudioTracks 0) for a TOC without audio tracks.
TAccurateRipDiscId AccurateRipDiscIdOf(const TTOC& toc);

// server + "/accuraterip/" + path(); server is "http://host[:port]" with or
// without a closing slash.
QString AccurateRipUrl(const QString& server, const TAccurateRipDiscId& id);
