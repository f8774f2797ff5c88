#pragma once
// Asking the AccurateRip database and the CUETools database about a disc,
// over the program's HTTP client. Both are asked before a rip starts; the
// answers then check every track as it is read.
//
// Every answer is untrusted: a server error, a time-out, an answer that is
// too large, cut short or not of the expected form makes the lookup Failed
// with a readable reason, never more.
//
// Threads: the calls block; they belong on a worker thread (or the command
// line's). The stop flag may be set from any thread and ends a transfer in
// progress within a few tens of milliseconds.

#include "cdaccess/cd_access.h"
#include "net/http_client.h"
#include "verify/accuraterip_answer.h"
#include "verify/accuraterip_disc_id.h"
#include "verify/ctdb_answer.h"
#include "verify/rip_log.h"
#include "verify/verify_settings.h"

#include <atomic>
#include <vector>

// The largest answers accepted: an AccurateRip file holds a few records of
// 13 + 9 bytes a track, a CTDB answer some entries of text.
constexpr qint64 kMaxAccurateRipBytes = 256 * 1024;
constexpr qint64 kMaxCtdbBytes = 2 * 1024 * 1024;

struct TDatabaseAnswers {
    TAccurateRipDiscId AccurateRipId;
    TDatabaseLookup AccurateRip;
    TAccurateRipAnswer AccurateRipAnswer; // with AccurateRip Found: our disc's records
    QString CtdbToc;
    TDatabaseLookup Ctdb;
    std::vector<TCtdbEntry> CtdbEntries; // with Ctdb Found

    // Some database has a checksum for the disc.
    bool anyFound() const
    {
        return AccurateRip.Result == TDatabaseLookup::Outcome::Found ||
               Ctdb.Result == TDatabaseLookup::Outcome::Found;
    }
};

// The AccurateRip answer file of id under server (HTTP 404, or a file
// without a record of our disc: not in the database).
TDatabaseLookup FetchAccurateRip(THttpClient& http, const QString& server,
                                 const TAccurateRipDiscId& id, TAccurateRipAnswer* answer);

// The CTDB entries of the disc (an answer without entries: not in the database).
TDatabaseLookup FetchCtdb(THttpClient& http, const QString& server, const TTOC& toc,
                          std::vector<TCtdbEntry>* entries);

// Both, as the settings say (a database switched off is NotAsked).
TDatabaseAnswers FetchDatabaseAnswers(const TVerifySettings& settings, const TTOC& toc,
                                      const std::atomic<bool>* stop = nullptr);
