#pragma once
// MusicBrainz and its cover archive over the program's HTTP client.
//
// A disc is looked up by its disc id; when MusicBrainz does not know the id,
// once more with the table of contents for a match by durations. Requests to
// the MusicBrainz server are spaced by at least a second for the whole
// process, and a busy server (503) is asked once more after a wait.
//
// Threads: one object per thread; the stop flag may be set from any thread.

#include "cdaccess/cd_access.h"
#include "disc_candidate.h"
#include "net/http_client.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <vector>

// Minimum time between two requests to the MusicBrainz server.
constexpr int kMusicBrainzIntervalMs = 1000;

struct TSourceAnswer {
    std::vector<TDiscCandidate> Candidates;
    QString Problem; // why the source gave nothing usable; empty when it simply knew nothing
};

class TMusicBrainzClient {
public:
    TMusicBrainzClient(const THttpSettings& http, const QString& server,
                       const std::atomic<bool>* stop = nullptr);

    // The candidates MusicBrainz has for the disc.
    TSourceAnswer LookupDisc(const TTOC& toc);

    // The front cover of a release (at most 500 pixels) from the cover
    // archive at coverServer: JPEG or PNG bytes, or empty with problem set
    // (empty problem: the release has no front cover).
    QByteArray FetchFrontCover(const QString& coverServer, const QString& releaseId,
                               QString* problem);

private:
    THttpResponse get(const QString& url, qint64 maxBytes);

    THttpClient m_http;
    QString m_server;
};

// The address of a server setting without trailing slashes; empty when it is
// no http or https address.
QString ServiceBaseUrl(const QString& setting);
