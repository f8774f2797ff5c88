#pragma once
// TRipVerification: the verified reading of one extraction job. The job's
// rip steps read their tracks through it one after another; it asks the
// databases once, before the first track, keeps the reader (and its sector
// sources) for the whole job, collects every track's result and at the end
// writes the rip log beside the tracks.
//
// Threads: prepare() and read() run on the rip worker of the step reading
// now (one at a time: the engine reads one track at a time). The engine's
// thread calls the rest only between reads: after a step's final report
// (whose posting orders the worker's writes before it) or after every step
// was stopped. Stop may be set from any thread.

#include "cdaccess/cd_access.h"
#include "settings/options_setting.h"
#include "verify/verified_rip.h"
#include "verify/verified_track_reader.h"
#include "verify/verify_settings.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class TRipVerification {
public:
    // options: the job's copy of the settings.
    explicit TRipVerification(const TOptionsSetting& options);
    ~TRipVerification();
    TRipVerification(const TRipVerification&) = delete;
    TRipVerification& operator=(const TRipVerification&) = delete;

    // Ends a lookup or read in progress within a chunk of sectors.
    std::atomic<bool> Stop{false};

    // Worker: asks the databases and looks for audio before track 1, the
    // first time only; false (with *error) when the disc cannot be verified.
    bool prepare(ICDAccess& access, HCDROM handle, const TTOC& toc, QString* error);
    // Worker: reads the track numbered tocTrack into sink and keeps its result
    // under fileName. Track 0 is the audio before track 1's INDEX 01: when
    // the disc has none (silence, or no sectors there) nothing is read and
    // track(0) stays null.
    TVerifiedTrack read(int tocTrack, ITrackSink& sink, const QString& fileName,
                        const TVerifiedTrackReader::Progress& progress = {});

    // Why a database could not be asked ("AccurateRip lookup failed: ..."),
    // once each.
    QStringList takeWarnings();
    // The result of the track numbered tocTrack, once read.
    const TVerifiedTrack* track(int tocTrack) const;
    const TVerifiedRip* rip() const { return m_rip.get(); }
    const TVerifySettings& settings() const { return m_settings; }

    // Names the drive in the log: its name, or the image file.
    void setDrive(const QString& text, bool isImage);
    // Lets go of the drive: before its handle is closed.
    void release();
    // Writes the rip log into folder (numbered beside an existing one) when
    // any track was read; its path, empty when nothing was written (*error
    // says why when writing failed).
    QString writeLog(const QString& folder, const QString& format, QString* error) const;

private:
    TOptionsSetting m_options;
    TVerifySettings m_settings;
    bool m_prepared = false;
    QStringList m_warnings;
    QString m_drive;
    bool m_isImage = false;
    THiddenTrackScan m_hidden;
    std::unique_ptr<TVerifiedTrackReader> m_reader;
    std::unique_ptr<TVerifiedRip> m_rip;
};

// "reading (burst)", "reading (secure)", or "reading again (secure)" for a
// second read.
QString ReadStateText(const TTrackReadProgress& progress);
