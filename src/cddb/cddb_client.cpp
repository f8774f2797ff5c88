#include "cddb_client.h"

#include "cddb_disc_id.h"
#include "net/http_client.h"

#include <QUrl>

#include <algorithm>

namespace {

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

QString CddbServerLineText(int code, const QString& line)
{
    // Servers that want registered programs answer every command with
    // "500 Unknown developer email for <client> <version>".
    if (code == 500 && line.contains(QLatin1String("developer"), Qt::CaseInsensitive))
        return QStringLiteral("The CDDB server accepts only registered programs; MusicBrainz "
                              "needs no registration (the server said: %1)")
            .arg(line);
    return line;
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

TCddbClient::TCddbClient(const std::atomic<bool>* stop) : m_stop(stop) {}

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
    THttpSettings settings;
    settings.ConnectMs = m_timeouts.ConnectMs;
    settings.TransferMs = m_timeouts.TransferMs;
    settings.UseProxy = m_useProxy;
    settings.ProxyHost = m_proxyHost;
    settings.ProxyPort = m_proxyPort;
    settings.UserAgent = m_userAgent;
    THttpRequest request;
    request.Url = url;
    request.MaxBytes = std::max(capacity, 0);
    request.KeepTruncated = true;
    THttpResponse response = THttpClient(settings, m_stop).Get(request);
    switch (response.Error) {
    case THttpError::None:
        break;
    case THttpError::Stopped:
        fail(ceStopped, QStringLiteral("Stopped"));
        return false;
    case THttpError::Timeout:
        fail(ceTimeout, QStringLiteral("The CDDB server did not answer in time"));
        return false;
    default:
        fail(ceNetwork, QStringLiteral("CDDB server: %1").arg(response.ErrorText));
        return false;
    }
    if (response.Status != 200) {
        fail(ceNetwork,
             QStringLiteral("The CDDB server answered with HTTP status %1").arg(response.Status));
        return false;
    }
    if (response.Truncated) {
        // Keep the complete lines of an over-long answer.
        const qsizetype lastBreak = response.Body.lastIndexOf('\n');
        response.Body.truncate(lastBreak < 0 ? 0 : lastBreak + 1);
    }
    body = std::move(response.Body);
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
        fail(answer.Code, CddbServerLineText(answer.Code, answer.Message));
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
             answer.Code != 0 ? CddbServerLineText(answer.Code, answer.Message)
                              : QStringLiteral("The server's answer is not a CDDB answer"));
        return false;
    }
    text = std::move(answer.Text);
    return true;
}
