// The CDDB windows end to end: the query dialog and the wait window on the
// offscreen platform, the disc in the memory drive, a CDDB server (or a proxy
// in front of one) on 127.0.0.1 started by each test.
#include "ui/cddb/cddb_dialogs.h"

#include "cdaccess/cd_access.h"
#include "cddb/cddb_client.h"
#include "settings/disc_info.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/cddb_test_server.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

using namespace quillon::test;

namespace {

template <typename T> T* child(QWidget* w, const char* name)
{
    return w->findChild<T*>(QString::fromLatin1(name));
}

void clickLater(QWidget* w, const char* button)
{
    QTimer::singleShot(0, child<QPushButton>(w, button), &QPushButton::click);
}

bool isWindow(QWidget* w, const char* name)
{
    return w && w->objectName() == QLatin1String(name);
}

// What a user typed into the query dialog before pressing Query; a field left
// empty (or nullopt) is not touched.
struct Typed {
    QString server;
    QString script;
    std::optional<bool> proxy;
    QString address;
    QString port;
};

// What the test saw while the windows were up.
struct Seen {
    int result = -1;
    bool busyShown = false;   // lHint shown, Panel1 hidden
    bool panelShown = false;  // Panel1 shown
    QString reason;           // the answer shown in the panel
    bool reasonFirst = false; // the answer heads the panel
    QString stopCaption;      // bStop's caption with the panel shown
    bool queryOpenAfterWait = false;
    bool titlesWhileWaitShown = true;
    bool timedOut = false;
    int choices = 0; // rows of the chooser, when it opened
};

Typed atServer(const QString& server)
{
    Typed t;
    t.server = server;
    return t;
}

enum class Then { Wait, StopWhenAsked };

struct CddbLookupTest : ::testing::Test {
    TempHome home;
    TOptionsSetting saved = OptionsSetting;
    ScopedPrompts prompts;
    MemoryCDDrive drive; // three tracks
    ScopedCDAccess access{drive};
    HCDROM handle = drive.GetCDHandle(drive.GetCDList().at(0));
    std::vector<QString> rows{QStringLiteral("Track01"), QStringLiteral("Track02"),
                              QStringLiteral("Track03")};

    void SetUp() override
    {
        OptionsSetting.QueryCDDB = {kCddbDefaultServer, kCddbDefaultScript, false, {}, {}};
        OptionsSetting.CDInfo = {};
        OptionsSetting.CDInfo.Comment = QStringLiteral("mine");
        OptionsSetting.CDInfo.Year = QStringLiteral("1999");
    }
    void TearDown() override { OptionsSetting = saved; }

