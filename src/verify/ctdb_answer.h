#pragma once
// The CUETools database: the TOC text a lookup sends, the lookup's address,
// its XML answer and the verdict for a disc and its tracks.

#include "cdaccess/cd_access.h"
#include "verify/accuraterip_answer.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Each track's INDEX 01 LSN followed by ':' (data tracks with a leading '-'),
// then the lead-out LSN: "0:11413:25024:45713:55220". Empty for an empty TOC.
QString CtdbTocText(const TTOC& toc);

// server + "/lookup2.php?version=3&ctdb=1&fuzzy=1&metadata=none&toc=" + TOC.
QString CtdbLookupUrl(const QString& server, const TTOC& toc);

struct TCtdbEntry {
    std::uint32_t Crc = 0;
    int Confidence = 0;
    std::vector<std::uint32_t> TrackCrcs; // empty when the entry has none
};

// The entries of a <ctdb> answer (none: the disc is not in the database).
// Nothing, with *error, when the text is not such an answer.
std::optional<std::vector<TCtdbEntry>> ParseCtdbAnswer(const QByteArray& xml,
                                                       QString* error = nullptr);

struct TCtdbMatch {
    TTrackVerdict Verdict = TTrackVerdict::NotInDatabase;
    int Confidence = 0;      // of the matching entry
    int TotalConfidence = 0; // of every entry for the disc
};

// The whole disc: accurate when its CRC equals an entry's.
TCtdbMatch MatchCtdbDisc(const std::vector<TCtdbEntry>& entries, std::uint32_t discCrc);
// One track (0 = first audio track) against the entries' track CRCs.
TCtdbMatch MatchCtdbTrack(const std::vector<TCtdbEntry>& entries, int trackIndex,
                          std::uint32_t trackCrc);
