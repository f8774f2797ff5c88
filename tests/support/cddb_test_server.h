#pragma once
// A small HTTP server on 127.0.0.1 for the CDDB tests: one thread, one
// connection at a time, answers built by a handler from the request line.
// It can also hold a connection open without answering (a server that hangs).

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct TestHttpReply {
    QByteArray body;
    int status = 200;
    bool hang = false; // keep the connection open and never answer
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
    std::vector<QByteArray> m_requests;
    std::thread m_thread;
};

// The value of cmd= in a request line, e.g. "cddb+read+rock+0a0b0c0d".
QByteArray CddbCommandOf(const QByteArray& requestLine);

// A handler that plays a CDDB server: queryBody answers every query;
// entries maps "category+discid" to the entry text for cddb+read (answered
// with "210 ..." and a final "."); unknown entries get "401 ... not found".
CddbTestServer::Handler CddbServerHandler(QByteArray queryBody,
                                          std::vector<std::pair<QByteArray, QByteArray>> entries);
