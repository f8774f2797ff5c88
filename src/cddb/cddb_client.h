#pragma once
// A CDDB client over HTTP (protocol level 6, UTF-8 answers). It offers the
// four operations the query thread needs: set an option, query the server
// for a disc, fetch one match's entry text, and the last error code.
//
// Threads: one object is used by one thread at a time. The stop flag given to
// the constructor may be set from any thread; a transfer in progress is then
// abandoned within a few tens of milliseconds and the call fails with
// ceStopped.
//
// Every answer is untrusted: the transfers go through the program's HTTP
// client (time-outs, size cap, checked redirects), an answer is cut at the
// capacity given, and category and disc id of a match are checked before
// they go back to the server.

#include "cdaccess/cd_access.h"
#include "cddb_answer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <vector>

// Option numbers of CDDBSetOption.
enum TCddbOption : int {
    cddbServer = 0,    // text: server host, optionally host:port
    cddbProxyHost = 1, // text: proxy host
    cddbUseProxy = 2,  // number: non-zero uses the proxy
    cddbClient = 3,    // text: "name version" sent in the greeting
    cddbUser = 4,      // text: "user@host" sent in the greeting
    cddbProxyPort = 5, // number: proxy port
    cddbScript = 6,    // text: path of the server's CGI script
    cddbReserved = 8,  // accepted and ignored
};

// Codes GetAspiLibError gives besides the server's own status codes (202,
// 4xx, 5xx).
enum TCddbError : int {
    ceNone = 0,
    ceNetwork = -1,    // no connection, HTTP error, transfer failed
    ceBadAnswer = -2,  // the answer is not a CDDB answer
    ceStopped = -3,    // the stop flag was set
    ceBadRequest = -4, // unusable TOC, server name or script path
    ceTimeout = -5,    // connect or transfer time-out
};

// Size of the answer buffer, in bytes of the UTF-8 answer.
constexpr int kCddbTextCapacity = 32000;

// The default server, its script, and the hosts the server list offers (the
// main server first).
inline const QString kCddbDefaultServer = QStringLiteral("gnudb.gnudb.org");
inline const QString kCddbDefaultScript = QStringLiteral("/~cddb/cddb.cgi");
const QStringList& CddbServerHosts();

// The status line of a server's refusal as the user reads it: the plain
// words for a server that accepts only registered programs, else the line.
QString CddbServerLineText(int code, const QString& line);

struct TCddbTimeouts {
    int ConnectMs = 10000;
    int TransferMs = 30000;
};

class TCddbClient {
public:
    explicit TCddbClient(const std::atomic<bool>* stop = nullptr);

    // False for an unknown option number.
    bool CDDBSetOption(int option, const QString& text, int number);
    // Asks the server for toc. True when the server gave a CDDB answer:
    // matches then holds up to capacity matches; none means no match, and
    // GetAspiLibError()/LastErrorText() give the server's code and line.
    bool CDDBQuery(const TTOC& toc, std::vector<TCddbMatch>& matches, int capacity = 10);
    // Fetches the entry text of match into text (lines joined by '\n'),
    // reading at most capacity bytes (an answer cut there keeps its complete
    // lines). True on success.
    bool CDDBGetDiskInfo(const TCddbMatch& match, QString& text, int capacity = kCddbTextCapacity);
    // The code of the last failure or no-match answer; see TCddbError.
    int GetAspiLibError() const { return m_error; }
    // A readable text for it: the server's status line or the network error.
    QString LastErrorText() const { return m_errorText; }

    void setTimeouts(const TCddbTimeouts& timeouts) { m_timeouts = timeouts; }
    // The User-Agent of the requests (UserAgentText's form); empty: the default.
    void setUserAgent(const QString& agent) { m_userAgent = agent; }
    // The URL a command is sent to; empty (and an error set) when the server
    // or script option is unusable.
    QString commandUrl(const QString& command);

private:
    bool fetch(const QString& command, int capacity, QByteArray& body);
    void fail(int code, const QString& text);

    const std::atomic<bool>* m_stop;
    TCddbTimeouts m_timeouts;
    QString m_server = kCddbDefaultServer;
    QString m_script = kCddbDefaultScript;
    QString m_user = QStringLiteral("quillon@localhost");
    QString m_client = QStringLiteral("Quillon " QUILLON_VERSION);
    bool m_useProxy = false;
    QString m_proxyHost;
    int m_proxyPort = 80;
    QString m_userAgent;
    int m_error = ceNone;
    QString m_errorText;
};