    // Opens the dialogs as the main window does, types, presses Query, and
    // plays the user of the wait window: Close on the panel, Stop once server
    // has a request (StopWhenAsked), then Close on the query dialog when it
    // is still open.
    Seen lookup(const Typed& typed, const CddbTestServer* server = nullptr, Then then = Then::Wait)
    {
        Seen seen;
        bool queried = false, sawWait = false, stopped = false, closing = false;
        QDeadlineTimer limit(30000);
        QTimer driver;
        driver.setInterval(10);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (limit.hasExpired()) {
                seen.timedOut = true;
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->done(QDialog::Rejected);
                return;
            }
            if (isWindow(w, "frmQueryCDDB") && !queried) {
                queried = true;
                if (!typed.server.isEmpty())
                    child<QComboBox>(w, "cbServer")->setEditText(typed.server);
                if (!typed.script.isEmpty())
                    child<QLineEdit>(w, "eScript")->setText(typed.script);
                if (typed.proxy)
                    child<QCheckBox>(w, "cbProxy")->setChecked(*typed.proxy);
                if (!typed.address.isEmpty())
                    child<QLineEdit>(w, "eAddress")->setText(typed.address);
                if (!typed.port.isEmpty())
                    child<QLineEdit>(w, "ePort")->setText(typed.port);
                clickLater(w, "bQuery");
            } else if (isWindow(w, "frmQueryCDDB") && sawWait && !closing) {
                closing = true;
                seen.queryOpenAfterWait = true;
                clickLater(w, "bClose");
            } else if (isWindow(w, "frmChooseRelease")) {
                // Several entries with titles: take the second.
                auto* list = child<QTreeWidget>(w, "lvCandidates");
                seen.choices = list->topLevelItemCount();
                list->setCurrentItem(list->topLevelItem(1));
                clickLater(w, "btUse");
            } else if (isWindow(w, "frmStopQuery") && !stopped) {
                sawWait = true;
                const bool panel = !child<QFrame>(w, "Panel1")->isHidden();
                if (!panel && !child<QLabel>(w, "lHint")->isHidden())
                    seen.busyShown = true;
                if (panel) {
                    seen.panelShown = true;
                    seen.reason = child<QLabel>(w, "lReason")->text();
                    seen.reasonFirst = child<QFrame>(w, "Panel1")
                                           ->layout()
                                           ->indexOf(child<QLabel>(w, "lReason")) == 0;
                    seen.stopCaption = child<QPushButton>(w, "bStop")->text();
                    stopped = true;
                    clickLater(w, "bStop");
                } else if (then == Then::StopWhenAsked && server && !server->requests().empty()) {
                    stopped = true;
                    clickLater(w, "bStop");
                }
            }
        });
        driver.start();
        seen.result = ExecQueryCDDB(nullptr, handle, [&](int row, const QString& title) {
            if (!isWindow(QApplication::activeModalWidget(), "frmStopQuery"))
                seen.titlesWhileWaitShown = false;
            rows.at(size_t(row)) = title;
        });
        return seen;
    }
};

