#pragma once
// Reading the tracks of a disc for a verified rip, whatever runs the rip (the
// rip step of a job, the command line's verify).
//
//   burst   one plain read;
//   secure  one read through paranoia's overlap and verification;
//   auto    a burst read, checked against the databases' answers. A track a
//           database contradicts is read again securely; a track no database
//           knows is read again securely too, and both reads' CRCs must be
//           equal (test & copy).
//
// Every read goes to the sink after a restart(), so the sink ends up with the
// last one. Sectors that stay unreadable are silence, counted and positioned
// in the track's read report, and the read goes on.
//
// Threads: one reader is used by one thread; the stop flag may be set from
// any thread and is seen after every chunk of TSecureReader::kChunkSectors.
// The reader holds sector sources of the drive: destroy it before the handle
// is closed.

#include "cdaccess/cd_access.h"
#include "cdaccess/disc_layout.h"
#include "cdaccess/hidden_track.h"
#include "cdaccess/secure_reader.h"
#include "verify/database_fetch.h"
#include "verify/rip_log.h"
#include "verify/track_checksums.h"
#include "verify/track_sink.h"
#include "verify/verify_settings.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

struct TTrackReadProgress {
    int Pass = 1; // 1: the track's first read, 2: its second
    bool Secure = false;
    std::int64_t DoneSectors = 0;
    std::int64_t Sectors = 0; // of this read
};

struct TVerifiedTrack {
    int Number = 0; // the TOC's track number; 0: hidden track one audio
    TAudioTrackSpan Span;
    TTrackChecksumValues Checksums; // of the read the sink holds
    bool Secure = false;            // that read was a secure one
    // The other read's copy CRC, when the track was read twice.
    std::optional<std::uint32_t> TestCrc;
    bool ReReadSecurely = false; // read again because a database disagreed
    TReadReport Read;            // of the read the sink holds
    // NotChecked: there was no AccurateRip answer to check with.
    TAccurateRipMatch AccurateRip{TTrackVerdict::NotChecked};
    std::optional<TCtdbMatch> Ctdb; // with an answer from the CTDB
    QString Error;                  // the drive or the sink failed: the track is incomplete

    bool complete() const { return Error.isEmpty() && !Read.Stopped; }
    // A database holds exactly this copy.
    bool confirmed() const;
    // A database knows the track, and this copy is not what it holds.
    bool contradicted() const;
    // The copy may be wrong: incomplete, contradicted, with unreadable
    // sectors, or read twice with different results.
    bool doubtful() const;
    // The track's part of the rip log.
    TRipLogTrack logTrack(const QString& fileName = {}) const;
};

class TVerifiedTrackReader {
public:
    using Progress = std::function<void(const TTrackReadProgress&)>;

    // access and handle stay owned by the caller; the reader uses settings'
    // Mode, ReadOffset and Retries, and answers to check against.
    TVerifiedTrackReader(ICDAccess& access, HCDROM handle, TDiscLayout layout,
                         TVerifySettings settings, TDatabaseAnswers answers,
                         const std::atomic<bool>* stop = nullptr);
    ~TVerifiedTrackReader();
    TVerifiedTrackReader(const TVerifiedTrackReader&) = delete;
    TVerifiedTrackReader& operator=(const TVerifiedTrackReader&) = delete;

    // Reads the track at index in the layout's Tracks into sink.
    TVerifiedTrack read(int index, ITrackSink& sink, const Progress& progress = {});
    // Whether the sectors before track 1's INDEX 01 hold audio (a quick burst read).
    THiddenTrackScan scanHiddenTrack();
    // Reads the audio before track 1's INDEX 01 as track 0 (one read as the
    // mode says, no database knows it).
    TVerifiedTrack readHiddenTrack(ITrackSink& sink, const Progress& progress = {});

    const TDiscLayout& layout() const { return m_layout; }
    const TDatabaseAnswers& answers() const { return m_answers; }

private:
    struct Pass {
        TTrackChecksumValues Checksums;
        TReadReport Read;
        QString Error;
    };
    Pass readOnce(const TAudioTrackSpan& span, int index, bool secure, int passNumber,
                  ITrackSink& sink, const Progress& progress);
    ISectorSource* source(bool secure, QString* error);
    void check(TVerifiedTrack& track, int index) const;
    static void take(TVerifiedTrack& track, Pass&& pass, bool secure);

    ICDAccess& m_access;
    HCDROM m_handle;
    TDiscLayout m_layout;
    TVerifySettings m_settings;
    TDatabaseAnswers m_answers;
    const std::atomic<bool>* m_stop;
    std::unique_ptr<ISectorSource> m_burst;
    std::unique_ptr<ISectorSource> m_secure;
};
