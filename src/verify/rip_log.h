#pragma once
// The rip log: a text file beside the tracks saying how they were read and
// how they verified. RipLogText only turns the facts into text; the rip step
// gathers them and writes the file.

#include "cdaccess/secure_reader.h"
#include "verify/accuraterip_answer.h"
#include "verify/accuraterip_disc_id.h"
#include "verify/ctdb_answer.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// What became of asking one database.
struct TDatabaseLookup {
    enum class Outcome { NotAsked, NotInDatabase, Found, Failed };
    Outcome Result = Outcome::NotAsked;
    QString Error; // with Failed: what went wrong
};

struct TRipLogTrack {
    int Number = 0;         // 0: hidden track one audio
    std::int32_t Start = 0; // LSN of INDEX 01 (of LSN 0 for the hidden track)
    std::int32_t Sectors = 0;
    QString FileName;
    std::uint32_t CopyCrc = 0;
    std::optional<std::uint32_t> TestCrc; // when the track was read a second time
    std::optional<std::uint32_t> V1;      // AccurateRip checksums, when computed
    std::optional<std::uint32_t> V2;
    TReadReport Read; // the read that made the file
    bool ReReadSecurely = false;
    TAccurateRipMatch AccurateRip; // Verdict NotChecked when the database was not asked
    std::optional<TCtdbMatch> Ctdb;
};

struct TRipLogData {
    QString Program; // name and version
    QDateTime Date;
    QString Drive; // drive name, or the image file
    bool IsImage = false;
    QString ReadMode; // "burst", "secure" or "auto"
    int ReadOffset = 0;
    QString Format;       // the output format and its settings in one line
    QStringList Settings; // further "Name: value" lines
    QString Artist;
    QString Album;
    TAccurateRipDiscId AccurateRipId;
    TDatabaseLookup AccurateRip;
    QString CtdbToc;
    TDatabaseLookup Ctdb;
    std::uint32_t CtdbCrc = 0;
    std::optional<TCtdbMatch> CtdbDisc;
    // Sectors before track 1's INDEX 01, whether they hold audio, and whether
    // that audio was ripped (as track 0, listed among Tracks).
    std::int32_t HiddenSectors = 0;
    bool HiddenAudible = false;
    bool HiddenRipped = false;
    std::vector<TRipLogTrack> Tracks;
};

QString RipLogText(const TRipLogData& log);

// "Track 03  accurately ripped (confidence 12)", "... not accurately ripped",
// "... not in database" or "... not verified".
QString TrackResultLine(int number, const TAccurateRipMatch& match);

// The CTDB's verdict on the whole disc ("disc CRC 1A2B3C4D accurately
// ripped (confidence 3 of 4)", "disc CRC ... differs"), or without one what
// became of the lookup ("disc not in database").
QString CtdbResultText(const TDatabaseLookup& lookup, std::uint32_t discCrc,
                       const std::optional<TCtdbMatch>& disc);

// "mm:ss.ff" for a count of sectors (75 a second).
QString SectorTimeText(std::int64_t sectors);

// The log's file name: the album's name made safe for a file name, with
// ".log"; "Rip.log" when there is no album.
QString RipLogFileName(const QString& album);