TEST_F(CddbLookupTest, AnswersOfTheServer)
{
    const QString t1 = QStringLiteral("Track01"), t2 = QStringLiteral("Track02"),
                  t3 = QStringLiteral("Track03");
    struct Case {
        const char* name;
        CddbTestServer::Handler server;
        std::vector<QString> rows;
        QString artist, album, year;
        int genre;
    };
    const Case cases[] = {
        {"one match",
         CddbServerHandler(
             "200 rock 0a0b0c03 A / B\r\n",
             {{"rock+0a0b0c03", "DTITLE=Some Artist / Some Album\r\nDYEAR=2001\r\nDGENRE=Rock\r\n"
                                "TTITLE0=Intro\r\nTTITLE1=Middle\r\nTTITLE2=End\r\n"}}),
         {QStringLiteral("Intro"), QStringLiteral("Middle"), QStringLiteral("End")},
         QStringLiteral("Some Artist"),
         QStringLiteral("Some Album"),
         QStringLiteral("2001"),
         118},
        {"several matches, the first without titles",
         CddbServerHandler(
             "211 close matches\r\nrock 0a0b0c03 x\r\njazz 0a0b0c04 y\r\n.\r\n",
             {{"rock+0a0b0c03", "DTITLE=First / One\nDYEAR=1990\n"},
              {"jazz+0a0b0c04", "DTITLE=AC/DC / Live\nDGENRE=rock\nTTITLE0=a\nTTITLE1=b\n"}}),
         {QStringLiteral("a"), QStringLiteral("b"), t3},
         QStringLiteral("AC/DC"), // split at " / ", not inside the name
         QStringLiteral("Live"),
         QStringLiteral("1990"),
         -1},
        {"two entries with titles: the user takes the second",
         CddbServerHandler(
             "210 exact\r\nrock 0a0b0c03 x\r\njazz 0a0b0c03 y\r\n.\r\n",
             {{"rock+0a0b0c03", "DTITLE=First / One\nDYEAR=1990\nTTITLE0=r0\nTTITLE1=r1\n"},
              {"jazz+0a0b0c03", "DTITLE=Second / Two\nDYEAR=2002\nTTITLE0=j0\nTTITLE2=j2\n"}}),
         {QStringLiteral("j0"), t2, QStringLiteral("j2")},
         QStringLiteral("Second"),
         QStringLiteral("Two"),
         QStringLiteral("2002"),
         0},
        {"a match without usable titles still finishes",
         CddbServerHandler("200 misc 0a0b0c03 A / B\r\n", {}),
         {t1, t2, t3},
         QString(),
         QString(),
         QStringLiteral("1999"),
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        rows = {t1, t2, t3};
        CddbTestServer server(c.server);
        const Seen seen = lookup(atServer(server.address()));
        ASSERT_FALSE(seen.timedOut);
        EXPECT_EQ(seen.result, mrYes);
        EXPECT_EQ(rows, c.rows);
        EXPECT_TRUE(seen.titlesWhileWaitShown);
        const TCDInfo& info = OptionsSetting.CDInfo;
        EXPECT_EQ(info.Artist, c.artist);
        EXPECT_EQ(info.Album, c.album);
        EXPECT_EQ(info.Year, c.year);
        EXPECT_EQ(info.Genre, c.genre);
        EXPECT_EQ(info.Comment, QStringLiteral("mine"));
        EXPECT_FALSE(seen.panelShown);
        EXPECT_EQ(seen.choices, QByteArray(c.name).startsWith("two entries") ? 2 : 0);
        // mrYes: the query dialog closed itself after the wait window (the driver
        // may glimpse it for a moment on a loaded machine, so that is not checked).
    }
}

TEST_F(CddbLookupTest, NoMatchShowsThePanelWithTheReason)
{
    struct Case {
        const char* name;
        CddbTestServer::Handler server;
        const char* reason; // empty: any text
        bool failure;       // the lookup failed: its reason comes first
    };
    const auto answer = [](TestHttpReply r) { return [r](const QByteArray&) { return r; }; };
    const Case cases[] = {
        {"no match", answer({"202 No match for disc ID 0a0b0c03.\r\n"}),
         "202 No match for disc ID 0a0b0c03.", false},
        {"server error", answer({"500 Unknown developer email\r\n"}),
         "The CDDB server accepts only registered programs; MusicBrainz needs no registration (the "
         "server said: 500 Unknown developer email)",
         false},
        {"markup in the answer stays text", answer({"500 <b>bold</b> <img src=x>\r\n"}),
         "500 <b>bold</b> <img src=x>", false},
        {"HTTP error", answer({"busy", 503}), "", true},
        {"not a CDDB answer", answer({"<html>hello</html>"}), "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        CddbTestServer server(c.server);
        const Seen seen = lookup(atServer(server.address()));
        ASSERT_FALSE(seen.timedOut);
        EXPECT_TRUE(seen.panelShown);
        EXPECT_EQ(seen.stopCaption, QStringLiteral("Close"));
        if (*c.reason) {
            EXPECT_EQ(seen.reason, QString::fromUtf8(c.reason));
        }
        EXPECT_FALSE(seen.reason.isEmpty());
        EXPECT_EQ(seen.reasonFirst, c.failure);
        // Close returned to the query dialog, which was still open.
        EXPECT_TRUE(seen.queryOpenAfterWait);
        EXPECT_EQ(seen.result, mrCancel);
        EXPECT_EQ(rows, (std::vector<QString>{QStringLiteral("Track01"), QStringLiteral("Track02"),
                                              QStringLiteral("Track03")}));
        EXPECT_TRUE(OptionsSetting.CDInfo.Artist.isEmpty());
        EXPECT_EQ(OptionsSetting.CDInfo.Year, QStringLiteral("1999"));
    }
}

TEST_F(CddbLookupTest, StopDuringASlowServerStoresNothing)
{
    // Stop is pressed once the server holds the query; whatever the server
    // does afterwards must not reach the list or the record.
    const QByteArray match = "200 rock 0a0b0c03 A / B\r\n";
    struct Case {
        const char* name;
        CddbTestServer::Handler handler;
    };
    const Case cases[] = {
        {"server never answers",
         [](const QByteArray&) {
             return TestHttpReply{{}, 200, true};
         }},
        {"answer comes late",
         [&](const QByteArray& line) {
             std::this_thread::sleep_for(std::chrono::milliseconds(300));
             return CddbServerHandler(match, {{"rock+0a0b0c03", "DTITLE=Late / Late\n"
                                                                "TTITLE0=late\n"}})(line);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CddbTestServer server(c.handler);
        const TCDInfo before = OptionsSetting.CDInfo;
        const Seen seen = lookup(atServer(server.address()), &server, Then::StopWhenAsked);
        // Time for a late answer to arrive, were it still listened to.
        QTest::qWait(500);
        ASSERT_FALSE(seen.timedOut);
        EXPECT_TRUE(seen.busyShown);
        EXPECT_EQ(server.requests().size(), 1u);
        EXPECT_FALSE(seen.panelShown);
        EXPECT_TRUE(seen.queryOpenAfterWait);
        EXPECT_EQ(seen.result, mrCancel);
        EXPECT_EQ(rows, (std::vector<QString>{QStringLiteral("Track01"), QStringLiteral("Track02"),
                                              QStringLiteral("Track03")}));
        EXPECT_EQ(OptionsSetting.CDInfo.Artist, before.Artist);
        EXPECT_EQ(OptionsSetting.CDInfo.Year, before.Year);
        // Query remembers the choices even when the lookup was stopped.
        EXPECT_EQ(OptionsSetting.QueryCDDB.Server, server.address());
    }
}

TEST_F(CddbLookupTest, ServerAndProxyChoicesAreStoredAndUsed)
{
    // A proxy is played by the local server: it receives the full address of
    // the server asked for, so no test reaches beyond 127.0.0.1.
    CddbTestServer local(CddbServerHandler("202 No match.\r\n", {}));
    const QString port = QString::number(local.port());
    struct Case {
        const char* name;
        TQueryCDDB settings; // before the dialog opens
        Typed typed;
        TQueryCDDB stored;
        QByteArray requestStart; // the first request line starts so
    };
    const Case cases[] = {
        {"a host saved earlier is shown and asked, as by the command line",
         {QStringLiteral("my.own.host"), kCddbDefaultScript, true, QStringLiteral("127.0.0.1"),
          port},
         {},
         {QStringLiteral("my.own.host"), kCddbDefaultScript, true, QStringLiteral("127.0.0.1"),
          port},
         "GET http://my.own.host/~cddb/cddb.cgi?cmd=cddb+query+"},
        {"typed server and script through a proxy",
         {kCddbDefaultServer, kCddbDefaultScript, false, {}, {}},
         {QStringLiteral("cddb.example.org"), QStringLiteral("/cgi/q.cgi"), true,
          QStringLiteral("127.0.0.1"), port},
         {QStringLiteral("cddb.example.org"), QStringLiteral("/cgi/q.cgi"), true,
          QStringLiteral("127.0.0.1"), port},
         "GET http://cddb.example.org/cgi/q.cgi?cmd=cddb+query+"},
        {"proxy off keeps its texts but goes direct",
         {kCddbDefaultServer, kCddbDefaultScript, true, {}, {}},
         {local.address(), {}, false, QStringLiteral("10.0.0.1"), QStringLiteral("abc")},
         {local.address(), kCddbDefaultScript, false, QStringLiteral("10.0.0.1"),
          QStringLiteral("abc")},
         "GET /~cddb/cddb.cgi?cmd=cddb+query+"},
    };
    size_t asked = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OptionsSetting.QueryCDDB = c.settings;
        const Seen seen = lookup(c.typed);
        ASSERT_FALSE(seen.timedOut);
        EXPECT_TRUE(seen.panelShown);
        const TQueryCDDB& q = OptionsSetting.QueryCDDB;
        EXPECT_EQ(q.Server, c.stored.Server);
        EXPECT_EQ(q.Script, c.stored.Script);
        EXPECT_EQ(q.UseProxy, c.stored.UseProxy);
        EXPECT_EQ(q.ProxyAddress, c.stored.ProxyAddress);
        EXPECT_EQ(q.Port, c.stored.Port);
        const auto requests = local.requests();
        ASSERT_EQ(requests.size(), asked + 1);
        EXPECT_TRUE(requests[asked].startsWith(c.requestStart)) << requests[asked].constData();
        asked = requests.size();
    }
}

TEST_F(CddbLookupTest, TitlesFoundSurviveARestart)
{
    CddbTestServer server(
        CddbServerHandler("200 rock 0a0b0c03 A / B\r\n",
                          {{"rock+0a0b0c03", "DTITLE=Band / Record\nDYEAR=2020\nDGENRE=Jazz\n"
                                             "TTITLE0=One\nTTITLE1=Two\nTTITLE2=Three\n"}}));
    const Seen seen = lookup(atServer(server.address()));
    ASSERT_FALSE(seen.timedOut);
    ASSERT_EQ(seen.result, mrYes);

    // What the main window does when it closes: the list's titles into the
    // record, the record into cdinfo.dat under the disc's key.
    const QString key = DiscKeyFromTOC(drive.toc());
    TCDInfo& info = OptionsSetting.CDInfo;
    info.TrackNumber = int(rows.size());
    for (size_t n = 0; n < rows.size(); ++n)
        info.Tracks[n + 1] = rows[n];
    LoadSaveDiscInfo(key, false);

    OptionsSetting.CDInfo = {};
    LoadSaveDiscInfo(key, true);
    EXPECT_EQ(info.Artist, QStringLiteral("Band"));
    EXPECT_EQ(info.Album, QStringLiteral("Record"));
    EXPECT_EQ(info.Year, QStringLiteral("2020"));
    EXPECT_EQ(info.Genre, GenreIndex(QStringLiteral("Jazz")) + 1);
    EXPECT_EQ(info.TrackNumber, 3);
    EXPECT_EQ(info.Tracks[1], QStringLiteral("One"));
    EXPECT_EQ(info.Tracks[2], QStringLiteral("Two"));
    EXPECT_EQ(info.Tracks[3], QStringLiteral("Three"));
}

TEST_F(CddbLookupTest, UnreadableDiscOpensNothing)
{
    struct Case {
        const char* name;
        std::function<void(MemoryCDDrive&)> spoil;
        bool dialogOpens;
    };
    const Case cases[] = {
        // Before the dialog: the main window's error, no dialog.
        {"TOC cannot be read", [](MemoryCDDrive& d) { d.setFailReadTOC(true); }, false},
        // Between Query presses the disc was changed: the titles would land
        // on the wrong rows, so the wait window says the TOC is wrong.
        {"disc changed behind the list", [](MemoryCDDrive&) {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drive.setTracks({375, 225, 150});
        prompts.shown.clear();
        c.spoil(drive);
        CddbTestServer server(CddbServerHandler("202 No match.\r\n", {}));
        Seen seen;
        if (c.dialogOpens) {
            // The wait window reads the TOC again: make it differ from the
            // one the dialog was opened for.
            QTimer::singleShot(0, [&] { drive.setTracks({375, 225}); });
        }
        seen = lookup(atServer(server.address()));
        ASSERT_FALSE(seen.timedOut);
        EXPECT_EQ(seen.result, mrCancel);
        EXPECT_TRUE(server.requests().empty());
        if (c.dialogOpens) {
            EXPECT_TRUE(seen.panelShown);
            EXPECT_EQ(seen.reason, QStringLiteral("Error while reading TOC information!"));
        } else {
            ASSERT_EQ(prompts.shown.size(), 1u);
            EXPECT_EQ(prompts.lastText(), QStringLiteral("Error while reading TOC information!"));
        }
        drive.setFailReadTOC(false);
    }
}

} // namespace
