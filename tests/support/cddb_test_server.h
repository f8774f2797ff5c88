#pragma once
// A small HTTP server on 127.0.0.1 for the web-service tests (CDDB,
// MusicBrainz, cover art): one thread, one connection at a time, answers built
// by a handler from the request line. It keeps every request's head and the
// moment it arrived, and can hold a connection open without answering (a
// server that hangs).

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct TestHttpReply {
    QByteArray body;
    int status = 200;
    bool hang = false;       // keep the connection open and never answer
    QByteArray headers = {}; // extra header lines, each ending in "\r\n"
};

struct TestHttpRequest {
    QByteArray line; // "GET /path HTTP/1.1"
    QByteArray head; // the request line and the header lines
    std::chrono::steady_clock::time_point arrived;
    // The value of a request header (name without regard to case).
    QByteArray header(const QByteArray& name) const;
};

class CddbTestServer {
public:
    using Handler = std::function<TestHttpReply(const QByteArray& requestLine)>;

    explicit CddbTestServer(Handler handler);
    ~CddbTestServer();
    CddbTestServer(const CddbTestServer&) = delete;
    CddbTestServer& operator=(const CddbTestServer&) = delete;

    int port() const { return m_port; }
    // "127.0.0.1:port", the text for the server option.
    QString address() const;
    // Request lines received so far, in order.
    std::vector<QByteArray> requests() const;
    // The whole requests, in order.
    std::vector<TestHttpRequest> received() const;
    // Waits (at most timeoutMs) until count requests have arrived.
    bool waitForRequests(size_t count, int timeoutMs) const;

private:
    void run();
    void serve(int fd);

    Handler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<TestHttpRequest> m_requests;
    std::thread m_thread;
};

// The value of cmd= in a request line, e.g. "cddb+read+rock+0a0b0c0d".
QByteArray CddbCommandOf(const QByteArray& requestLine);

// A handler that plays a CDDB server: queryBody answers every query;
// entries maps "category+discid" to the entry text for cddb+read (answered
// with "210 ..." and a final "."); unknown entries get "401 ... not found".
CddbTestServer::Handler CddbServerHandler(QByteArray queryBody,
                                          std::vector<std::pair<QByteArray, QByteArray>> entries);
