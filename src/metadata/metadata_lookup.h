#pragma once
// The lookup chain: asks the sources of [Lookup] Sources in their order and
// gathers their candidates, so that the windows and the command line offer
// the same choice.
//
// A web source (MusicBrainz, CDDB) is asked only while no earlier source has
// found anything; the disc's own CD-Text costs nothing and is always read
// when it is in the list, and it is left out when it says what an earlier
// candidate says. A source that fails adds one line to Problems and the chain
// goes on.
//
// Threads: Run() blocks and belongs on a worker thread; the stop flag may be
// set from any thread.

#include "cdaccess/cd_access.h"
#include "cddb/cddb_client.h"
#include "disc_candidate.h"
#include "net/http_client.h"
#include "settings/options_setting.h"

#include <QStringList>

#include <atomic>
#include <optional>
#include <vector>

struct TLookupSettings {
    THttpSettings Http; // time-outs, proxy, User-Agent
    QString MusicBrainzServer;
    QString CoverArtServer;
    TQueryCDDB Cddb;
};

// The lookup settings of the settings record.
TLookupSettings LookupSettingsFrom(const TOptionsSetting& options);

// "musicbrainz,cdtext,cddb" as sources, in order and without repeats;
// nothing (and error) for an unknown name or an empty list.
std::optional<std::vector<TMetadataSource>> ParseMetadataSources(const QString& text,
                                                                 QString* error);

struct TLookupResult {
    std::vector<TDiscCandidate> Candidates;
    QStringList Problems;
    QByteArray FrontCover; // of a cover fetch
};

class TMetadataLookup {
public:
    explicit TMetadataLookup(TLookupSettings settings, const std::atomic<bool>* stop = nullptr);

    // cdText: the disc's CD-Text, when it has one.
    TLookupResult Run(const TTOC& toc, const std::optional<TCdText>& cdText,
                      const std::vector<TMetadataSource>& sources);

    // The front cover of a MusicBrainz release (empty when it has none).
    TLookupResult FetchFrontCover(const QString& releaseId);

private:
    bool stopped() const { return m_stop && m_stop->load(); }

    TLookupSettings m_settings;
    const std::atomic<bool>* m_stop;
};
