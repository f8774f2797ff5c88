#pragma once
// The AccurateRip database's answer for one disc, and the verdict for a
// track. The answer file holds one or more records, little-endian:
//   u8 tracks, u32 id1, u32 id2, u32 id3,
//   then per track: u8 confidence, u32 crc, u32 frame-450 crc.
// A record for another disc (other ids or track count) is skipped; a file
// that ends inside a record is refused as a whole.

#include "verify/accuraterip_disc_id.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct TAccurateRipTrackEntry {
    int Confidence = 0;
    std::uint32_t Crc = 0;
    std::uint32_t Crc450 = 0;
};

struct TAccurateRipAnswer {
    // Records of our disc; each holds one entry per audio track.
    std::vector<std::vector<TAccurateRipTrackEntry>> Records;
    int SkippedRecords = 0;
    // The frame-450 checksums the database holds for a track (for finding
    // the drive's offset), zero ones left out.
    std::vector<std::uint32_t> crc450s(int trackIndex) const;
};

// Nothing, with *error, when the file is corrupt (truncated or empty).
std::optional<TAccurateRipAnswer> ParseAccurateRipAnswer(const QByteArray& data,
                                                         const TAccurateRipDiscId& ours,
                                                         QString* error = nullptr);

enum class TTrackVerdict {
    NotChecked,    // no database was asked
    NotInDatabase, // the database has no checksum for the track
    Accurate,      // a checksum matches
    NotAccurate,   // the database has checksums, none matches
};

struct TAccurateRipMatch {
    TTrackVerdict Verdict = TTrackVerdict::NotInDatabase;
    int Confidence = 0;    // of the best matching record
    int MaxConfidence = 0; // the highest of any record for the track
    bool V2 = false;       // the match was on v2 (else v1)
};

// The track at trackIndex (0 = first audio track) against every record.
TAccurateRipMatch MatchAccurateRip(const TAccurateRipAnswer& answer, int trackIndex,
                                   std::uint32_t v1, std::uint32_t v2);

// Accurate when every track is, NotInDatabase when no track is in it,
// otherwise NotAccurate.
TTrackVerdict DiscVerdict(const std::vector<TTrackVerdict>& tracks);
