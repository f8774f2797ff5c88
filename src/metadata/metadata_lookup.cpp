#include "metadata_lookup.h"

#include "cddb/query_cddb_thread.h"
#include "disc_ids.h"
#include "musicbrainz_client.h"
#include "source_candidates.h"

#include <algorithm>

namespace {

bool isWebSource(TMetadataSource source)
{
    return source != TMetadataSource::CdText;
}

int audioRows(const TTOC& toc)
{
    const std::optional<TDiscIds> ids = DiscIdsOf(toc);
    return ids ? ids->AudioTracks : toc.TrackCount();
}

} // namespace

TLookupSettings LookupSettingsFrom(const TOptionsSetting& options)
{
    TLookupSettings s;
    const TQueryCDDB& cddb = options.QueryCDDB;
    s.Http.UseProxy = cddb.UseProxy;
    s.Http.ProxyHost = cddb.ProxyAddress;
    bool ok = false;
    s.Http.ProxyPort = cddb.Port.trimmed().toInt(&ok);
    if (!ok)
        s.Http.ProxyPort = 80;
    s.Http.UserAgent = UserAgentText(options.MusicBrainz.Contact);
    s.MusicBrainzServer = options.MusicBrainz.Server;
    s.CoverArtServer = options.MusicBrainz.CoverArtServer;
    s.Cddb = cddb;
    return s;
}

std::optional<std::vector<TMetadataSource>> ParseMetadataSources(const QString& text,
                                                                 QString* error)
{
    std::vector<TMetadataSource> sources;
    for (const QString& raw : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = raw.trimmed().toLower();
        std::optional<TMetadataSource> source;
        for (TMetadataSource s :
             {TMetadataSource::MusicBrainz, TMetadataSource::CdText, TMetadataSource::Cddb}) {
            if (name == MetadataSourceName(s))
                source = s;
        }
        if (!source) {
            if (error)
                *error = QStringLiteral("unknown title source '%1' (use musicbrainz, cdtext or "
                                        "cddb)")
                             .arg(name);
            return std::nullopt;
        }
        if (std::find(sources.begin(), sources.end(), *source) == sources.end())
            sources.push_back(*source);
    }
    if (sources.empty()) {
        if (error)
            *error = QStringLiteral("no title source given");
        return std::nullopt;
    }
    return sources;
}

TMetadataLookup::TMetadataLookup(TLookupSettings settings, const std::atomic<bool>* stop)
    : m_settings(std::move(settings)), m_stop(stop)
{}

TLookupResult TMetadataLookup::Run(const TTOC& toc, const std::optional<TCdText>& cdText,
                                   const std::vector<TMetadataSource>& sources)
{
    TLookupResult result;
    const int rows = audioRows(toc);
    for (TMetadataSource source : sources) {
        if (stopped())
            break;
        if (isWebSource(source) && !result.Candidates.empty())
            continue;
        std::vector<TDiscCandidate> found;
        switch (source) {
        case TMetadataSource::MusicBrainz: {
            TMusicBrainzClient client(m_settings.Http, m_settings.MusicBrainzServer, m_stop);
            TSourceAnswer answer = client.LookupDisc(toc);
            if (!answer.Problem.isEmpty())
                result.Problems << answer.Problem;
            found = std::move(answer.Candidates);
            break;
        }
        case TMetadataSource::CdText:
            if (cdText && !cdText->isEmpty())
                found.push_back(CdTextCandidate(*cdText, rows));
            break;
        case TMetadataSource::Cddb: {
            int error = 0;
            QString errorText;
            const TCddbTimeouts timeouts{m_settings.Http.ConnectMs, m_settings.Http.TransferMs};
            const std::optional<TCddbResult> cddb =
                QueryCddb(toc, m_settings.Cddb, timeouts, m_settings.Http.UserAgent, m_stop, &error,
                          &errorText);
            // "202 no match" is an answer, not a failure.
            if (!cddb && error != 202 && error != ceStopped && !errorText.isEmpty())
                result.Problems << QStringLiteral("CDDB: %1").arg(errorText);
            if (cddb) {
                for (const TCddbEntry& entry : cddb->Choices)
                    found.push_back(CddbCandidate(entry, toc.TrackCount()));
            }
            break;
        }
        }
        for (TDiscCandidate& c : found) {
            // Releases of one source are all offered, however alike; another
            // source saying the same adds nothing to choose.
            const bool repeated = std::any_of(
                result.Candidates.begin(), result.Candidates.end(),
                [&](const TDiscCandidate& e) { return e.Source != c.Source && e.sameTitlesAs(c); });
            if (!repeated)
                result.Candidates.push_back(std::move(c));
        }
    }
    if (stopped())
        return {};
    return result;
}

TLookupResult TMetadataLookup::FetchFrontCover(const QString& releaseId)
{
    TLookupResult result;
    TMusicBrainzClient client(m_settings.Http, m_settings.MusicBrainzServer, m_stop);
    QString problem;
    result.FrontCover = client.FetchFrontCover(m_settings.CoverArtServer, releaseId, &problem);
    if (!problem.isEmpty())
        result.Problems << problem;
    return result;
}
