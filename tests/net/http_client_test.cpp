// The HTTP client against a server on 127.0.0.1 started by each test.
#include "net/http_client.h"
#include "support/cddb_test_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QUrl>

#include <thread>

namespace {

using namespace std::chrono;

// The path of a request line: "GET /a/b?c HTTP/1.1" -> "/a/b?c".
QByteArray pathOf(const QByteArray& line)
{
    const QList<QByteArray> words = line.split(' ');
    return words.size() >= 2 ? words[1] : QByteArray();
}

TestHttpReply redirectTo(const QByteArray& location, int status = 302)
{
    return TestHttpReply{{}, status, false, "Location: " + location + "\r\n"};
}

THttpSettings quick()
{
    THttpSettings s;
    s.ConnectMs = 2000;
    s.TransferMs = 400;
    return s;
}

TEST(HttpClient, AnswersRedirectsAndLimits)
{
    struct Case {
        const char* name;
        QByteArray path; // asked first
        qint64 maxBytes;
        bool keepTruncated;
        THttpError error;
        long status;
        QByteArray body; // checked without an error
        size_t requests;
    };
    const QByteArray big(5000, 'x');
    const Case cases[] = {
        {"plain answer", "/ok", 1000, false, THttpError::None, 200, "fine", 1},
        {"error status is an answer", "/missing", 1000, false, THttpError::None, 404, "no", 1},
        {"relative and absolute redirects", "/hop1", 1000, false, THttpError::None, 200, "fine", 3},
        {"five redirects are followed", "/loop5", 1000, false, THttpError::None, 200, "fine", 6},
        {"the sixth is refused", "/loop6", 1000, false, THttpError::TooManyRedirects, 0, {}, 6},
        {"redirect to another scheme", "/ftp", 1000, false, THttpError::BadUrl, 0, {}, 1},
        {"too large", "/big", 4096, false, THttpError::TooLarge, 0, {}, 1},
        {"too large, start kept", "/big", 4096, true, THttpError::None, 200, big.left(4096), 1},
        {"server hangs", "/hang", 1000, false, THttpError::Timeout, 0, {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int port = 0;
        CddbTestServer server([&](const QByteArray& line) {
            const QByteArray path = pathOf(line);
            if (path == "/ok")
                return TestHttpReply{"fine"};
            if (path == "/missing")
                return TestHttpReply{"no", 404};
            if (path == "/hop1")
                return redirectTo("/hop2", 301);
            if (path == "/hop2")
                return redirectTo("http://127.0.0.1:" + QByteArray::number(port) + "/ok", 307);
            if (path.startsWith("/loop")) {
                // /loopN redirects N times before the answer.
                const int left = path.mid(5).toInt();
                return left == 0 ? TestHttpReply{"fine"}
                                 : redirectTo("/loop" + QByteArray::number(left - 1));
            }
            if (path == "/ftp")
                return redirectTo("ftp://127.0.0.1/file");
            if (path == "/big")
                return TestHttpReply{big};
            return TestHttpReply{{}, 200, true};
        });
        port = server.port();
        THttpClient client(quick());
        THttpRequest request;
        request.Url =
            QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QString::fromLatin1(c.path));
        request.MaxBytes = c.maxBytes;
        request.KeepTruncated = c.keepTruncated;
        const THttpResponse r = client.Get(request);
        EXPECT_EQ(r.Error, c.error) << r.ErrorText.toStdString();
        EXPECT_EQ(server.requests().size(), c.requests);
        if (c.error == THttpError::None) {
            EXPECT_EQ(r.Status, c.status);
            EXPECT_EQ(r.Body, c.body);
            EXPECT_EQ(r.Truncated, c.keepTruncated);
        } else {
            // Every failure names the server it concerns.
            EXPECT_TRUE(r.ErrorText.contains(QStringLiteral("127.0.0.1")))
                << r.ErrorText.toStdString();
        }
    }
}

TEST(HttpClient, BusyServerIsAskedOnceMoreAfterAWait)
{
    struct Case {
        const char* name;
        bool retry;
        int busyAnswers;
        long status;
        size_t requests;
    };
    const Case cases[] = {
        {"busy once, then an answer", true, 1, 200, 2},
        {"busy twice: the second 503 is the answer", true, 2, 503, 2},
        {"no retry asked for", false, 1, 503, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> busy{c.busyAnswers};
        CddbTestServer server([&](const QByteArray&) {
            return busy-- > 0 ? TestHttpReply{"busy", 503, false, "Retry-After: 1\r\n"}
                              : TestHttpReply{"fine"};
        });
        THttpClient client(quick());
        THttpRequest request;
        request.Url = QStringLiteral("http://%1/x").arg(server.address());
        request.RetryWhenBusy = c.retry;
        const THttpResponse r = client.Get(request);
        EXPECT_EQ(r.Status, c.status);
        const auto got = server.received();
        ASSERT_EQ(got.size(), c.requests);
        if (got.size() == 2) {
            EXPECT_GE(got[1].arrived - got[0].arrived, milliseconds(1000));
        }
    }
}

TEST(HttpClient, SendsItsUserAgentAndHeaders)
{
    CddbTestServer server([](const QByteArray&) { return TestHttpReply{"ok"}; });
    THttpSettings s = quick();
    s.UserAgent = UserAgentText(QStringLiteral("me@example.org"));
    THttpRequest request;
    request.Url = QStringLiteral("http://%1/").arg(server.address());
    request.Headers = {{"Accept", "application/json"}, {"X-Bad", "a\r\nInjected: 1"}};
    ASSERT_EQ(THttpClient(s).Get(request).Status, 200);
    const auto got = server.received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].header("User-Agent"), "Quillon/" QUILLON_VERSION " ( me@example.org )");
    EXPECT_EQ(got[0].header("Accept"), "application/json");
    EXPECT_TRUE(got[0].header("Injected").isEmpty());
    // A contact that would bend the header line is flattened; none gives the home page.
    EXPECT_EQ(UserAgentText(QStringLiteral("a\r\nb (c)")),
              QStringLiteral("Quillon/" QUILLON_VERSION " ( a b [c] )"));
    EXPECT_EQ(UserAgentText({}), QStringLiteral("Quillon/" QUILLON_VERSION " ( ") +
                                     QString::fromLatin1(kProgramHomePage) + QStringLiteral(" )"));
}

TEST(HttpClient, RequestsToALimitedHostKeepTheirDistanceAcrossThreads)
{
    CddbTestServer server([](const QByteArray&) { return TestHttpReply{"ok"}; });
    const QString url = QStringLiteral("http://%1/").arg(server.address());
    THostRateLimit::instance().setMinimumInterval(RateLimitKey(url), 1000);
    // Two threads, each with its own client, ask at the same moment.
    const auto ask = [&] {
        THttpRequest request;
        request.Url = url;
        THttpClient(quick()).Get(request);
    };
    std::thread a(ask), b(ask);
    a.join();
    b.join();
    THostRateLimit::instance().setMinimumInterval(RateLimitKey(url), 0);
    const auto got = server.received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_GE(got[1].arrived - got[0].arrived, milliseconds(1000));
}

TEST(HttpClient, StopEndsAWaitForTheRateLimit)
{
    CddbTestServer server([](const QByteArray&) { return TestHttpReply{"ok"}; });
    const QString url = QStringLiteral("http://%1/").arg(server.address());
    const QString key = RateLimitKey(url);
    THostRateLimit::instance().setMinimumInterval(key, 600000);
    std::atomic<bool> stop{false};
    THttpRequest request;
    request.Url = url;
    EXPECT_EQ(THttpClient(quick(), &stop).Get(request).Status, 200);
    std::thread stopper([&] {
        std::this_thread::sleep_for(milliseconds(100));
        stop = true;
    });
    EXPECT_EQ(THttpClient(quick(), &stop).Get(request).Error, THttpError::Stopped);
    stopper.join();
    THostRateLimit::instance().setMinimumInterval(key, 0);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(HttpClient, OnlyWebAddressesAndAllowedHosts)
{
    const std::pair<const char*, const char*> cases[] = {
        {"file:///etc/passwd", "not a web address"},
        {"ftp://127.0.0.1/x", "not a web address"},
        {"http:///nohost", "not a web address"},
        {"https://example.org/", "the test programs allow 127.0.0.1 only"},
    };
    for (const auto& [url, why] : cases) {
        SCOPED_TRACE(why);
        THttpRequest request;
        request.Url = QString::fromLatin1(url);
        EXPECT_EQ(THttpClient(quick()).Get(request).Error, THttpError::BadUrl);
    }
    EXPECT_EQ(RateLimitKey(QStringLiteral("https://MusicBrainz.org/ws")),
              QStringLiteral("musicbrainz.org:443"));
    EXPECT_EQ(RateLimitKey(QStringLiteral("http://127.0.0.1:8080/x")),
              QStringLiteral("127.0.0.1:8080"));
}

} // namespace
