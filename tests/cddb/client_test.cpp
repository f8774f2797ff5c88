// The CDDB client against a server on 127.0.0.1 started by each test.
#include "cddb/cddb_client.h"
#include "cddb_test_util.h"
#include "support/cddb_test_server.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

const TTOC kToc = TocFromFrames(1, {150, 375, 825, 1500}); // id 09001203
const QByteArray kEntry = "# xmcd\r\nDTITLE=A / B\r\nTTITLE0=x\r\nTTITLE1=y\r\nTTITLE2=z\r\n";

TCddbClient clientFor(const CddbTestServer& server, const std::atomic<bool>* stop = nullptr)
{
    TCddbClient client(stop);
    client.CDDBSetOption(cddbServer, server.address(), 0);
    client.CDDBSetOption(cddbScript, QStringLiteral("/~cddb/cddb.cgi"), 0);
    client.CDDBSetOption(cddbUser, QStringLiteral("someone@example.org"), 0);
    client.CDDBSetOption(cddbClient, QStringLiteral("Quillon 9.9"), 0);
    return client;
}

struct QueryCase {
    const char* name;
    QByteArray body;
    int httpStatus;
    bool ok;
    size_t matches;
    int error;
    const char* errorText; // checked when not empty
};

TEST(CddbClient, QueryAnswers)
{
    const QueryCase cases[] = {
        {"one match", "200 rock 09001203 A / B\r\n", 200, true, 1, ceNone, ""},
        {"several matches", "210 exact\r\nrock 09001203 A\r\nmisc 09001203 B\r\n.\r\n", 200, true,
         2, ceNone, ""},
        {"inexact matches", "211 inexact\r\nrock 09001203 A\r\n.\r\n", 200, true, 1, ceNone, ""},
        {"no match", "202 No match for disc ID 09001203.\r\n", 200, true, 0, 202, ""},
        {"registration refused", "500 Unknown developer email\r\n", 200, true, 0, 500,
         "The CDDB server accepts only registered programs; MusicBrainz needs no registration (the "
         "server said: 500 Unknown developer email)"},
        {"garbage",
         "\x7f"
         "ELF\x01\x02 binary junk",
         200, false, 0, ceBadAnswer, ""},
        {"HTTP error page", "<h1>Not Found</h1>", 404, false, 0, ceNetwork, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CddbTestServer server([&](const QByteArray&) {
            return TestHttpReply{c.body, c.httpStatus};
        });
        TCddbClient client = clientFor(server);
        std::vector<TCddbMatch> matches;
        EXPECT_EQ(client.CDDBQuery(kToc, matches, 10), c.ok);
        EXPECT_EQ(matches.size(), c.matches);
        EXPECT_EQ(client.GetAspiLibError(), c.error);
        if (*c.errorText) {
            EXPECT_EQ(client.LastErrorText(), QString::fromUtf8(c.errorText));
        }
        if (c.error != ceNone) {
            EXPECT_FALSE(client.LastErrorText().isEmpty());
        }
    }
}

TEST(CddbClient, RequestLines)
{
    CddbTestServer server(
        CddbServerHandler("200 rock 09001203 A / B\r\n", {{"rock+09001203", kEntry}}));
    TCddbClient client = clientFor(server);
    std::vector<TCddbMatch> matches;
    ASSERT_TRUE(client.CDDBQuery(kToc, matches));
    ASSERT_EQ(matches.size(), 1u);
    QString text;
    ASSERT_TRUE(client.CDDBGetDiskInfo(matches[0], text));
    EXPECT_EQ(
        text,
        QString::fromLatin1(kEntry).replace(QLatin1String("\r\n"), QLatin1String("\n")).chopped(1));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /~cddb/cddb.cgi?cmd=cddb+query+09001203+3+150+375+825+20"
                           "&hello=someone+example.org+Quillon+9.9&proto=6 HTTP/1.1");
    EXPECT_EQ(requests[1], "GET /~cddb/cddb.cgi?cmd=cddb+read+rock+09001203"
                           "&hello=someone+example.org+Quillon+9.9&proto=6 HTTP/1.1");
}

TEST(CddbClient, ThroughAProxy)
{
    // The test server plays the proxy: a request through an HTTP proxy names
    // the whole URL in its request line. The server host does not exist, so
    // only the proxy can have answered.
    CddbTestServer proxy(CddbServerHandler("200 rock 09001203 A / B\r\n", {}));
    TCddbClient client;
    client.CDDBSetOption(cddbServer, QStringLiteral("cddb.invalid"), 0);
    client.CDDBSetOption(cddbScript, QStringLiteral("/cgi/cddb"), 0);
    client.CDDBSetOption(cddbUseProxy, QString(), 1);
    client.CDDBSetOption(cddbProxyPort, QString(), proxy.port());
    client.CDDBSetOption(cddbProxyHost, QStringLiteral("127.0.0.1"), 0);
    std::vector<TCddbMatch> matches;
    ASSERT_TRUE(client.CDDBQuery(kToc, matches));
    EXPECT_EQ(matches.size(), 1u);
    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].startsWith(
        "GET http://cddb.invalid/cgi/cddb?cmd=cddb+query+09001203+3+150+375+825+20&hello="))
        << requests[0].constData();
}

