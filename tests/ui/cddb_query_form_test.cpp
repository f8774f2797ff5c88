// The query dialog and the wait window on their own: controls, what the
// dialog shows from the settings, Default, and Close leaving the settings.
#include "ui/cddb/query_cddb_form.h"

#include "cddb/cddb_client.h"
#include "settings/options_setting.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

template <typename T> T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

struct QueryFormTest : ::testing::Test {
    TOptionsSetting saved = OptionsSetting;
    void TearDown() override { OptionsSetting = saved; }
};

TEST_F(QueryFormTest, ControlsAndTexts)
{
    TfrmQueryCDDB form(nullptr, 1, 3, 0, {});
    EXPECT_EQ(form.objectName(), QStringLiteral("frmQueryCDDB"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Query CDDB"));
    const std::pair<const char*, const char*> texts[] = {
        {"GroupBox1", "Server"},
        {"Label1", "Freedb Server:"},
        {"Label2", "Query Script:"},
        {"GroupBox2", "Proxy server"},
        {"cbProxy", "Use a proxy server"},
        {"Label3", "Address:"},
        {"Label4", "Port:"},
        {"bQuery", "Query"},
        {"bDefault", "Default"},
        {"bClose", "Close"},
    };
    for (const auto& [name, text] : texts) {
        SCOPED_TRACE(name);
        QWidget* w = child<QWidget>(form, name);
        ASSERT_NE(w, nullptr);
        QString shown;
        if (auto* g = qobject_cast<QGroupBox*>(w))
            shown = g->title();
        else if (auto* l = qobject_cast<QLabel*>(w))
            shown = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            shown = b->text();
        EXPECT_EQ(shown, QString::fromUtf8(text));
    }
    auto* server = child<QComboBox>(form, "cbServer");
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(server->isEditable());
    ASSERT_EQ(server->count(), 12);
    EXPECT_EQ(server->itemText(0), kCddbDefaultServer);
    EXPECT_EQ(child<QLineEdit>(form, "eScript")->text(), QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_NE(child<QLineEdit>(form, "eAddress"), nullptr);
    EXPECT_NE(child<QLineEdit>(form, "ePort"), nullptr);

    TfrmStopQuery wait(nullptr, 1, 3, 0, {});
    EXPECT_EQ(wait.objectName(), QStringLiteral("frmStopQuery"));
    EXPECT_EQ(wait.windowTitle(), QStringLiteral("Query CDDB..."));
    EXPECT_FALSE(wait.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(child<QLabel>(wait, "lHint")->text(), QStringLiteral("Query CDDB..."));
    EXPECT_EQ(child<QPushButton>(wait, "bStop")->text(), QStringLiteral("Stop"));
    EXPECT_TRUE(child<QFrame>(wait, "Panel1")->isHidden());
    EXPECT_EQ(child<QLabel>(wait, "Label1")->text(),
              QStringLiteral("No match found,perhaps:\n1.No information in CDDB server\n"
                             "2.error CDDB options\n3.check the network"));
    // Neither Escape nor the window manager ends the wait.
    wait.reject();
    EXPECT_EQ(wait.result(), 0);
}

TEST_F(QueryFormTest, AnUnreadableDiscHeadsThePanelAndEscapeCloses)
{
    TfrmStopQuery wait(nullptr, 1, 3, 0, {});
    wait.show();
    ASSERT_FALSE(child<QFrame>(wait, "Panel1")->isHidden());
    EXPECT_EQ(child<QFrame>(wait, "Panel1")->layout()->indexOf(child<QLabel>(wait, "lReason")), 0);
    EXPECT_EQ(child<QLabel>(wait, "lReason")->text(),
              QStringLiteral("Error while reading TOC information!"));
    QTest::keyClick(&wait, Qt::Key_Escape);
    EXPECT_FALSE(wait.isVisible());
    EXPECT_EQ(wait.result(), mrCancel);
}

TEST_F(QueryFormTest, ShowTakesTheSettings)
{
    struct Case {
        const char* name;
        TQueryCDDB settings;
        QString shownServer;
    };
    const Case cases[] = {
        {"server in the list",
         {QStringLiteral("de.freedb.org"), QStringLiteral("/s.cgi"), true,
          QStringLiteral("proxy.lan"), QStringLiteral("3128")},
         QStringLiteral("de.freedb.org")},
        {"a saved host not in the list is shown and used as it is",
         {QStringLiteral("my.host"), {}, false, QStringLiteral("p"), QStringLiteral("8")},
         QStringLiteral("my.host")},
        {"list entries compare case-sensitively",
         {QStringLiteral("DE.freedb.org"), {}, true, {}, {}},
         QStringLiteral("DE.freedb.org")},
        {"nothing saved shows the main server", {QString(), {}, false, {}, {}}, kCddbDefaultServer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OptionsSetting.QueryCDDB = c.settings;
        TfrmQueryCDDB form(nullptr, 1, 3, 0, {});
        form.show();
        EXPECT_EQ(child<QComboBox>(form, "cbServer")->currentText(), c.shownServer);
        EXPECT_EQ(child<QLineEdit>(form, "eScript")->text(), c.settings.Script);
        EXPECT_EQ(child<QCheckBox>(form, "cbProxy")->isChecked(), c.settings.UseProxy);
        EXPECT_EQ(child<QLineEdit>(form, "eAddress")->text(), c.settings.ProxyAddress);
        EXPECT_EQ(child<QLineEdit>(form, "ePort")->text(), c.settings.Port);
        EXPECT_EQ(child<QLineEdit>(form, "eAddress")->isEnabled(), c.settings.UseProxy);
        EXPECT_EQ(child<QLineEdit>(form, "ePort")->isEnabled(), c.settings.UseProxy);
        // Ticking by hand switches both fields together.
        child<QCheckBox>(form, "cbProxy")->click();
        EXPECT_EQ(child<QLineEdit>(form, "eAddress")->isEnabled(), !c.settings.UseProxy);
        EXPECT_EQ(child<QLineEdit>(form, "ePort")->isEnabled(), !c.settings.UseProxy);
        form.hide();
    }
}

TEST_F(QueryFormTest, DefaultThenCloseStoresNothing)
{
    const TQueryCDDB settings{QStringLiteral("uk.freedb.org"), QStringLiteral("/x.cgi"), true,
                              QStringLiteral("proxy.lan"), QStringLiteral("3128")};
    OptionsSetting.QueryCDDB = settings;
    TfrmQueryCDDB form(nullptr, 1, 3, 0, {});
    form.show();
    child<QComboBox>(form, "cbServer")->setEditText(QStringLiteral("typed.host"));
    child<QLineEdit>(form, "ePort")->setText(QStringLiteral("8080"));
    child<QPushButton>(form, "bDefault")->click();

    EXPECT_EQ(child<QComboBox>(form, "cbServer")->currentIndex(), 0);
    EXPECT_EQ(child<QComboBox>(form, "cbServer")->currentText(), kCddbDefaultServer);
    EXPECT_EQ(child<QLineEdit>(form, "eScript")->text(), QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_FALSE(child<QCheckBox>(form, "cbProxy")->isChecked());
    EXPECT_FALSE(child<QLineEdit>(form, "eAddress")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(form, "ePort")->isEnabled());
    EXPECT_EQ(child<QLineEdit>(form, "eAddress")->text(), QStringLiteral("proxy.lan"));
    EXPECT_EQ(child<QLineEdit>(form, "ePort")->text(), QStringLiteral("8080"));

    child<QPushButton>(form, "bClose")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), mrCancel);
    const TQueryCDDB& q = OptionsSetting.QueryCDDB;
    EXPECT_EQ(q.Server, settings.Server);
    EXPECT_EQ(q.Script, settings.Script);
    EXPECT_EQ(q.UseProxy, settings.UseProxy);
    EXPECT_EQ(q.ProxyAddress, settings.ProxyAddress);
    EXPECT_EQ(q.Port, settings.Port);
}

TEST_F(QueryFormTest, RetitledFromTheLanguageFile)
{
    quillon::test::TempHome home;
    ASSERT_TRUE(quillon::test::writeFile(home.file(QStringLiteral("CLan_Testish.ini")),
                                         "[frmQueryCDDB]\nfrmQueryCDDB=CDDB fragen\nbQuery=Fragen\n"
                                         "[frmStopQuery]\nfrmStopQuery=Warten\nbStop=Halt\n"
                                         "[ResourceString]\nRES_ReadTocError=TOC kaputt\n"));
    quillon::test::MemoryCDDrive drive;
    drive.setFailReadTOC(true);
    quillon::test::ScopedCDAccess access(drive);
    struct Case {
        const char* language;
        QString title, query, waitTitle, reason;
    };
    const Case cases[] = {
        {"Testish", QStringLiteral("CDDB fragen"), QStringLiteral("Fragen"),
         QStringLiteral("Warten"), QStringLiteral("TOC kaputt")},
        {"English", QStringLiteral("Query CDDB"), QStringLiteral("Query"),
         QStringLiteral("Query CDDB..."), QStringLiteral("Error while reading TOC information!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        OptionsSetting.Lan = QString::fromLatin1(c.language);
        TfrmQueryCDDB form(nullptr, 1, 3, 1, {});
        form.show();
        EXPECT_EQ(form.windowTitle(), c.title);
        EXPECT_EQ(child<QPushButton>(form, "bQuery")->text(), c.query);
        // The wait window cannot read the disc: its panel says so, and its
        // button says "Close" in every language.
        TfrmStopQuery wait(&form, 1, 3, 1, {});
        wait.show();
        EXPECT_EQ(wait.windowTitle(), c.waitTitle);
        EXPECT_FALSE(child<QFrame>(wait, "Panel1")->isHidden());
        EXPECT_EQ(child<QLabel>(wait, "lReason")->text(), c.reason);
        EXPECT_EQ(child<QPushButton>(wait, "bStop")->text(), QStringLiteral("Close"));
        wait.hide();
        form.hide();
    }
}

} // namespace
