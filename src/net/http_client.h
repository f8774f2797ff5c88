#pragma once
// The one HTTP client every web service of the program goes through (CDDB,
// MusicBrainz, the cover archive, and whatever comes later). It owns the
// rules that must hold for all of them:
//
// - only http and https, for the first request and for every redirect;
//   at most MaxRedirects redirects, each one checked and rate-limited like a
//   request of its own;
// - a connect time-out and a time-out for the whole transfer;
// - an answer larger than the request's MaxBytes is cut there (and, unless
//   the request keeps the start, refused);
// - the proxy comes from the settings only, never from the environment;
// - the User-Agent names the program, its version and a contact;
// - requests to one host are spaced by that host's minimum interval, for the
//   whole process (see THostRateLimit);
// - a 503 ("busy, come back later") can be retried once after a wait.
//
// Every answer is untrusted: callers get status, headers and bytes, never a
// parsed guess.
//
// Threads: one object is used by one thread at a time; any number of objects
// may exist on different threads. The stop flag may be set from any thread:
// a transfer or a wait in progress is then abandoned within a few tens of
// milliseconds and the call ends with THttpError::Stopped.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

// The program's home page: the contact a User-Agent names when the user gave none.
inline constexpr char kProgramHomePage[] = "https://quillon.example.org/";

using THttpHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

struct THttpSettings {
    int ConnectMs = 10000;
    int TransferMs = 30000;
    int MaxRedirects = 5;
    bool UseProxy = false;
    QString ProxyHost;
    int ProxyPort = 80;
    QString UserAgent; // empty: UserAgentText({})
};

struct THttpRequest {
    QString Url;
    THttpHeaders Headers; // extra request headers
    qint64 MaxBytes = 1 << 20;
    bool KeepTruncated = false; // an answer over MaxBytes keeps its start
    bool RetryWhenBusy = false; // a 503 is asked once more after a wait
};

enum class THttpError {
    None,
    BadUrl,   // not an http/https address, or a redirect to one that is not
    Network,  // no connection, a broken transfer
    Timeout,  // the connect or transfer time-out passed
    Stopped,  // the stop flag was set
    TooLarge, // the answer is larger than MaxBytes
    TooManyRedirects,
};

struct THttpResponse {
    THttpError Error = THttpError::None;
    QString ErrorText; // readable, names the host; empty without an error
    long Status = 0;   // of the last answer
    THttpHeaders Headers;
    QByteArray Body;
    bool Truncated = false; // cut at MaxBytes (only with KeepTruncated)
    QString FinalUrl;       // after redirects

    // The value of a header of the last answer (name without regard to case).
    QByteArray header(const QByteArray& name) const;
    bool transferred() const { return Error == THttpError::None; }
};

// "Quillon/<version> ( <contact> )"; the program's home page when contact is
// empty.
QString UserAgentText(const QString& contact);

// The host of an address as the rate limit keys it: "host:port" (the
// scheme's port when none is given); empty for an unusable address.
QString RateLimitKey(const QString& url);

// The minimum time between the starts of two requests to one host, shared by
// every client of the process. A request also waits that long after the end
// of the previous one, so that a slow answer never lets two requests through
// back to back.
class THostRateLimit {
public:
    static THostRateLimit& instance();
    // Sets (0: clears) the minimum interval for a host key.
    void setMinimumInterval(const QString& hostKey, int milliseconds);
    int minimumInterval(const QString& hostKey) const;
    // Waits until a request to hostKey may start and reserves that start.
    // False, without a reservation, when stop was set meanwhile.
    bool acquire(const QString& hostKey, const std::atomic<bool>* stop);
    // Marks the end of a request started by acquire().
    void release(const QString& hostKey);

private:
    THostRateLimit() = default;
    struct Host {
        int IntervalMs = 0;
        std::chrono::steady_clock::time_point Next; // earliest next start
    };
    mutable std::mutex m_mutex;
    std::map<QString, Host> m_hosts;
};

class THttpClient {
public:
    explicit THttpClient(THttpSettings settings, const std::atomic<bool>* stop = nullptr);

    THttpResponse Get(const THttpRequest& request);

    const THttpSettings& settings() const { return m_settings; }

    // Limits every client of the process to connections to these hosts (the
    // proxy's, when one is used); an empty list lifts the limit. The limit
    // starts as $QUILLON_ALLOWED_HOSTS says (names separated by ','). The
    // tests allow 127.0.0.1 only, so that none of them can reach the network.
    static void RestrictToHosts(const QStringList& hosts);

private:
    THttpResponse transfer(const QString& url, const THttpRequest& request);
    bool stopped() const { return m_stop && m_stop->load(); }

    THttpSettings m_settings;
    const std::atomic<bool>* m_stop;
};
