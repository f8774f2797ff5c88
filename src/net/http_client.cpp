#include "http_client.h"

#include "curl_handles.h"

#include <QUrl>

#include <algorithm>
#include <thread>

namespace {

constexpr int kPollMs = 50;       // how often a waiting transfer looks at the stop flag
constexpr int kBusyWaitMs = 1000; // wait before asking a busy server again
constexpr int kMaxBusyWaitMs = 10000;
constexpr qint64 kMaxHeaderBytes = 64 * 1024;

struct TransferState {
    QByteArray body;
    qint64 capacity = 0;
    bool overflow = false;
    THttpHeaders headers;
    qint64 headerBytes = 0;
    const std::atomic<bool>* stop = nullptr;

    bool stopped() const { return stop && stop->load(); }
};

size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    const qint64 room = state->capacity - state->body.size();
    if (qint64(bytes) > room) {
        // Keep what fits and end the transfer: the answer is larger than
        // anything we are willing to hold.
        state->body.append(data, qsizetype(std::max<qint64>(room, 0)));
        state->overflow = true;
        return 0;
    }
    state->body.append(data, qsizetype(bytes));
    return bytes;
}

size_t writeHeader(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    state->headerBytes += qint64(bytes);
    if (state->headerBytes > kMaxHeaderBytes)
        return 0;
    const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
    if (line.startsWith("HTTP/")) {
        // A new answer begins (after a 100 Continue or a proxy's CONNECT).
        state->headers.clear();
        return bytes;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0)
        state->headers.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    return bytes;
}

int transferProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<TransferState*>(user)->stopped() ? 1 : 0;
}

bool isWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QString hostLabel(const QUrl& url)
{
    return url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}

bool isRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Sleeps for ms, looking at the stop flag; false when it was set.
bool pause(int ms, const std::atomic<bool>* stop)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (stop && stop->load())
            return false;
        std::this_thread::sleep_for(std::min(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                 end - std::chrono::steady_clock::now()),
                                             std::chrono::milliseconds(20)));
    }
    return !(stop && stop->load());
}

// The wait a 503 answer asks for: its Retry-After seconds, within reason.
int busyWaitMs(const THttpResponse& response)
{
    bool ok = false;
    const int seconds = response.header("Retry-After").trimmed().toInt(&ok);
    if (!ok)
        return kBusyWaitMs;
    return std::clamp(seconds * 1000, kBusyWaitMs, kMaxBusyWaitMs);
}

// Hosts the process may connect to; empty: any. $QUILLON_ALLOWED_HOSTS
// (names separated by ',') sets the first value, for sandboxes and tests.
struct HostRestriction {
    std::mutex mutex;
    QStringList hosts =
        qEnvironmentVariable("QUILLON_ALLOWED_HOSTS").split(QLatin1Char(','), Qt::SkipEmptyParts);
};
HostRestriction& hostRestriction()
{
    static HostRestriction restriction;
    return restriction;
}

bool hostAllowed(const QString& host)
{
    HostRestriction& r = hostRestriction();
    std::lock_guard lock(r.mutex);
    return r.hosts.isEmpty() || r.hosts.contains(host, Qt::CaseInsensitive);
}

THttpResponse failure(THttpError error, const QString& text)
{
    THttpResponse r;
    r.Error = error;
    r.ErrorText = text;
    return r;
}

} // namespace

void EnsureCurlInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QByteArray THttpResponse::header(const QByteArray& name) const
{
    for (const auto& [key, value] : Headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QString UserAgentText(const QString& contact)
{
    QString who = contact.simplified();
    // The text goes into a header line: nothing that could end or bend it.
    who.remove(QLatin1Char('\r'));
    who.remove(QLatin1Char('\n'));
    who.replace(QLatin1Char('('), QLatin1Char('['));
    who.replace(QLatin1Char(')'), QLatin1Char(']'));
    if (who.isEmpty())
        who = QString::fromLatin1(kProgramHomePage);
    return QStringLiteral("Quillon/" QUILLON_VERSION " ( %1 )").arg(who.left(200));
}

QString RateLimitKey(const QString& url)
{
    const QUrl u(url);
    if (!isWebUrl(u))
        return {};
    const int port = u.port(u.scheme().toLower() == QLatin1String("https") ? 443 : 80);
    return QStringLiteral("%1:%2").arg(u.host().toLower()).arg(port);
}

// --- rate limit ---------------------------------------------------------------

THostRateLimit& THostRateLimit::instance()
{
    static THostRateLimit limit;
    return limit;
}

void THostRateLimit::setMinimumInterval(const QString& hostKey, int milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_hosts[hostKey].IntervalMs = std::max(milliseconds, 0);
}

int THostRateLimit::minimumInterval(const QString& hostKey) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_hosts.find(hostKey);
    return it == m_hosts.end() ? 0 : it->second.IntervalMs;
}

bool THostRateLimit::acquire(const QString& hostKey, const std::atomic<bool>* stop)
{
    for (;;) {
        if (stop && stop->load())
            return false;
        {
            std::lock_guard lock(m_mutex);
            Host& host = m_hosts[hostKey];
            const auto now = std::chrono::steady_clock::now();
            if (now >= host.Next) {
                host.Next = now + std::chrono::milliseconds(host.IntervalMs);
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void THostRateLimit::release(const QString& hostKey)
{
    std::lock_guard lock(m_mutex);
    Host& host = m_hosts[hostKey];
    host.Next = std::max(host.Next, std::chrono::steady_clock::now() +
                                        std::chrono::milliseconds(host.IntervalMs));
}

// --- client -------------------------------------------------------------------

void THttpClient::RestrictToHosts(const QStringList& hosts)
{
    HostRestriction& r = hostRestriction();
    std::lock_guard lock(r.mutex);
    r.hosts = hosts;
}

THttpClient::THttpClient(THttpSettings settings, const std::atomic<bool>* stop)
    : m_settings(std::move(settings)), m_stop(stop)
{
    EnsureCurlInitialised();
    if (m_settings.UserAgent.isEmpty())
        m_settings.UserAgent = UserAgentText({});
}

THttpResponse THttpClient::Get(const THttpRequest& request)
{
    QUrl url(request.Url);
    bool retried = false;
    for (int redirects = 0;;) {
        if (!isWebUrl(url))
            return failure(THttpError::BadUrl,
                           QStringLiteral("Not a web address: %1").arg(url.toString().left(200)));
        const QString connectTo = m_settings.UseProxy ? m_settings.ProxyHost.trimmed() : url.host();
        if (!hostAllowed(connectTo))
            return failure(THttpError::BadUrl,
                           QStringLiteral("Connections to %1 are not allowed here").arg(connectTo));
        const QString key = RateLimitKey(url.toString());
        if (!THostRateLimit::instance().acquire(key, m_stop))
            return failure(THttpError::Stopped, QStringLiteral("Stopped"));
        THttpResponse response = transfer(url.toString(QUrl::FullyEncoded), request);
        THostRateLimit::instance().release(key);
        if (!response.transferred())
            return response;
        if (isRedirect(response.Status)) {
            const QByteArray location = response.header("Location");
            if (location.isEmpty())
                return response;
            if (++redirects > m_settings.MaxRedirects)
                return failure(THttpError::TooManyRedirects,
                               QStringLiteral("%1 redirected more than %2 times")
                                   .arg(hostLabel(url))
                                   .arg(m_settings.MaxRedirects));
            const QUrl next = url.resolved(QUrl::fromEncoded(location));
            if (!isWebUrl(next))
                return failure(THttpError::BadUrl,
                               QStringLiteral("%1 redirected to an address that is not http or "
                                              "https")
                                   .arg(hostLabel(url)));
            url = next;
            continue;
        }
        if (response.Status == 503 && request.RetryWhenBusy && !retried) {
            retried = true;
            if (!pause(busyWaitMs(response), m_stop))
                return failure(THttpError::Stopped, QStringLiteral("Stopped"));
            continue;
        }
        response.FinalUrl = url.toString();
        return response;
    }
}

THttpResponse THttpClient::transfer(const QString& url, const THttpRequest& request)
{
    const QString host = hostLabel(QUrl(url));
    CurlEasyPtr easy(curl_easy_init());
    CurlMultiPtr multi(curl_multi_init());
    if (!easy || !multi)
        return failure(THttpError::Network,
                       QStringLiteral("The network library could not be initialised"));
    TransferState state;
    state.capacity = std::max<qint64>(request.MaxBytes, 0);
    state.stop = m_stop;

    const QByteArray urlBytes = url.toUtf8();
    const QByteArray agent = m_settings.UserAgent.toUtf8();
    const QByteArray proxy =
        m_settings.UseProxy ? m_settings.ProxyHost.trimmed().toUtf8() : QByteArray();
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.Headers) {
        const QByteArray line = name + ": " + value;
        if (!line.contains('\r') && !line.contains('\n'))
            headers = curl_slist_append(headers, line.constData());
    }
    CurlSlistPtr headerList(headers);

    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed by Get(), one checked step at a time.
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(m_settings.ConnectMs));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(m_settings.TransferMs));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, writeHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, transferProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    // The proxy comes from our settings only; an empty text also keeps
    // libcurl from taking one from the environment.
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.constData());
    if (m_settings.UseProxy) {
        curl_easy_setopt(h, CURLOPT_PROXYTYPE, long(CURLPROXY_HTTP));
        curl_easy_setopt(h, CURLOPT_PROXYPORT, long(m_settings.ProxyPort));
        curl_easy_setopt(h, CURLOPT_NOPROXY, "");
    }

    CURLcode result = CURLE_OK;
    {
        CurlMultiAttachment attached(multi.get(), h);
        if (!attached.ok())
            return failure(THttpError::Network,
                           QStringLiteral("The network library could not start the transfer"));
        int running = 1;
        while (running) {
            if (state.stopped())
                return failure(THttpError::Stopped, QStringLiteral("Stopped"));
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
                break;
            if (running)
                curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
        }
        int queued = 0;
        result = CURLE_RECV_ERROR;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == h)
                result = msg->data.result;
        }
    }

    if (state.stopped() || result == CURLE_ABORTED_BY_CALLBACK)
        return failure(THttpError::Stopped, QStringLiteral("Stopped"));
    THttpResponse response;
    if (state.overflow && result == CURLE_WRITE_ERROR) {
        if (!request.KeepTruncated)
            return failure(THttpError::TooLarge,
                           QStringLiteral("The answer of %1 is larger than %2 bytes")
                               .arg(host)
                               .arg(request.MaxBytes));
        response.Truncated = true;
        result = CURLE_OK;
    }
    if (result == CURLE_OPERATION_TIMEDOUT)
        return failure(THttpError::Timeout, QStringLiteral("%1 did not answer in time").arg(host));
    if (result != CURLE_OK)
        return failure(THttpError::Network,
                       QStringLiteral("Cannot reach %1: %2")
                           .arg(host, QString::fromUtf8(curl_easy_strerror(result))));
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.Status);
    response.Headers = std::move(state.headers);
    response.Body = std::move(state.body);
    response.FinalUrl = url;
    return response;
}
