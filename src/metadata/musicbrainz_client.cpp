#include "musicbrainz_client.h"

#include "disc_ids.h"
#include "musicbrainz_answer.h"

#include <QUrl>

namespace {

constexpr qint64 kMaxAnswerBytes = 8 * 1024 * 1024;
constexpr qint64 kMaxCoverBytes = 16 * 1024 * 1024;

const char kIncludes[] = "inc=recordings+artist-credits+labels+release-groups+isrcs&fmt=json";

QString statusProblem(long status)
{
    switch (status) {
    case 400:
        return QStringLiteral("MusicBrainz did not accept the disc id (HTTP 400)");
    case 403:
        return QStringLiteral("MusicBrainz refused the request (HTTP 403)");
    case 503:
        return QStringLiteral("MusicBrainz is busy (HTTP 503); try again in a moment");
    default:
        return QStringLiteral("MusicBrainz answered with HTTP status %1").arg(status);
    }
}

bool isImage(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF") || bytes.startsWith("\x89PNG\r\n\x1A\n");
}

bool isReleaseId(const QString& id)
{
    if (id.size() != 36)
        return false;
    for (QChar c : id) {
        if (!(c.isDigit() || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
              c == QLatin1Char('-')))
            return false;
    }
    return true;
}

} // namespace

QString ServiceBaseUrl(const QString& setting)
{
    QString base = setting.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const QUrl url(base);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || url.hasQuery() || url.hasFragment() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return base;
}

TMusicBrainzClient::TMusicBrainzClient(const THttpSettings& http, const QString& server,
                                       const std::atomic<bool>* stop)
    : m_http(http, stop), m_server(ServiceBaseUrl(server))
{
    if (!m_server.isEmpty())
        THostRateLimit::instance().setMinimumInterval(RateLimitKey(m_server),
                                                      kMusicBrainzIntervalMs);
}

THttpResponse TMusicBrainzClient::get(const QString& url, qint64 maxBytes)
{
    THttpRequest request;
    request.Url = url;
    request.Headers = {{"Accept", "application/json"}};
    request.MaxBytes = maxBytes;
    request.RetryWhenBusy = true;
    return m_http.Get(request);
}

TSourceAnswer TMusicBrainzClient::LookupDisc(const TTOC& toc)
{
    TSourceAnswer answer;
    if (m_server.isEmpty()) {
        answer.Problem = QStringLiteral("The MusicBrainz server setting is not a web address");
        return answer;
    }
    const std::optional<TDiscIds> ids = DiscIdsOf(toc);
    if (!ids) {
        answer.Problem = QStringLiteral("The disc has no audio tracks to look up");
        return answer;
    }
    const QString base = m_server + QStringLiteral("/ws/2/discid/") + ids->MusicBrainz +
                         QLatin1Char('?') + QLatin1String(kIncludes);
    THttpResponse response = get(base, kMaxAnswerBytes);
    if (response.transferred() && response.Status == 404)
        response =
            get(base + QStringLiteral("&cdstubs=no&toc=") + ids->TocArgument, kMaxAnswerBytes);
    if (!response.transferred()) {
        answer.Problem = QStringLiteral("MusicBrainz: %1").arg(response.ErrorText);
        return answer;
    }
    if (response.Status == 404)
        return answer; // unknown disc: no candidates, no problem
    if (response.Status != 200) {
        answer.Problem = statusProblem(response.Status);
        return answer;
    }
    TMusicBrainzAnswer parsed =
        ParseMusicBrainzDiscAnswer(response.Body, ids->MusicBrainz, ids->AudioTracks);
    if (!parsed.Ok) {
        answer.Problem = parsed.Error;
        return answer;
    }
    answer.Candidates = std::move(parsed.Candidates);
    return answer;
}

QByteArray TMusicBrainzClient::FetchFrontCover(const QString& coverServer, const QString& releaseId,
                                               QString* problem)
{
    const auto say = [problem](const QString& text) {
        if (problem)
            *problem = text;
        return QByteArray();
    };
    say({});
    const QString base = ServiceBaseUrl(coverServer);
    if (base.isEmpty())
        return say(QStringLiteral("The cover art server setting is not a web address"));
    if (!isReleaseId(releaseId))
        return say(QStringLiteral("No MusicBrainz release to fetch a cover for"));
    THttpRequest request;
    request.Url = base + QStringLiteral("/release/") + releaseId + QStringLiteral("/front-500");
    request.MaxBytes = kMaxCoverBytes;
    request.RetryWhenBusy = true;
    const THttpResponse response = m_http.Get(request);
    if (!response.transferred())
        return say(QStringLiteral("Cover art: %1").arg(response.ErrorText));
    if (response.Status == 404)
        return {};
    if (response.Status != 200)
        return say(QStringLiteral("The cover art server answered with HTTP status %1")
                       .arg(response.Status));
    if (!isImage(response.Body))
        return say(QStringLiteral("The cover art server sent something that is no JPEG or PNG "
                                  "picture"));
    return response.Body;
}
