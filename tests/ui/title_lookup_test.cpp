// The main window's title lookup on the offscreen platform: a disc without
// stored titles is looked up by itself against a MusicBrainz service started
// here; with two releases the chooser opens and the test picks the second.
#include "../metadata/mb_answers.h"
#include "metadata/disc_ids.h"
#include "settings/disc_info.h"
#include "settings/options_setting.h"
#include "settings/options_store.h"
#include "settings/prompts.h"
#include "support/cddb_test_server.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"
#include "ui/main/main_form.h"
#include "ui/metadata/choose_release_form.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace quillon::test;

namespace {

QString q(const char* s)
{
    return QString::fromUtf8(s);
}

struct TitleLookupTest : ::testing::Test {
    TempHome home;
    TOptionsSetting saved = OptionsSetting;
    ScopedPrompts prompts;
    quillon::test::MemoryCDDrive cd{quillon::test::MemoryCDDrive::NoDrive};
    QString discId;

    void SetUp() override
    {
        cd.setDrives({quillon::test::namedDrive()});
        cd.setToc(quillon::test::tocAt({150, 900, 2400}));
        discId = DiscIdsOf(cd.toc())->MusicBrainz;
    }
    void TearDown() override { OptionsSetting = saved; }

    void useServer(const CddbTestServer& server, const char* sources = "musicbrainz")
    {
        ASSERT_TRUE(
            writeFile(OptionsFilePath(),
                      QStringLiteral("[MusicBrainz]\nServer=http://%1\nCoverArtServer=http://"
                                     "%1/caa\n[Lookup]\nSources=%2\n")
                          .arg(server.address(), q(sources))
                          .toUtf8()));
    }
    TMainFormServices services()
    {
        TMainFormServices s = DefaultMainFormServices();
        s.cd = &cd;
        return s;
    }
    // Runs the event loop until done() or 20 seconds.
    static bool waitFor(const std::function<bool()>& done)
    {
        QDeadlineTimer limit(20000);
        while (!done() && !limit.hasExpired())
            QTest::qWait(10);
        return done();
    }
};

TEST_F(TitleLookupTest, ChooserPicksTheSecondRelease)
{
    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(100, 'p');
    CddbTestServer server([&](const QByteArray& line) {
        if (line.contains("/caa/release/"))
            return TestHttpReply{jpeg};
        return TestHttpReply{mbtest::twoReleases(discId)};
    });
    useServer(server);

    // The test plays the user of the chooser: it looks, then takes row 2.
    QStringList rows, tracksOfFirst, tracksOfSecond;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* chooser = qobject_cast<TfrmChooseRelease*>(QApplication::activeModalWidget());
        if (chooser == nullptr)
            return;
        user.stop();
        auto* list = chooser->findChild<QTreeWidget*>(q("lvCandidates"));
        auto* tracks = chooser->findChild<QListWidget*>(q("lbTracks"));
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(2) + q(" | ") + list->topLevelItem(i)->text(6);
        for (int i = 0; i < tracks->count(); ++i)
            tracksOfFirst << tracks->item(i)->text();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(1)).center());
        for (int i = 0; i < tracks->count(); ++i)
            tracksOfSecond << tracks->item(i)->text();
        chooser->findChild<QPushButton*>(q("btUse"))->click();
    });
    user.start(10);

    TMainForm form(services());
    form.show();
    ASSERT_TRUE(waitFor([&] {
        return form.titles() == QStringList{q("Ça va"), q("B-Side")};
    })) << form.titles().join(q(", ")).toStdString()
        << " / " << form.statusText().toStdString();
    EXPECT_EQ(rows, (QStringList{q("Live Set | 2 of 2"), q("Ça va (Single) | 1 of 1")}));
    EXPECT_EQ(tracksOfFirst, (QStringList{q(" 1  Ça va, Straße"), q(" 2  東京の夜 (Dee)")}));
    EXPECT_EQ(tracksOfSecond, (QStringList{q(" 1  Ça va"), q(" 2  B-Side")}));
    EXPECT_EQ(form.DiscTitleLabel()->text(), q("Anna – Ça va (Single)"));
    EXPECT_EQ(form.statusText(), q("Titles from MusicBrainz"));
    // The choice is in the disc store at once, with where it came from.
    OptionsSetting.CDInfo = {};
    LoadSaveDiscInfo(DiscKeyFromTOC(cd.toc()), true);
    EXPECT_EQ(OptionsSetting.CDInfo.Tracks[2], q("B-Side"));
    EXPECT_EQ(OptionsSetting.CDInfo.Source, q("musicbrainz"));
    EXPECT_EQ(OptionsSetting.CDInfo.MusicBrainzReleaseId, q(mbtest::kSingleId));
    // That release has no front cover: nothing was fetched.
    for (const QByteArray& line : server.requests())
        EXPECT_FALSE(line.contains("/caa/")) << line.constData();
    EXPECT_TRUE(prompts.shown.empty());
    form.close();
}

