// The query thread: options, the walk over the matches, its one message, and
// Stop; with a CDDB server on 127.0.0.1 started by each test.
#include "cddb/query_cddb_thread.h"
#include "cddb_test_util.h"
#include "settings/process_info.h"
#include "support/cddb_test_server.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// Records the WM_CDDBFINISHED messages it receives.
class Receiver : public QObject {
public:
    std::vector<qintptr> codes;

    bool event(QEvent* e) override
    {
        if (e->type() == messageEventType(WM_CDDBFINISHED)) {
            codes.push_back(static_cast<TMessageEvent*>(e)->wParam());
            return true;
        }
        return QObject::event(e);
    }

    // Processes events until a message came or the (generous) limit passed.
    bool waitForMessage()
    {
        QDeadlineTimer limit(30000);
        while (codes.empty() && !limit.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !codes.empty();
    }
};

TQueryCDDB settingsFor(const CddbTestServer& server)
{
    TQueryCDDB s;
    s.Server = server.address();
    s.Script = QStringLiteral("/~cddb/cddb.cgi");
    return s;
}

const TTOC kToc = TocFromFrames(1, {150, 375, 825, 1500}); // three tracks

// A stand-in for the genre lookup: places of a short list.
int genreIndex(const QString& name)
{
    const QStringList names = {QStringLiteral("Blues"), QStringLiteral("Rock")};
    return int(names.indexOf(name));
}

struct Applied {
    TCDInfo info;
    std::vector<QString> rows{QStringLiteral("old0"), QStringLiteral("old1"),
                              QStringLiteral("old2")};
};

Applied apply(TQueryCDDBThread& thread)
{
    Applied a;
    a.info.Comment = QStringLiteral("keep");
    a.info.Year = QStringLiteral("old year");
    ApplyCddbResult(thread.takeResult(), a.info, genreIndex,
                    [&](int row, const QString& t) { a.rows.at(size_t(row)) = t; });
    return a;
}

// One run against server, from start to its message (or the wait limit).
struct QueryRun {
    std::vector<qintptr> codes;
    int error = 0;
    QString errorText;
    Applied applied;
};

QueryRun runQuery(const CddbTestServer& server)
{
    Receiver receiver;
    TQueryCDDBThread thread(&receiver, kToc, settingsFor(server));
    EXPECT_TRUE(receiver.waitForMessage());
    thread.wait();
    return {receiver.codes, thread.ErrorCode(), thread.ErrorText(), apply(thread)};
}

TEST(QueryCDDBThread, OneMatchFillsDiscAndRows)
{
    CddbTestServer server(CddbServerHandler(
        "200 rock 09001203 A / B\r\n",
        {{"rock+09001203", "DTITLE=Some Artist / Some Album\r\nDYEAR=2001\r\nDGENRE=Rock\r\n"
                           "TTITLE0=Intro\r\nTTITLE1=Middle\r\nTTITLE2=End\r\n"}}));
    const QueryRun run = runQuery(server);
    EXPECT_EQ(run.codes, std::vector<qintptr>{cddbFinished});
    const Applied& a = run.applied;
    EXPECT_EQ(a.info.Artist, QStringLiteral("Some Artist"));
    EXPECT_EQ(a.info.Album, QStringLiteral("Some Album"));
    EXPECT_EQ(a.info.Year, QStringLiteral("2001"));
    EXPECT_EQ(a.info.Genre, 2);
    EXPECT_EQ(a.info.Comment, QStringLiteral("keep"));
    EXPECT_EQ(a.rows, (std::vector<QString>{QStringLiteral("Intro"), QStringLiteral("Middle"),
                                            QStringLiteral("End")}));
}

TEST(QueryCDDBThread, WalkOverMatches)
{
    struct Case {
        const char* name;
        QByteArray query;
        std::vector<std::pair<QByteArray, QByteArray>> entries;
        QString artist, year;
        int genre;
        std::vector<QString> rows;
    };
    const QString old0 = QStringLiteral("old0"), old1 = QStringLiteral("old1"),
                  old2 = QStringLiteral("old2");
    const QByteArray list =
        "210 exact\r\nrock 09001203 a\r\nmisc 09001203 b\r\njazz 09001203 c\r\n.\r\n";
    const Case cases[] = {
        {"first entry without titles, second with",
         list,
         {{"rock+09001203", "DTITLE=First / One\nDYEAR=1990\nDGENRE=Blues\n"},
          {"misc+09001203", "DTITLE=Second / Two\nTTITLE0=t0\nTTITLE1=t1\nTTITLE2=t2\n"},
          {"jazz+09001203", "DTITLE=Third / Three\nTTITLE0=never\n"}},
         QStringLiteral("Second"),
         QStringLiteral("1990"),
         1,
         {QStringLiteral("t0"), QStringLiteral("t1"), QStringLiteral("t2")}},
        {"missing entry skipped",
         list,
         {{"misc+09001203", "DTITLE=Second / Two\nDGENRE=rock\nTTITLE1=only one\n"}},
         QStringLiteral("Second"),
         QStringLiteral("old year"),
         -1,
         {old0, QStringLiteral("only one"), old2}},
        {"no entry has titles",
         list,
         {{"rock+09001203", "DTITLE=First / One\n"}, {"jazz+09001203", "DYEAR=1970\n"}},
         QStringLiteral("First"),
         QStringLiteral("1970"),
         0,
         {old0, old1, old2}},
        {"no entry can be fetched",
         list,
         {},
         QString(),
         QStringLiteral("old year"),
         0,
         {old0, old1, old2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CddbTestServer server(CddbServerHandler(c.query, c.entries));
        const QueryRun run = runQuery(server);
        EXPECT_EQ(run.codes, std::vector<qintptr>{cddbFinished});
        const Applied& a = run.applied;
        EXPECT_EQ(a.info.Artist, c.artist);
        EXPECT_EQ(a.info.Year, c.year);
        EXPECT_EQ(a.info.Genre, c.genre);
        EXPECT_EQ(a.rows, c.rows);
    }
}

TEST(QueryCDDBThread, NoMatchAndFailuresReportTheReason)
{
    struct Case {
        const char* name;
        TestHttpReply reply;
        int error;
        const char* text; // checked when not empty
    };
    const Case cases[] = {
        {"no match",
         {"202 No match for disc ID 09001203.\r\n"},
         202,
         "202 No match for disc ID 09001203."},
        {"registration refused",
         {"500 Unknown developer email\r\n"},
         500,
         "The CDDB server accepts only registered programs; MusicBrainz needs no registration (the "
         "server said: 500 Unknown developer email)"},
        {"server error", {"500 Internal error\r\n"}, 500, "500 Internal error"},
        {"garbage", {"<html>busy</html>"}, ceBadAnswer, ""},
        {"HTTP error", {"oops", 503}, ceNetwork, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CddbTestServer server([&](const QByteArray&) { return c.reply; });
        const QueryRun run = runQuery(server);
        EXPECT_EQ(run.codes, std::vector<qintptr>{cddbNoMatch});
        EXPECT_EQ(run.error, c.error);
        if (*c.text) {
            EXPECT_EQ(run.errorText, QString::fromUtf8(c.text));
        }
        EXPECT_FALSE(run.errorText.isEmpty());
        const Applied& a = run.applied;
        EXPECT_EQ(a.info.Year, QStringLiteral("old year"));
        EXPECT_EQ(a.rows[0], QStringLiteral("old0"));
    }
}

TEST(QueryCDDBThread, StopAbandonsASlowServer)
{
    // The server hangs after the query; only Stop can end the run.
    CddbTestServer server([](const QByteArray&) { return TestHttpReply{{}, 200, true}; });
    Receiver receiver;
    auto thread = std::make_unique<TQueryCDDBThread>(&receiver, kToc, settingsFor(server),
                                                     TCddbTimeouts{600000, 600000});
    ASSERT_TRUE(server.waitForRequests(1, 20000));
    thread->Stop();
    thread->wait(); // returns although the server never answers
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.codes.empty());
    EXPECT_TRUE(thread->Stopped());
    EXPECT_TRUE(thread->takeResult().Titles.empty());

    // Destroying a running thread stops and joins it.
    thread = std::make_unique<TQueryCDDBThread>(&receiver, kToc, settingsFor(server),
                                                TCddbTimeouts{600000, 600000});
    ASSERT_TRUE(server.waitForRequests(2, 20000));
    thread.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.codes.empty());
}

TEST(QueryCDDBThread, StopAfterTheAnswerStoresNothing)
{
    // The entry is held back until the test has pressed Stop, then sent at
    // once: whatever the worker still receives, it must not store or post.
    std::atomic<bool> released{false};
    const auto cddb =
        CddbServerHandler("200 rock 09001203 A / B\r\n", {{"rock+09001203", "TTITLE0=x\n"}});
    CddbTestServer server([&](const QByteArray& request) {
        if (CddbCommandOf(request).startsWith("cddb+read")) {
            QDeadlineTimer limit(20000);
            while (!released && !limit.hasExpired())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return cddb(request);
    });
    Receiver receiver;
    TQueryCDDBThread thread(&receiver, kToc, settingsFor(server));
    ASSERT_TRUE(server.waitForRequests(2, 20000));
    thread.Stop();
    released = true;
    thread.wait();
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.codes.empty());
    EXPECT_TRUE(thread.takeResult().Titles.empty());
}

TEST(QueryCDDBThread, OptionCalls)
{
    using C = TCddbOptionCall;
    const auto base = [](const QString& script) {
        return std::vector<C>{{cddbServer, QStringLiteral("srv"), 0},
                              {cddbScript, script, 0},
                              {cddbUser, kCddbHelloAddress, 0},
                              {cddbClient, kCddbClientName, 0},
                              {cddbReserved, QString(), 0}};
    };
    struct Case {
        const char* name;
        bool useProxy;
        QString script, port;
        std::vector<C> proxyCalls;
    };
    const QString proxyHost = QStringLiteral("proxy.example");
    const Case cases[] = {
        {"proxy off", false, QStringLiteral("/s"), QStringLiteral("8080"), {}},
        {"proxy on",
         true,
         QStringLiteral("/s"),
         QStringLiteral("8080"),
         {{cddbUseProxy, {}, 1}, {cddbProxyPort, {}, 8080}, {cddbProxyHost, proxyHost, 0}}},
        {"port not a number",
         true,
         QStringLiteral("/s"),
         QStringLiteral("abc"),
         {{cddbUseProxy, {}, 1}, {cddbProxyPort, {}, 80}, {cddbProxyHost, proxyHost, 0}}},
        {"empty port",
         true,
         QStringLiteral("/s"),
         QString(),
         {{cddbUseProxy, {}, 1}, {cddbProxyPort, {}, 80}, {cddbProxyHost, proxyHost, 0}}},
        {"empty script", false, QString(), QString(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TQueryCDDB s;
        s.Server = QStringLiteral("srv");
        s.Script = c.script;
        s.UseProxy = c.useProxy;
        s.ProxyAddress = proxyHost;
        s.Port = c.port;
        std::vector<C> expected = base(c.script.isEmpty() ? kCddbDefaultScript : c.script);
        expected.insert(expected.end(), c.proxyCalls.begin(), c.proxyCalls.end());
        EXPECT_EQ(CddbOptionCalls(s), expected);
    }
}

TEST(QueryCDDBThread, GenreNumbers)
{
    const std::pair<const char*, int> cases[] = {{"Blues", 1}, {"Rock", 2}, {"rock", -1}, {"", -1}};
    for (const auto& [name, number] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(CddbGenreNumber(QString::fromUtf8(name), genreIndex), number);
    }
}

} // namespace
