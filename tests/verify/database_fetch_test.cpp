// Asking AccurateRip and the CTDB through a server on 127.0.0.1 that answers
// what each case wrote, hostile answers included.
#include "disc_image_writer.h"
#include "support/cddb_test_server.h"
#include "verify/database_fetch.h"

#include <gtest/gtest.h>

namespace {

using discgen::Signal;
using Outcome = TDatabaseLookup::Outcome;

const discgen::DiscSpec kDisc = [] {
    discgen::DiscSpec spec;
    spec.tracks = {{600, Signal::Noise, 0, 1}, {500, Signal::Noise, 0, 2}};
    return spec;
}();

TVerifySettings settingsFor(const CddbTestServer& server)
{
    TVerifySettings s;
    s.AccurateRipServer = QStringLiteral("http://%1/").arg(server.address());
    s.CtdbServer = QStringLiteral("http://%1").arg(server.address());
    s.Http.TransferMs = 3000;
    return s;
}

TEST(DatabaseFetch, AnswersFoundUnknownAndRefused)
{
    const QByteArray ar = discgen::AccurateRipAnswerOf(kDisc, {4, 9});
    discgen::DiscSpec other = kDisc; // another pressing: same TOC, other audio
    other.tracks[0].seed = 77;
    const QByteArray otherDisc = [&] {
        QByteArray a = discgen::AccurateRipAnswerOf(other, {2});
        a[1] = char(a[1] ^ 0x40); // id1 of another disc
        return a;
    }();
    const QByteArray ctdb = discgen::CtdbAnswerOf(kDisc, 6);
    struct Case {
        const char* name;
        TestHttpReply ar;
        TestHttpReply ctdb;
        Outcome arOutcome;
        int arRecords;
        const char* arError; // part of the reason when Failed
        Outcome ctdbOutcome;
        int ctdbEntries;
        const char* ctdbError;
    } const cases[] = {
        {"both found", {ar}, {ctdb}, Outcome::Found, 2, "", Outcome::Found, 1, ""},
        {"other disc's record only, empty CTDB",
         {otherDisc},
         {"<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\"/>"},
         Outcome::NotInDatabase,
         0,
         "",
         Outcome::NotInDatabase,
         0,
         ""},
        {"404 means unknown to AccurateRip, not to the CTDB",
         {"", 404},
         {"", 404},
         Outcome::NotInDatabase,
         0,
         "",
         Outcome::Failed,
         0,
         "404"},
        {"truncated file, broken XML",
         {ar.left(ar.size() - 3)},
         {"<ctdb><entry crc32=\"1\" confidence=\"1\">"},
         Outcome::Failed,
         0,
         "ends inside a record",
         Outcome::Failed,
         0,
         "not readable XML"},
        {"server errors",
         {"", 500},
         {"oops", 503},
         Outcome::Failed,
         0,
         "500",
         Outcome::Failed,
         0,
         "503"},
        {"empty and foreign answers",
         {""},
         {"<html>hi</html>"},
         Outcome::Failed,
         0,
         "empty",
         Outcome::Failed,
         0,
         "no <ctdb>"},
        {"oversized answers",
         {QByteArray(kMaxAccurateRipBytes + 1, 'x')},
         {QByteArray(kMaxCtdbBytes + 10, ' ')},
         Outcome::Failed,
         0,
         "",
         Outcome::Failed,
         0,
         ""},
    };
    const TTOC toc = discgen::TocOfDisc(kDisc);
    const TAccurateRipDiscId id = AccurateRipDiscIdOf(toc);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CddbTestServer server([&](const QByteArray& line) {
            if (line.startsWith("GET /accuraterip/" + id.path().toLatin1() + " "))
                return c.ar;
            if (line.startsWith("GET /lookup2.php?version=3&ctdb=1&fuzzy=1&metadata=none&toc=" +
                                CtdbTocText(toc).toLatin1() + " "))
                return c.ctdb;
            return TestHttpReply{"unexpected request", 400};
        });
        const TDatabaseAnswers a = FetchDatabaseAnswers(settingsFor(server), toc);
        EXPECT_EQ(a.AccurateRip.Result, c.arOutcome) << a.AccurateRip.Error.toStdString();
        EXPECT_EQ(int(a.AccurateRipAnswer.Records.size()), c.arRecords);
        EXPECT_TRUE(a.AccurateRip.Error.contains(QLatin1String(c.arError)))
            << a.AccurateRip.Error.toStdString();
        EXPECT_EQ(a.Ctdb.Result, c.ctdbOutcome) << a.Ctdb.Error.toStdString();
        EXPECT_EQ(int(a.CtdbEntries.size()), c.ctdbEntries);
        EXPECT_TRUE(a.Ctdb.Error.contains(QLatin1String(c.ctdbError)))
            << a.Ctdb.Error.toStdString();
        EXPECT_EQ(a.anyFound(), c.arOutcome == Outcome::Found || c.ctdbOutcome == Outcome::Found);
    }
}

TEST(DatabaseFetch, SwitchedOffDatabasesAreNotAskedAndStopEndsAHangingServer)
{
    CddbTestServer server([](const QByteArray&) { return TestHttpReply{{}, 200, true}; });
    TVerifySettings settings = settingsFor(server);
    settings.Ctdb = false;
    settings.Http.TransferMs = 60000;
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        server.waitForRequests(1, 5000);
        stop = true;
    });
    const auto started = std::chrono::steady_clock::now();
    const TDatabaseAnswers a = FetchDatabaseAnswers(settings, discgen::TocOfDisc(kDisc), &stop);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(a.AccurateRip.Result, Outcome::Failed);
    EXPECT_EQ(a.Ctdb.Result, Outcome::NotAsked);
    EXPECT_EQ(server.requests().size(), 1u);
}

} // namespace