TEST_F(TitleLookupTest, OneCandidateIsTakenAndItsCoverGoesBesideTheTracks)
{
    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(100, 'p');
    // Only the set lists our disc; its front cover is a picture.
    QByteArray answer = mbtest::twoReleases(discId);
    answer.replace(discId.toLatin1(), "notOurs");
    answer.replace("someOtherDiscIdSomeOtherDis-", discId.toLatin1());
    CddbTestServer server([&](const QByteArray& line) {
        if (line.contains("/caa/release/"))
            return TestHttpReply{jpeg};
        return TestHttpReply{"{\"releases\": [" +
                             answer.mid(answer.indexOf("{ \"id\": \"11111111"),
                                        answer.indexOf(",\n    { \"id\": \"2222") -
                                            answer.indexOf("{ \"id\": \"11111111")) +
                             "]}"};
    });
    useServer(server);
    TMainForm form(services());
    form.show();
    ASSERT_TRUE(waitFor([&] {
        return form.titles() == QStringList{q("Wrong One"), q("Wrong Two")};
    })) << form.titles().join(q(", ")).toStdString()
        << " / " << form.statusText().toStdString();
    EXPECT_EQ(OptionsSetting.CDInfo.DiscNumber, 1);
    ASSERT_TRUE(waitFor([&] { return !OptionsSetting.CDInfo.FrontCover.isEmpty(); }));
    const QString folder = home.file(q("out"));
    QDir().mkpath(folder);
    form.model().SaveCoverInto(folder);
    EXPECT_EQ(readFile(folder + q("/cover.jpg")), jpeg);
    form.close();
}

TEST_F(TitleLookupTest, StoredOrTypedTitlesWinAndFailuresChangeNothing)
{
    struct Case {
        const char* name;
        bool stored;        // the disc has titles in the store
        bool typeMeanwhile; // the user renames a track while the lookup runs
        TestHttpReply reply;
        const char* status; // part of the status line at the end
    };
    const Case cases[] = {
        {"stored titles: no lookup", true, false, {}, "QUILLON"},
        {"typed while looking up", false, true, {}, "yours are kept"},
        {"unknown disc", false, false, {"{}", 404}, "No titles found"},
        {"malformed answer", false, false, {"{\"releases\": 5"}, "cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> release{false};
        CddbTestServer server([&](const QByteArray&) {
            // The answer waits until the test has typed.
            QDeadlineTimer limit(20000);
            while (c.typeMeanwhile && !release && !limit.hasExpired())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return c.reply.body.isEmpty() && c.reply.status == 200
                       ? TestHttpReply{mbtest::twoReleases(discId)}
                       : c.reply;
        });
        useServer(server);
        QFile::remove(DiscInfoFilePath());
        if (c.stored) {
            OptionsSetting.CDInfo = {};
            OptionsSetting.CDInfo.TrackNumber = 2;
            OptionsSetting.CDInfo.Tracks[1] = q("Mine");
            OptionsSetting.CDInfo.Tracks[2] = q("Also Mine");
            LoadSaveDiscInfo(DiscKeyFromTOC(cd.toc()), false);
        }
        TMainForm form(services());
        form.show();
        if (c.typeMeanwhile) {
            ASSERT_TRUE(server.waitForRequests(1, 20000));
            form.setTitle(0, q("Typed"));
            release = true;
        }
        ASSERT_TRUE(waitFor([&] {
            return form.statusText().contains(q(c.status)) && !form.model().LookupRunning();
        })) << form.statusText().toStdString();
        QTest::qWait(50);
        const QStringList expected = c.stored          ? QStringList{q("Mine"), q("Also Mine")}
                                     : c.typeMeanwhile ? QStringList{q("Typed"), q("Track02")}
                                                       : QStringList{q("Track01"), q("Track02")};
        EXPECT_EQ(form.titles(), expected);
        EXPECT_EQ(server.requests().empty(), c.stored);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(prompts.shown.empty());
        form.close();
    }
}

} // namespace
