#include "cddb_client.h"

#include "cddb_disc_id.h"
#include "curl_handles.h"

#include <QUrl>

#include <algorithm>
#include <mutex>

namespace {

constexpr int kPollMs = 50; // how often a waiting transfer looks at the stop flag

struct TransferState {
    QByteArray body;
    int capacity = 0;
    bool truncated = false;
    const std::atomic<bool>* stop = nullptr;

    bool stopped() const { return stop && stop->load(); }
};

size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<TransferState*>(user);
    const size_t bytes = size * count;
    const qsizetype room = state->capacity - state->body.size();
    if (qsizetype(bytes) > room) {
        // Keep what fits and end the transfer: the answer is longer than any
        // entry we are willing to hold.
        state->body.append(data, room);
        state->truncated = true;
        return 0;
    }
    state->body.append(data, qsizetype(bytes));
    return bytes;
}

int transferProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<TransferState*>(user)->stopped() ? 1 : 0;
}

bool isHostText(const QString& s)
{
    if (s.isEmpty() || s.size() > 255)
        return false;
    for (QChar c : s) {
        if (!c.isLetterOrNumber() && QStringLiteral(".-_:[]").indexOf(c) < 0)
            return false;
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

bool isScriptText(const QString& s)
{
    if (!s.startsWith(QLatin1Char('/')) || s.size() > 1024)
        return false;
    for (QChar c : s) {
        if (c.unicode() > 0x7F || (!c.isLetterOrNumber() && QStringLiteral("/~._-").indexOf(c) < 0))
            return false;
    }
    return true;
}

// One word of the greeting: no '+' or spaces (they separate the words), the
// rest percent-encoded.
QByteArray helloWord(QString word, const char* fallback)
{
    word = word.trimmed();
    word.replace(QLatin1Char(' '), QLatin1Char('_'));
    word.replace(QLatin1Char('+'), QLatin1Char('_'));
    if (word.isEmpty())
        return fallback;
    return QUrl::toPercentEncoding(word);
}

} // namespace

void EnsureCurlInitialised()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

const QStringList& CddbServerHosts()
{
    static const QStringList hosts = {
        kCddbDefaultServer,
        QStringLiteral("at.freedb.org"),
        QStringLiteral("au.freedb.org"),
        QStringLiteral("ca.freedb.org"),
        QStringLiteral("de.freedb.org"),
        QStringLiteral("es.freedb.org"),
        QStringLiteral("fi.freedb.org"),
        QStringLiteral("ru.freedb.org"),
        QStringLiteral("no.freedb.org"),
        QStringLiteral("uk.freedb.org"),
        QStringLiteral("us.freedb.org"),
        QStringLiteral("gnudb.org"),
    };
    return hosts;
}

TCddbClient::TCddbClient(const std::atomic<bool>* stop) : m_stop(stop)
{
    EnsureCurlInitialised();
}

bool TCddbClient::CDDBSetOption(int option, const QString& text, int number)
{
    switch (option) {
    case cddbServer:
        m_server = text.trimmed();
        return true;
    case cddbProxyHost:
        m_proxyHost = text.trimmed();
        return true;
    case cddbUseProxy:
        m_useProxy = number != 0;
        return true;
    case cddbClient:
        m_client = text;
        return true;
    case cddbUser:
        m_user = text;
        return true;
    case cddbProxyPort:
        m_proxyPort = number;
        return true;
    case cddbScript:
        m_script = text.trimmed();
        return true;
    case cddbReserved:
        return true;
    default:
        return false;
    }
}

void TCddbClient::fail(int code, const QString& text)
{
    m_error = code;
    m_errorText = text;
}

QString TCddbClient::commandUrl(const QString& command)
{
    QString host = m_server;
    if (host.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        host = host.mid(7);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    if (!isHostText(host)) {
        fail(ceBadRequest, QStringLiteral("Invalid CDDB server name: %1").arg(m_server.left(100)));
        return {};
    }
    QString script = m_script.isEmpty() ? kCddbDefaultScript : m_script;
    if (!script.startsWith(QLatin1Char('/')))
        script.prepend(QLatin1Char('/'));
    if (!isScriptText(script)) {
        fail(ceBadRequest, QStringLiteral("Invalid CDDB script path: %1").arg(m_script.left(100)));
        return {};
    }
    const qsizetype at = m_user.indexOf(QLatin1Char('@'));
    const QString user = at < 0 ? m_user : m_user.left(at);
    const QString userHost = at < 0 ? QString() : m_user.mid(at + 1);
    const QString client = m_client.trimmed();
    const qsizetype space = client.indexOf(QLatin1Char(' '));
    const QString clientName = space < 0 ? client : client.left(space);
    const QString clientVersion = space < 0 ? QString() : client.mid(space + 1);

    const QByteArray hello = helloWord(user, "user") + '+' + helloWord(userHost, "localhost") +
                             '+' + helloWord(clientName, "Quillon") + '+' +
                             helloWord(clientVersion, "1.0");
    return QStringLiteral("http://") + host + script + QStringLiteral("?cmd=") + command +
           QStringLiteral("&hello=") + QString::fromLatin1(hello) + QStringLiteral("&proto=6");
}

bool TCddbClient::fetch(const QString& command, int capacity, QByteArray& body)
{
    const QString url = commandUrl(command);
    if (url.isEmpty())
        return false;
    if (m_useProxy && !isHostText(m_proxyHost)) {
        fail(ceBadRequest,
             QStringLiteral("Invalid proxy server name: %1").arg(m_proxyHost.left(100)));
        return false;
    }

    CurlEasyPtr easy(curl_easy_init());
    CurlMultiPtr multi(curl_multi_init());
    if (!easy || !multi) {
        fail(ceNetwork, QStringLiteral("The network library could not be initialised"));
        return false;
    }
    TransferState state;
    state.capacity = std::max(capacity, 0);
    state.stop = m_stop;

    const QByteArray urlBytes = url.toUtf8();
    const QByteArray agent = QByteArrayLiteral("Quillon/" QUILLON_VERSION);
    const QByteArray proxy = m_useProxy ? m_proxyHost.toUtf8() : QByteArray();
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(m_timeouts.ConnectMs));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(m_timeouts.TransferMs));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, transferProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    // The proxy comes from our settings only; an empty text also keeps
    // libcurl from taking one from the environment.
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.constData());
    if (m_useProxy) {
        curl_easy_setopt(h, CURLOPT_PROXYTYPE, long(CURLPROXY_HTTP));
        curl_easy_setopt(h, CURLOPT_PROXYPORT, long(m_proxyPort));
        curl_easy_setopt(h, CURLOPT_NOPROXY, "");
    }

    CURLcode result = CURLE_OK;
    {
        CurlMultiAttachment attached(multi.get(), h);
        if (!attached.ok()) {
            fail(ceNetwork, QStringLiteral("The network library could not start the transfer"));
            return false;
        }
        int running = 1;
        while (running) {
            if (state.stopped()) {
                fail(ceStopped, QStringLiteral("Stopped"));
                return false;
            }
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

    if (state.stopped() || result == CURLE_ABORTED_BY_CALLBACK) {
        fail(ceStopped, QStringLiteral("Stopped"));
        return false;
    }
    if (state.truncated && result == CURLE_WRITE_ERROR) {
        // Keep the complete lines of an over-long answer.
        const qsizetype lastBreak = state.body.lastIndexOf('\n');
        state.body.truncate(lastBreak < 0 ? 0 : lastBreak + 1);
        result = CURLE_OK;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        fail(ceTimeout, QStringLiteral("The CDDB server did not answer in time"));
        return false;
    }
    if (result != CURLE_OK) {
        fail(ceNetwork,
             QStringLiteral("CDDB server: %1").arg(QString::fromUtf8(curl_easy_strerror(result))));
        return false;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        fail(ceNetwork, QStringLiteral("The CDDB server answered with HTTP status %1").arg(status));
        return false;
    }
    body = std::move(state.body);
    return true;
}

bool TCddbClient::CDDBQuery(const TTOC& toc, std::vector<TCddbMatch>& matches, int capacity)
{
    matches.clear();
    fail(ceNone, {});
    const QString arguments = CddbQueryArguments(toc);
    if (arguments.isEmpty()) {
        fail(ceBadRequest, QStringLiteral("The table of contents cannot be looked up"));
        return false;
    }
    QByteArray body;
    if (!fetch(QStringLiteral("cddb+query+") + arguments, kCddbTextCapacity, body))
        return false;
    TCddbQueryAnswer answer = ParseCddbQueryAnswer(QString::fromUtf8(body), capacity);
    switch (answer.Kind) {
    case TCddbAnswerKind::Bad:
        fail(ceBadAnswer, QStringLiteral("The server's answer is not a CDDB answer"));
        return false;
    case TCddbAnswerKind::NoMatch:
        fail(answer.Code, answer.Message);
        return true;
    case TCddbAnswerKind::Matches:
        matches = std::move(answer.Matches);
        return true;
    }
    return false;
}

bool TCddbClient::CDDBGetDiskInfo(const TCddbMatch& match, QString& text, int capacity)
{
    text.clear();
    fail(ceNone, {});
    // The match may not come from our parser: its words go into the URL.
    const auto isWord = [](const QString& w) {
        return !w.isEmpty() && w.size() <= 32 && std::all_of(w.begin(), w.end(), [](QChar c) {
            return c.unicode() < 0x80 && c.isLetterOrNumber();
        });
    };
    if (!isWord(match.Category) || !isWord(match.DiscId)) {
        fail(ceBadRequest, QStringLiteral("Invalid CDDB match"));
        return false;
    }
    QByteArray body;
    if (!fetch(QStringLiteral("cddb+read+%1+%2").arg(match.Category, match.DiscId), capacity, body))
        return false;
    TCddbReadAnswer answer = ParseCddbReadAnswer(QString::fromUtf8(body));
    if (!answer.Ok) {
        fail(answer.Code != 0 ? answer.Code : ceBadAnswer,
             answer.Code != 0 ? answer.Message
                              : QStringLiteral("The server's answer is not a CDDB answer"));
        return false;
    }
    text = std::move(answer.Text);
    return true;
}
