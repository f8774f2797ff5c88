#include "cddb_test_server.h"

#include <QList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

constexpr int kTickMs = 20;

bool waitReadable(int fd, const std::atomic<bool>& stop)
{
    while (!stop) {
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, kTickMs);
        if (r > 0)
            return true;
        if (r < 0)
            return false;
    }
    return false;
}

void writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += n;
    }
}

} // namespace

CddbTestServer::CddbTestServer(Handler handler) : m_handler(std::move(handler))
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listen, 8) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (m_listen >= 0)
            ::close(m_listen);
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { run(); });
}

CddbTestServer::~CddbTestServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

QString CddbTestServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

std::vector<QByteArray> CddbTestServer::requests() const
{
    std::lock_guard lock(m_mutex);
    std::vector<QByteArray> lines;
    for (const TestHttpRequest& r : m_requests)
        lines.push_back(r.line);
    return lines;
}

std::vector<TestHttpRequest> CddbTestServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

QByteArray TestHttpRequest::header(const QByteArray& name) const
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

bool CddbTestServer::waitForRequests(size_t count, int timeoutMs) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (requests().size() >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void CddbTestServer::run()
{
    while (waitReadable(m_listen, m_stop)) {
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0)
            continue;
        serve(fd);
        ::close(fd);
    }
}

void CddbTestServer::serve(int fd)
{
    QByteArray head;
    while (!head.contains("\r\n\r\n") && head.size() < 65536) {
        if (!waitReadable(fd, m_stop))
            return;
        char buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        head.append(buf, n);
    }
    const QByteArray requestLine = head.left(head.indexOf("\r\n"));
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(
            {requestLine, head.left(head.indexOf("\r\n\r\n")), std::chrono::steady_clock::now()});
    }
    const TestHttpReply reply = m_handler(requestLine);
    if (reply.hang) {
        // Hold the connection until the client gives up or the test ends.
        char buf[256];
        while (waitReadable(fd, m_stop) && ::recv(fd, buf, sizeof buf, 0) > 0) {
        }
        return;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\n" +
                     "Content-Type: text/plain; charset=UTF-8\r\n" +
                     "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n" +
                     reply.headers + "Connection: close\r\n\r\n" + reply.body;
    writeAll(fd, out);
}

QByteArray CddbCommandOf(const QByteArray& requestLine)
{
    const qsizetype start = requestLine.indexOf("cmd=");
    if (start < 0)
        return {};
    qsizetype end = start + 4;
    while (end < requestLine.size() && requestLine[end] != '&' && requestLine[end] != ' ')
        ++end;
    return requestLine.mid(start + 4, end - start - 4);
}

CddbTestServer::Handler CddbServerHandler(QByteArray queryBody,
                                          std::vector<std::pair<QByteArray, QByteArray>> entries)
{
    return [queryBody, entries](const QByteArray& requestLine) {
        const QByteArray cmd = CddbCommandOf(requestLine);
        if (cmd.startsWith("cddb+query+"))
            return TestHttpReply{queryBody};
        if (cmd.startsWith("cddb+read+")) {
            const QByteArray key = cmd.mid(10);
            for (const auto& [k, text] : entries) {
                if (k == key) {
                    const QByteArray words = QByteArray(key).replace('+', ' ');
                    return TestHttpReply{"210 " + words + " CD database entry follows\r\n" + text +
                                         ".\r\n"};
                }
            }
            return TestHttpReply{"401 " + key + " No such CD entry in database.\r\n"};
        }
        return TestHttpReply{"500 Command syntax error.\r\n"};
    };
}
