#pragma once
// The worker that looks the disc up on a CDDB server.
//
// Threads: the object is created, stopped and destroyed on the UI thread; it
// starts its worker at once. The worker sets the client's options from a
// copy of the settings, queries the server, fetches the entries of the matches
// in order (the first with track titles gives the result, every one with
// titles is a choice), and keeps what it parsed in the object.
// It touches no window and no shared record: it posts exactly one
// WM_CDDBFINISHED to the report window at the end of a run, unless the run was
// stopped, in which case it posts nothing.
//
// The receiver, on the UI thread:
//   wParam 7 (cddbFinished): takeResult() and ApplyCddbResult() it;
//   wParam 6 (cddbNoMatch): ErrorCode()/ErrorText() say why (server line or
//   network error); nothing is to be stored.
// Stop() abandons the query at once; after it returns the worker stores and
// posts nothing. The destructor stops and joins the worker, so the object must
// outlive nothing it reports to: destroy it before the report window.

#include "cdaccess/cd_access.h"
#include "cddb_client.h"
#include "cddb_result.h"
#include "settings/options_setting.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// wParam codes of WM_CDDBFINISHED.
constexpr int cddbNoMatch = 6;
constexpr int cddbFinished = 7;

// The placeholder address and the client name sent in the greeting.
inline const QString kCddbHelloAddress = QStringLiteral("quillon@localhost");
inline const QString kCddbClientName = QStringLiteral("Quillon " QUILLON_VERSION);

struct TCddbOptionCall {
    int Option = 0;
    QString Text;
    int Number = 0;
    bool operator==(const TCddbOptionCall&) const = default;
};

// The CDDBSetOption calls made before a query, in order. The greeting names
// settings.Email and settings.Client, or the placeholders when they are
// empty. The proxy options (2, 5, 1) only when settings.UseProxy; a Port that
// is not an integer gives 80.
std::vector<TCddbOptionCall> CddbOptionCalls(const TQueryCDDB& settings);

// The whole lookup on the calling thread: nothing when the server had no
// match or failed (error and errorText then say why), else what the entries
// gave. userAgent: the User-Agent of the requests (empty: the default).
std::optional<TCddbResult> QueryCddb(const TTOC& toc, const TQueryCDDB& settings,
                                     const TCddbTimeouts& timeouts, const QString& userAgent,
                                     const std::atomic<bool>* stop, int* error, QString* errorText);

class TQueryCDDBThread {
public:
    TQueryCDDBThread(QObject* reportWindow, const TTOC& toc, const TQueryCDDB& settings,
                     const TCddbTimeouts& timeouts = {}, const QString& userAgent = {});
    ~TQueryCDDBThread();
    TQueryCDDBThread(const TQueryCDDBThread&) = delete;
    TQueryCDDBThread& operator=(const TQueryCDDBThread&) = delete;

    std::uint8_t FirstTrack() const { return m_toc.FirstTrack; }
    std::uint8_t LastTrack() const { return m_toc.LastTrack; }

    // Abandons the query; returns at once. Nothing is posted or stored after.
    void Stop();
    bool Stopped() const { return m_stop.load(); }
    // Waits for the worker to end (after its message or after Stop).
    void wait();

    // After wParam 7: what was found (empty after Stop). Moves it out.
    TCddbResult takeResult();
    // After wParam 6: the client's error code (server status or TCddbError)
    // and a readable text.
    int ErrorCode() const;
    QString ErrorText() const;

private:
    void Execute();
    void finish(int wParam, TCddbResult result, int error, const QString& errorText);

    QObject* m_report; // outlives this object (see above)
    const TTOC m_toc;
    const TQueryCDDB m_settings;
    const TCddbTimeouts m_timeouts;
    const QString m_userAgent;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex; // guards the fields below and the final post
    TCddbResult m_result;
    int m_error = 0;
    QString m_errorText;
    std::thread m_worker; // last: started when everything else is in place
};
