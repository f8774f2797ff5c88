#pragma once
// The results of a verified rip as a whole: the tracks as they were read,
// the CUETools database's check of the whole disc, the rip log's facts and
// writing the log.

#include "cdaccess/disc_layout.h"
#include "verify/database_fetch.h"
#include "verify/rip_log.h"
#include "verify/verified_track_reader.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class TVerifiedRip {
public:
    TVerifiedRip(TDiscLayout layout, TDatabaseAnswers answers);

    // A track as it was read (the hidden track too), with its file's name.
    void add(const TVerifiedTrack& track, const QString& fileName = {});
    const std::vector<TVerifiedTrack>& tracks() const { return m_tracks; }

    // The disc's CUETools database CRC, once every audio track was read
    // completely (in disc order); nothing before.
    std::optional<std::uint32_t> ctdbDiscCrc() const;
    // That CRC against the database's entries; nothing without both.
    std::optional<TCtdbMatch> ctdbDisc() const;

    // The numbers of the tracks whose copy may be wrong (TVerifiedTrack::doubtful).
    std::vector<int> doubtfulTracks() const;
    // The CTDB result as the log says it (CtdbResultText).
    QString ctdbResultText() const;

    // The log's facts: head says how the rip was made (program, date, drive,
    // mode, offset, format, titles, hidden track); the rest comes from here.
    TRipLogData logData(TRipLogData head) const;

private:
    TDiscLayout m_layout;
    TDatabaseAnswers m_answers;
    std::vector<TVerifiedTrack> m_tracks;
    std::vector<QString> m_fileNames;
};

// Where the rip log of album goes in folder: RipLogFileName, numbered
// ("Album (2).log") when a file of that name is there already, which is
// never replaced.
QString RipLogPath(const QString& folder, const QString& album);

// Where the cue sheet beside the log at logPath goes: the log's name with
// ".cue", numbered when a file of that name is there already.
QString RipCueSheetPath(const QString& logPath);

// Writes text as path completely or not at all (a temporary file renamed
// when done); false with *error.
bool WriteRipLogFile(const QString& path, const QString& text, QString* error);