TEST(CddbClient, HostileOptionsAreRefusedBeforeAnyRequest)
{
    CddbTestServer server(CddbServerHandler("200 rock 09001203 A / B\r\n", {}));
    const std::pair<int, QString> cases[] = {
        {cddbServer, QStringLiteral("host name with spaces")},
        {cddbServer, QStringLiteral("evil.example/x?cmd=")},
        {cddbServer, QString()},
        {cddbScript, QStringLiteral("/cgi?cmd=cddb+write")},
        {cddbScript, QStringLiteral("/a b")},
    };
    for (const auto& [option, text] : cases) {
        SCOPED_TRACE(text.toStdString());
        TCddbClient client = clientFor(server);
        client.CDDBSetOption(option, text, 0);
        std::vector<TCddbMatch> matches;
        EXPECT_FALSE(client.CDDBQuery(kToc, matches));
        EXPECT_EQ(client.GetAspiLibError(), ceBadRequest);
    }
    TCddbClient client = clientFor(server);
    QString text;
    EXPECT_FALSE(
        client.CDDBGetDiskInfo({QStringLiteral("rock&x=1"), QStringLiteral("09001203"), {}}, text));
    std::vector<TCddbMatch> matches;
    EXPECT_FALSE(client.CDDBQuery(TTOC{}, matches));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(client.CDDBSetOption(7, QString(), 0));
}

TEST(CddbClient, OverlongEntryKeepsItsCompleteLines)
{
    QByteArray entry = "DTITLE=A / B\r\n";
    for (int i = 0; i < 5000; ++i)
        entry += "TTITLE" + QByteArray::number(i % 3) + "=0123456789\r\n";
    CddbTestServer server(
        CddbServerHandler("200 rock 09001203 A / B\r\n", {{"rock+09001203", entry}}));
    TCddbClient client = clientFor(server);
    QString text;
    ASSERT_TRUE(
        client.CDDBGetDiskInfo({QStringLiteral("rock"), QStringLiteral("09001203"), {}}, text));
    EXPECT_LE(text.size(), kCddbTextCapacity);
    EXPECT_GT(text.size(), kCddbTextCapacity * 9 / 10); // CR LF became LF
    EXPECT_TRUE(text.endsWith(QLatin1String("=0123456789")));
}

TEST(CddbClient, FailedFetches)
{
    CddbTestServer server(CddbServerHandler("200 rock 09001203 A / B\r\n", {}));
    TCddbClient client = clientFor(server);
    QString text = QStringLiteral("old");
    EXPECT_FALSE(
        client.CDDBGetDiskInfo({QStringLiteral("rock"), QStringLiteral("09001203"), {}}, text));
    EXPECT_EQ(client.GetAspiLibError(), 401);
    EXPECT_TRUE(text.isEmpty());

    // A port nobody listens on: take one from a server that is gone.
    int closedPort = 0;
    {
        CddbTestServer gone([](const QByteArray&) { return TestHttpReply{}; });
        closedPort = gone.port();
    }
    TCddbClient refused;
    refused.CDDBSetOption(cddbServer, QStringLiteral("127.0.0.1:%1").arg(closedPort), 0);
    std::vector<TCddbMatch> matches;
    EXPECT_FALSE(refused.CDDBQuery(kToc, matches));
    EXPECT_EQ(refused.GetAspiLibError(), ceNetwork);
}

TEST(CddbClient, SilentServerTimesOut)
{
    CddbTestServer server([](const QByteArray&) { return TestHttpReply{{}, 200, true}; });
    TCddbClient client = clientFor(server);
    client.setTimeouts({2000, 300});
    std::vector<TCddbMatch> matches;
    EXPECT_FALSE(client.CDDBQuery(kToc, matches));
    EXPECT_EQ(client.GetAspiLibError(), ceTimeout);
}

TEST(CddbClient, StopAbandonsATransfer)
{
    CddbTestServer server([](const QByteArray&) { return TestHttpReply{{}, 200, true}; });
    std::atomic<bool> stop{false};
    TCddbClient client = clientFor(server, &stop);
    // Time-outs far beyond the test's own limit: only Stop can end the call.
    client.setTimeouts({600000, 600000});
    std::thread stopper([&] {
        server.waitForRequests(1, 20000);
        stop = true;
    });
    std::vector<TCddbMatch> matches;
    EXPECT_FALSE(client.CDDBQuery(kToc, matches));
    EXPECT_EQ(client.GetAspiLibError(), ceStopped);
    stopper.join();
}

} // namespace
