#include "query_cddb_thread.h"

#include "cddb_entry.h"
#include "settings/process_info.h"

std::vector<TCddbOptionCall> CddbOptionCalls(const TQueryCDDB& settings)
{
    const QString email = settings.Email.trimmed();
    const QString client = settings.Client.trimmed();
    std::vector<TCddbOptionCall> calls = {
        {cddbServer, settings.Server, 0},
        {cddbScript, settings.Script.isEmpty() ? kCddbDefaultScript : settings.Script, 0},
        {cddbUser, email.isEmpty() ? kCddbHelloAddress : email, 0},
        {cddbClient, client.isEmpty() ? kCddbClientName : client, 0},
        {cddbReserved, QString(), 0},
    };
    if (settings.UseProxy) {
        bool ok = false;
        int port = settings.Port.trimmed().toInt(&ok);
        if (!ok)
            port = 80;
        calls.push_back({cddbUseProxy, QString(), 1});
        calls.push_back({cddbProxyPort, QString(), port});
        calls.push_back({cddbProxyHost, settings.ProxyAddress, 0});
    }
    return calls;
}

TQueryCDDBThread::TQueryCDDBThread(QObject* reportWindow, const TTOC& toc,
                                   const TQueryCDDB& settings, const TCddbTimeouts& timeouts,
                                   const QString& userAgent)
    : m_report(reportWindow), m_toc(toc), m_settings(settings), m_timeouts(timeouts),
      m_userAgent(userAgent), m_worker([this] { Execute(); })
{}

TQueryCDDBThread::~TQueryCDDBThread()
{
    Stop();
    wait();
}

void TQueryCDDBThread::Stop()
{
    std::lock_guard lock(m_mutex);
    m_stop = true;
}

void TQueryCDDBThread::wait()
{
    if (m_worker.joinable())
        m_worker.join();
}

TCddbResult TQueryCDDBThread::takeResult()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_result, {});
}

int TQueryCDDBThread::ErrorCode() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

QString TQueryCDDBThread::ErrorText() const
{
    std::lock_guard lock(m_mutex);
    return m_errorText;
}

void TQueryCDDBThread::finish(int wParam, TCddbResult result, int error, const QString& errorText)
{
    // Under the lock Stop() takes: once Stop() has returned, nothing is
    // stored and nothing is posted.
    std::lock_guard lock(m_mutex);
    if (m_stop)
        return;
    m_result = std::move(result);
    m_error = error;
    m_errorText = errorText;
    if (m_report)
        postMessage(m_report, WM_CDDBFINISHED, wParam);
}

std::optional<TCddbResult> QueryCddb(const TTOC& toc, const TQueryCDDB& settings,
                                     const TCddbTimeouts& timeouts, const QString& userAgent,
                                     const std::atomic<bool>* stop, int* error, QString* errorText)
{
    TCddbClient client(stop);
    client.setTimeouts(timeouts);
    client.setUserAgent(userAgent);
    for (const TCddbOptionCall& call : CddbOptionCalls(settings))
        client.CDDBSetOption(call.Option, call.Text, call.Number);

    // A query that fails (no connection, time-out, an answer that is not
    // CDDB) is reported like a server without a match, with the reason, so
    // that the user sees why instead of a lookup that silently found nothing.
    std::vector<TCddbMatch> matches;
    if (!client.CDDBQuery(toc, matches, 10) || matches.empty()) {
        if (error)
            *error = client.GetAspiLibError();
        if (errorText)
            *errorText = client.LastErrorText();
        return std::nullopt;
    }

    // The disc fields come from the entries up to the first with titles;
    // later entries with titles are kept as choices only.
    TCddbResult result;
    const int tracks = toc.TrackCount();
    result.Titles.resize(size_t(std::max(tracks, 0)));
    QString text;
    for (const TCddbMatch& match : matches) {
        if (stop && stop->load())
            return std::nullopt;
        if (!client.CDDBGetDiskInfo(match, text, kCddbTextCapacity))
            continue;
        TCddbEntry entry = ParseCddbEntry(text, tracks);
        if (result.Choices.empty()) {
            result.mergeDiscFields(entry);
            if (entry.HasTitles()) {
                result.Titles = entry.Titles;
                entry.Artist = result.Artist;
                entry.Album = result.Album;
                entry.Year = result.Year;
                entry.Genre = result.Genre;
                result.Choices.push_back(std::move(entry));
            }
        } else if (entry.HasTitles()) {
            result.Choices.push_back(std::move(entry));
        }
    }
    return result;
}

void TQueryCDDBThread::Execute()
{
    int error = ceNone;
    QString errorText;
    std::optional<TCddbResult> result =
        QueryCddb(m_toc, m_settings, m_timeouts, m_userAgent, &m_stop, &error, &errorText);
    if (m_stop)
        return;
    if (!result)
        finish(cddbNoMatch, {}, error, errorText);
    else
        finish(cddbFinished, std::move(*result), ceNone, {});
}
