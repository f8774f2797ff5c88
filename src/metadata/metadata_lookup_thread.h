#pragma once
// A title or cover lookup on a worker thread, so that no window waits for
// the network.
//
// Threads: the object is created, stopped and destroyed on the UI thread; it
// starts its worker at once. The worker runs the work it was given (which
// touches no window and no shared record) and then posts exactly one
// WM_LOOKUPFINISHED, with the wParam given, to the report object, unless the
// run was stopped, in which case it posts nothing. The receiver then takes
// the result with takeResult(). Stop() returns at once; after it returns the
// worker stores and posts nothing. The destructor stops and joins the worker,
// so the object must be destroyed before the report object.

#include "cdaccess/cd_access.h"
#include "metadata_lookup.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class TMetadataLookupThread {
public:
    using TWork = std::function<TLookupResult(const std::atomic<bool>& stop)>;

    TMetadataLookupThread(QObject* report, qintptr wParam, TWork work);
    ~TMetadataLookupThread();
    TMetadataLookupThread(const TMetadataLookupThread&) = delete;
    TMetadataLookupThread& operator=(const TMetadataLookupThread&) = delete;

    void Stop();
    bool Stopped() const { return m_stop.load(); }
    void wait();
    // After the message: what the work found (moved out).
    TLookupResult takeResult();

    // The work of a title lookup: reads the CD-Text of the disc behind handle
    // of cd (when cdtext is among the sources) and runs the chain.
    static TWork TitleLookup(const TTOC& toc, ICDAccess* cd, HCDROM handle,
                             const TLookupSettings& settings,
                             const std::vector<TMetadataSource>& sources);
    // The work of a cover fetch.
    static TWork CoverFetch(const TLookupSettings& settings, const QString& releaseId);

private:
    void Execute(const TWork& work);

    QObject* m_report;
    const qintptr m_wParam;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex; // guards m_result and the final post
    TLookupResult m_result;
    std::thread m_worker; // last: started when everything else is in place
};
