#include "verify/database_fetch.h"

#include <type_traits>

namespace {

using Outcome = TDatabaseLookup::Outcome;

TDatabaseLookup failed(const QString& why)
{
    return {Outcome::Failed, why};
}

// Gets url and parses a 200 answer into *out; parse returns nothing, with
// its error set, for an answer it refuses and sets *empty when the answer
// knows nothing of the disc. A 404 means the same for AccurateRip only (the
// CTDB answers every lookup).
template <typename Answer, typename Parse>
TDatabaseLookup fetch(THttpClient& http, const QString& url, qint64 maxBytes,
                      bool notFoundMeansUnknown, Parse parse, Answer* out)
{
    THttpRequest request;
    request.Url = url;
    request.MaxBytes = maxBytes;
    const THttpResponse response = http.Get(request);
    if (!response.transferred())
        return failed(response.ErrorText);
    if (response.Status == 404 && notFoundMeansUnknown)
        return {Outcome::NotInDatabase, {}};
    if (response.Status != 200)
        return failed(
            QStringLiteral("the server answered with HTTP status %1").arg(response.Status));
    QString error;
    std::optional<Answer> parsed = parse(response.Body, &error);
    if (!parsed)
        return failed(error);
    bool empty = false;
    if constexpr (std::is_same_v<Answer, TAccurateRipAnswer>)
        empty = parsed->Records.empty();
    else
        empty = parsed->empty();
    if (empty)
        return {Outcome::NotInDatabase, {}};
    if (out)
        *out = std::move(*parsed);
    return {Outcome::Found, {}};
}

} // namespace

TDatabaseLookup FetchAccurateRip(THttpClient& http, const QString& server,
                                 const TAccurateRipDiscId& id, TAccurateRipAnswer* answer)
{
    if (!id.isValid())
        return failed(QStringLiteral("the disc has no audio tracks"));
    return fetch(
        http, AccurateRipUrl(server, id), kMaxAccurateRipBytes, true,
        [&id](const QByteArray& body, QString* error) {
            return ParseAccurateRipAnswer(body, id, error);
        },
        answer);
}

TDatabaseLookup FetchCtdb(THttpClient& http, const QString& server, const TTOC& toc,
                          std::vector<TCtdbEntry>* entries)
{
    if (CtdbTocText(toc).isEmpty())
        return failed(QStringLiteral("the disc has no tracks"));
    return fetch(http, CtdbLookupUrl(server, toc), kMaxCtdbBytes, false, ParseCtdbAnswer, entries);
}

TDatabaseAnswers FetchDatabaseAnswers(const TVerifySettings& settings, const TTOC& toc,
                                      const std::atomic<bool>* stop)
{
    TDatabaseAnswers answers;
    answers.AccurateRipId = AccurateRipDiscIdOf(toc);
    answers.CtdbToc = CtdbTocText(toc);
    THttpClient http(settings.Http, stop);
    if (settings.AccurateRip)
        answers.AccurateRip = FetchAccurateRip(http, settings.AccurateRipServer,
                                               answers.AccurateRipId, &answers.AccurateRipAnswer);
    if (settings.Ctdb)
        answers.Ctdb = FetchCtdb(http, settings.CtdbServer, toc, &answers.CtdbEntries);
    return answers;
}
