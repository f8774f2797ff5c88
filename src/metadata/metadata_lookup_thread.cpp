#include "metadata_lookup_thread.h"

#include "settings/process_info.h"

#include <algorithm>

TMetadataLookupThread::TMetadataLookupThread(QObject* report, qintptr wParam, TWork work)
    : m_report(report), m_wParam(wParam),
      m_worker([this, work = std::move(work)] { Execute(work); })
{}

TMetadataLookupThread::~TMetadataLookupThread()
{
    Stop();
    wait();
}

void TMetadataLookupThread::Stop()
{
    std::lock_guard lock(m_mutex);
    m_stop = true;
}

void TMetadataLookupThread::wait()
{
    if (m_worker.joinable())
        m_worker.join();
}

TLookupResult TMetadataLookupThread::takeResult()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_result, {});
}

void TMetadataLookupThread::Execute(const TWork& work)
{
    TLookupResult result = work ? work(m_stop) : TLookupResult{};
    // Under the lock Stop() takes: once Stop() has returned, nothing is
    // stored and nothing is posted.
    std::lock_guard lock(m_mutex);
    if (m_stop)
        return;
    m_result = std::move(result);
    if (m_report)
        postMessage(m_report, WM_LOOKUPFINISHED, m_wParam);
}

TMetadataLookupThread::TWork
TMetadataLookupThread::TitleLookup(const TTOC& toc, ICDAccess* cd, HCDROM handle,
                                   const TLookupSettings& settings,
                                   const std::vector<TMetadataSource>& sources)
{
    return [toc, cd, handle, settings, sources](const std::atomic<bool>& stop) {
        std::optional<TCdText> cdText;
        if (std::find(sources.begin(), sources.end(), TMetadataSource::CdText) != sources.end()) {
            TCdText text;
            if (cd != nullptr && handle != 0 && cd->ReadCDText(handle, text))
                cdText = std::move(text);
        }
        return TMetadataLookup(settings, &stop).Run(toc, cdText, sources);
    };
}

TMetadataLookupThread::TWork TMetadataLookupThread::CoverFetch(const TLookupSettings& settings,
                                                               const QString& releaseId)
{
    return [settings, releaseId](const std::atomic<bool>& stop) {
        return TMetadataLookup(settings, &stop).FetchFrontCover(releaseId);
    };
}
