#include "verify/database_fetch.h"

namespace {

using Outcome = TDatabaseLookup::Outcome;

TDatabaseLookup failed(const QString& why)
{
    return {Outcome::Failed, why};
}

// The body of a 200 answer; nothing, with *result set, for any other.
std::optional<QByteArray> bodyOf(const THttpResponse& response, bool notFoundMeansUnknown,
                                 TDatabaseLookup* result)
{
    if (!response.transferred())
        *result = failed(response.ErrorText);
    else if (response.Status == 404 && notFoundMeansUnknown)
        *result = {Outcome::NotInDatabase, {}};
    else if (response.Status != 200)
        *result =
            failed(QStringLiteral("the server answered with HTTP status %1").arg(response.Status));
    else
        return response.Body;
    return std::nullopt;
}

} // namespace

TDatabaseLookup FetchAccurateRip(THttpClient& http, const QString& server,
                                 const TAccurateRipDiscId& id, TAccurateRipAnswer* answer)
{
    if (!id.isValid())
        return failed(QStringLiteral("the disc has no audio tracks"));
    THttpRequest request;
    request.Url = AccurateRipUrl(server, id);
    request.MaxBytes = kMaxAccurateRipBytes;
    TDatabaseLookup result;
    const std::optional<QByteArray> body = bodyOf(http.Get(request), true, &result);
    if (!body)
        return result;
    QString error;
    std::optional<TAccurateRipAnswer> parsed = ParseAccurateRipAnswer(*body, id, &error);
    if (!parsed)
        return failed(error);
    if (parsed->Records.empty())
        return {Outcome::NotInDatabase, {}};
    if (answer)
        *answer = std::move(*parsed);
    return {Outcome::Found, {}};
}

TDatabaseLookup FetchCtdb(THttpClient& http, const QString& server, const TTOC& toc,
                          std::vector<TCtdbEntry>* entries)
{
    if (CtdbTocText(toc).isEmpty())
        return failed(QStringLiteral("the disc has no tracks"));
    THttpRequest request;
    request.Url = CtdbLookupUrl(server, toc);
    request.MaxBytes = kMaxCtdbBytes;
    TDatabaseLookup result;
    const std::optional<QByteArray> body = bodyOf(http.Get(request), false, &result);
    if (!body)
        return result;
    QString error;
    std::optional<std::vector<TCtdbEntry>> parsed = ParseCtdbAnswer(*body, &error);
    if (!parsed)
        return failed(error);
    if (parsed->empty())
        return {Outcome::NotInDatabase, {}};
    if (entries)
        *entries = std::move(*parsed);
    return {Outcome::Found, {}};
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
