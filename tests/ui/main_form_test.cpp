#include "main/desktop_tools.h"
#include "main/track_rows.h"
#include "settings/language.h"
#include "settings/options_setting.h"
#include "settings/options_store.h"
#include "settings/prompts.h"
#include "ui/common/status_bar.h"
#include "ui/main/help_window.h"
#include "ui/main/main_form.h"
#include "ui/main/no_device_hint.h"

#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

using quillon::test::MemoryCDDrive;
using quillon::test::namedDrive;
using quillon::test::readFile;
using quillon::test::TempHome;
using quillon::test::tocAt;
using quillon::test::writeFile;

namespace {
QString q(const char* s)
{
    return QString::fromUtf8(s);
}

// What the window sees when it comes to the front.
void activate(QWidget& window)
{
    QEvent event(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &event);
}

constexpr int f(int minute, int second, int frame)
{
    return (minute * 60 + second) * 75 + frame;
}

// The disc store and options file in memory, with a log of every save.
struct FakeStores {
    std::map<QString, TCDInfo> discs;
    std::vector<QString> log;
    bool discSaveThrows = false;
    int optionLoads = 0;

    TMainFormServices services(MemoryCDDrive& cd)
    {
        TMainFormServices s;
        s.cd = &cd;
        s.discKey = [](const TTOC& toc) {
            qint64 sum = 0;
            for (const auto& e : toc.Entries)
                sum += e.MsfFrames();
            return toc.Entries.empty() ? QString() : QString::number(sum);
        };
        s.discInfo = [this](const QString& key, bool load) {
            if (key.isEmpty())
                return;
            if (load) {
                const auto it = discs.find(key);
                OptionsSetting.CDInfo = it == discs.end() ? TCDInfo{} : it->second;
                return;
            }
            log.push_back(QStringLiteral("disc ") + key);
            if (discSaveThrows)
                throw std::runtime_error("Unable to write to cdinfo.dat");
            discs[key] = OptionsSetting.CDInfo;
        };
        s.options = [this](bool load) {
            if (load)
                ++optionLoads;
            else
                log.push_back(QStringLiteral("options"));
        };
        return s;
    }
};

// Fresh settings and program folder for each test.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override { OptionsSetting = TOptionsSetting{}; }
    void TearDown() override { OptionsSetting = TOptionsSetting{}; }

    TempHome home;
    ScopedPrompts prompts;
    MemoryCDDrive cd{MemoryCDDrive::NoDrive};
    FakeStores stores;
};

TTOC threeTrackDisc()
{
    return tocAt({f(0, 2, 0), f(5, 1, 74), f(8, 26, 10), f(12, 0, 0)});
}
} // namespace

TEST_F(MainFormTest, OpenDriveReportsEachFailureInTheStatusLine)
{
    const struct {
        int drives;
        int index;
        bool refuse;   // the drive never opens
        bool leftOpen; // a handle of an earlier run keeps the drive busy
        bool opened;
        const char* status;
    } cases[] = {
        {0, 0, false, false, false, "No CD devices found!"},
        {1, 1, false, false, false, "CD device information error in your configration!"},
        {2, -1, false, false, false, "CD device information error in your configration!"},
        {1, 0, true, false, false, "No CD devices found!"},
        {1, 0, false, true, true, "QUILLON MEMORY DRIVE"}, // the stale handle freed, then opened
        {2, 1, false, false, true, "QUILLON MEMORY DRIVE"},
    };
    for (const auto& c : cases) {
        MemoryCDDrive access;
        access.setDrives(std::vector<TCDREC>(size_t(c.drives), namedDrive()));
        access.setFailGetHandle(c.refuse);
        if (c.leftOpen) {
            access.setExclusive(true);
            ASSERT_NE(access.GetCDHandle(namedDrive()), 0u);
        }
        TMainFormModel model(stores.services(access));
        EXPECT_EQ(model.OpenDrive(c.index) != 0, c.opened) << c.status;
        EXPECT_EQ(model.statusText(), q(c.status));
        EXPECT_TRUE(prompts.shown.empty()) << "failures never open a box";
    }
}

TEST_F(MainFormTest, NoDriveShowsHintAndKeepsEnglishWhateverTheLanguage)
{
    OptionsSetting.Lan = q("Pirate");
    ASSERT_TRUE(writeFile(home.file(q("CLan_Pirate.ini")),
                          "[MainForm]\nMainForm=Arr\ntbExit=Walk the plank\n"));
    TMainForm form(stores.services(cd));
    form.show();
    activate(form);
    EXPECT_EQ(form.statusText(), q("No CD devices found!"));
    EXPECT_EQ(form.ListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(form.windowTitle(), q("Quillon 2.5"));
    EXPECT_EQ(form.toolButton(q("tbExit"))->text(), q("Exit"));
    auto* hint = form.findChild<TfrmNoDeviceHint*>();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    hint->close();
    EXPECT_TRUE(form.isEnabled());

    EXPECT_FALSE(form.model().PrepareExtract(form.titles(), form.checkedRows()));
    EXPECT_EQ(prompts.lastText(), q("Please access CD devices rightly above all!"));
}

TEST_F(MainFormTest, ADriveWithTheLanguageFileRetitlesTheWindow)
{
    OptionsSetting.Lan = q("Pirate");
    ASSERT_TRUE(writeFile(home.file(q("CLan_Pirate.ini")),
                          "[MainForm]\nMainForm=Arr\ntbExit=Walk the plank\n"));
    cd.setDrives({namedDrive()});
    cd.setToc(threeTrackDisc());
    TMainForm form(stores.services(cd));
    form.show();
    EXPECT_EQ(form.windowTitle(), q("Arr"));
    EXPECT_EQ(form.toolButton(q("tbExit"))->text(), q("Walk the plank"));
    EXPECT_EQ(form.toolButton(q("tbFolder"))->text(), q("Folder"));
    EXPECT_EQ(stores.optionLoads, 1);
}

TEST_F(MainFormTest, DiscInsertedAndRemovedAreNoticedByPolling)
{
    cd.setDrives({namedDrive()});
    TMainForm form(stores.services(cd));
    form.show();
    activate(form);
    EXPECT_TRUE(form.model().NoDiscAtStart());
    EXPECT_EQ(form.statusText(), q("Can not find audio CD in your CD device."));
    EXPECT_EQ(form.findChild<TfrmNoDeviceHint*>(), nullptr);

    cd.setToc(threeTrackDisc());
    form.model().PollDisc();
    ASSERT_EQ(form.ListView1()->topLevelItemCount(), 3);
    QTreeWidgetItem* first = form.ListView1()->topLevelItem(0);
    EXPECT_EQ(first->text(0), q("1"));
    EXPECT_EQ(first->text(1), q("Track01"));
    EXPECT_EQ(first->text(2), q("04:59"));
    EXPECT_EQ(first->text(3), q("50.30"));
    EXPECT_EQ(first->checkState(0), Qt::Checked);
    EXPECT_EQ(form.statusText(), q("QUILLON MEMORY DRIVE"));
    activate(form);
    EXPECT_EQ(form.statusText(), q("QUILLON MEMORY DRIVE")) << "the notice does not come back";

    // A title typed for the disc survives its removal and comes back with it.
    form.setTitle(1, q("Second Song"));
    const TTOC disc = cd.toc();
    cd.setTracks({});
    form.model().PollDisc();
    EXPECT_EQ(form.ListView1()->topLevelItemCount(), 0);
    cd.setToc(disc);
    form.model().PollDisc();
    EXPECT_EQ(form.titles(), (QStringList{q("Track01"), q("Second Song"), q("Track03")}));

    // A data disc counts as no audio CD.
    cd.setToc(tocAt({f(0, 2, 0), f(40, 0, 0)}, 1));
    form.model().PollDisc();
    EXPECT_EQ(form.ListView1()->topLevelItemCount(), 0);
    form.model().Refresh();
    EXPECT_EQ(form.statusText(), q("Can not find audio CD in your CD device."));
}

TEST_F(MainFormTest, UnreadableTableOfContentsIsReported)
{
    cd.setDrives({namedDrive()});
    cd.setToc(threeTrackDisc());
    TMainForm form(stores.services(cd));
    form.show();
    cd.setFailReadTOC(true);
    form.ReadDisc();
    EXPECT_EQ(form.statusText(), q("Not get CD device information!"));
    EXPECT_EQ(form.ListView1()->topLevelItemCount(), 0);
}

TEST_F(MainFormTest, CtrlClickTogglesTheCheckAndSelectAllNoneSetThemAll)
{
    cd.setDrives({namedDrive()});
    cd.setToc(threeTrackDisc());
    TMainForm form(stores.services(cd));
    form.show();
    QTreeWidget* list = form.ListView1();
    const QPoint onTitle = list->visualItemRect(list->topLevelItem(1)).center();

    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, onTitle);
    EXPECT_EQ(form.checkedRows(), (std::vector<bool>{true, false, true}));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, onTitle);
    EXPECT_EQ(form.checkedRows(), (std::vector<bool>{true, true, true}));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, onTitle);
    EXPECT_EQ(form.checkedRows(), (std::vector<bool>{true, true, true})) << "plain click selects";
    EXPECT_EQ(form.selectedRow(), 1);

    // The shortcuts work while the list has the focus.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(form.checkedRows(), (std::vector<bool>{false, false, false}));
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.checkedRows(), (std::vector<bool>{true, true, true}));
    form.action(TCommand::SelectNone)->trigger();
    EXPECT_EQ(form.checkedRows(), (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(form.hasCheckedRows());
    form.action(TCommand::SelectAll)->trigger();
    EXPECT_EQ(form.checkedRows(), (std::vector<bool>{true, true, true}));
    form.setChecked(1, false);
    EXPECT_EQ(form.checkedItems(), (QStringList{q("01Track01"), q("03Track03")}));
}

TEST_F(MainFormTest, CloseSavesTheDiscRecordThenTheOptions)
{
    cd.setDrives({namedDrive()});
    cd.setToc(threeTrackDisc());
    {
        TMainForm form(stores.services(cd));
        form.show();
        form.setTitle(0, q("Opening"));
        form.close();
    }
    const QString key = stores.log.front().mid(5);
    EXPECT_EQ(stores.log, (std::vector<QString>{q("disc ") + key, q("options")}));
    EXPECT_EQ(stores.discs[key].Tracks[1], q("Opening"));
    EXPECT_EQ(stores.discs[key].TrackNumber, 3);
    EXPECT_EQ(cd.closedHandles().size(), 1u);

    // Next start: the title comes back.
    TMainForm again(stores.services(cd));
    again.show();
    EXPECT_EQ(again.titles().value(0), q("Opening"));
}

TEST_F(MainFormTest, CloseGoesOnAfterAFailedStep)
{
    cd.setDrives({namedDrive()});
    cd.setToc(threeTrackDisc());
    stores.discSaveThrows = true;
    cd.setFailClose(true);
    TMainForm form(stores.services(cd));
    form.show();
    form.close();
    EXPECT_EQ(stores.log.back(), q("options")) << "a failed disc save must not lose the options";
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, q("Unable to write to cdinfo.dat"));
    EXPECT_EQ(prompts.shown[1].text, q("Error while closing CD handle!"));
}

TEST_F(MainFormTest, ExtractChecksBeforeHandingOutItems)
{
    cd.setDrives({namedDrive()});
    cd.setToc(threeTrackDisc());
    TMainForm form(stores.services(cd));
    form.show();
    const QString out = home.file(q("out"));
    const struct {
        bool anyChecked;
        const char* folder; // relative to the home, empty: missing folder
        PromptButton answer;
        bool ripTimeZero;
        bool ok;
        const char* message;
    } cases[] = {
        {false, "out", pbOk, false, false, "Please select a track at least!"},
        {true, "", pbNo, false, false, "creates a new directory?"},
        {true, "", pbYes, false, true, ""},
        {true, "out", pbOk, true, false,
         "You select to extract 0 second, please change it on Options dialog."},
        {true, "out", pbOk, false, true, ""},
    };
    for (const auto& c : cases) {
        QDir(out).removeRecursively();
        if (*c.folder != '\0')
            QDir().mkpath(out);
        OptionsSetting.CommonOptions.OutputFolder = out;
        OptionsSetting.CommonOptions.EnableRipTime = c.ripTimeZero;
        OptionsSetting.CommonOptions.RipTime = 0;
        form.SelectAll(c.anyChecked);
        prompts.shown.clear();
        prompts.answers = {c.answer};
        const auto items = form.model().PrepareExtract(form.titles(), form.checkedRows());
        EXPECT_EQ(items.has_value(), c.ok) << c.message;
        if (c.ok) {
            EXPECT_EQ(items->size(), 3);
            EXPECT_TRUE(QFileInfo(out).isDir());
        } else {
            EXPECT_TRUE(prompts.lastText().endsWith(q(c.message)))
                << prompts.lastText().toStdString();
        }
    }
}

TEST_F(MainFormTest, LanguageSwitchToAMissingFileKeepsTheCheckedItem)
{
    cd.setDrives({namedDrive()});
    TMainForm form(stores.services(cd));
    form.show();
    QAction* english = form.action(TCommand::English);
    QAction* other = form.action(TCommand::OtherLanguage);
    EXPECT_TRUE(english->isChecked());
    other->trigger();
    EXPECT_TRUE(english->isChecked());
    EXPECT_FALSE(other->isChecked());
    EXPECT_EQ(OptionsSetting.Lan, q("English"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.lastText().startsWith(home.file(q("CLan_Other.ini")) +
                                              q(" can not be found.\n\n")));
    EXPECT_TRUE(prompts.lastText().contains(HelpPageUrl(q("languages")).toString()));
    EXPECT_TRUE(prompts.lastText().endsWith(q("index.html#languages")));

    // With the file there the switch happens and retitles the window.
    ASSERT_TRUE(writeFile(home.file(q("CLan_Other.ini")),
                          "[MainForm]\ntbHome=Maison\n[Menu_MainForm]\nmiOther=Autre\n"));
    other->trigger();
    EXPECT_EQ(OptionsSetting.Lan, q("Other"));
    EXPECT_TRUE(other->isChecked());
    EXPECT_FALSE(english->isChecked());
    EXPECT_EQ(other->text(), q("Autre"));
    EXPECT_EQ(form.toolButton(q("tbHome"))->text(), q("Maison"));
}

TEST_F(MainFormTest, CommandsWithoutHandlersStayHidden)
{
    TMainForm form(stores.services(cd));
    QAction* extract = form.action(TCommand::Extract);
    ASSERT_NE(extract, nullptr);
    EXPECT_FALSE(extract->isVisible());
    EXPECT_TRUE(form.toolButton(q("tbExtract"))->isHidden());
    EXPECT_FALSE(form.toolButton(q("tbExit"))->isHidden());
    // Every command has its own action, named for the language files.
    QStringList names;
    for (int i = 0; i < kCommandCount; ++i) {
        QAction* act = form.action(TCommand(i));
        ASSERT_NE(act, nullptr) << i;
        EXPECT_FALSE(act->objectName().isEmpty() || names.contains(act->objectName())) << i;
        names << act->objectName();
    }

    int runs = 0;
    form.setCommand(
        TCommand::Extract, [&] { ++runs; }, [&] { return form.hasCheckedRows(); });
    EXPECT_TRUE(extract->isVisible());
    EXPECT_FALSE(form.toolButton(q("tbExtract"))->isHidden());
    EXPECT_FALSE(extract->isEnabled()) << "no rows yet";
    cd.setDrives({namedDrive()});
    cd.setToc(threeTrackDisc());
    form.show();
    EXPECT_TRUE(extract->isEnabled());
    form.toolButton(q("tbExtract"))->click();
    EXPECT_EQ(runs, 1);
}

TEST_F(MainFormTest, DesktopCommandsGoThroughTheHooks)
{
    TMainForm form(stores.services(cd));
    QList<QUrl> opened;
    form.openUrl = [&](const QUrl& url) {
        opened << url;
        return true;
    };
    OptionsSetting.CommonOptions.OutputFolder = home.path();
    form.action(TCommand::OpenOutputFolder)->trigger();
    form.action(TCommand::Help)->trigger();
    form.toolButton(q("tbHome"))->click();
    ASSERT_EQ(opened.size(), 3) << QUrl::toStringList(opened).join(q(" ")).toStdString();
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(home.path()));
    EXPECT_TRUE(opened[1].toLocalFile().endsWith(q("index.html")));
    EXPECT_EQ(opened[2], opened[1]) << "Home shows the help page";

    // Without a browser the page opens in a window of the program.
    form.openUrl = [](const QUrl&) { return false; };
    form.action(TCommand::Help)->trigger();
    auto* help = form.findChild<THelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), q("Quillon Help"));
    EXPECT_TRUE(help->browser()->toPlainText().contains(q("The main window")));
    EXPECT_TRUE(prompts.shown.empty());
    form.toolButton(q("tbHome"))->click();
    EXPECT_EQ(form.findChildren<THelpWindow*>().size(), 1);

    OptionsSetting.CommonOptions.OutputFolder = home.file(q("gone"));
    form.action(TCommand::OpenOutputFolder)->trigger();
    EXPECT_EQ(prompts.lastText(),
              home.file(q("gone")) + q(",The output directory does not exist."));
}

TEST_F(MainFormTest, ClearHistorySaysWhenThereIsNoWine)
{
    const QByteArray clip = "[Software\\\\RealNetworks\\\\RealPlayer\\\\6.0\\\\Preferences\\\\"
                            "MostRecentClips1] 1\n@=\"C:\\\\clip.rm\"\n\n";
    const struct {
        bool prefix;
        const char* message;
    } cases[] = {
        {false, "There is no Wine prefix ("},
        {true, "1 list records are deleted!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const QString prefix = home.file(c.prefix ? q("wine") : q("nowine"));
        qputenv("WINEPREFIX", prefix.toLocal8Bit());
        if (c.prefix) {
            ASSERT_TRUE(QDir().mkpath(prefix) && writeFile(prefix + q("/user.reg"), clip));
        }
        TMainForm form(stores.services(cd));
        prompts.shown.clear();
        form.action(TCommand::ClearRealPlayer)->trigger();
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_TRUE(prompts.lastText().startsWith(q(c.message)))
            << prompts.lastText().toStdString();
        EXPECT_EQ(QFileInfo::exists(prefix), c.prefix) << "no prefix is made";
    }
    qunsetenv("WINEPREFIX");
}

TEST_F(MainFormTest, ListAndStatusFillTheWindowAndUncheckedBoxesShow)
{
    cd.setDrives({namedDrive("QUILLON ", "DEMO DRIVE")});
    std::vector<int> starts{f(0, 2, 0)};
    for (int length : {205, 299, 187, 241, 263, 178})
        starts.push_back(starts.back() + length * 75 + 17);
    cd.setToc(tocAt(starts));
    stores.discs[q("")] = TCDInfo{};
    TMainForm form(stores.services(cd));
    form.show();
    form.setTitle(0, q("Morning Light"));
    form.setTitle(1, q("Harbour Song"));
    form.setChecked(2, false);
    EXPECT_EQ(form.size(), QSize(551, 501));

    QWidget* client = form.centralWidget();
    QWidget* toolBar = form.findChild<QWidget*>(q("ToolBar1"));
    const QRect list = form.ListView1()->geometry();
    const QRect status = form.StatusBar1()->geometry();
    const int w = client->width();
    const int h = client->height();

    // Between the toolbar and the list: the line with the disc's artist and album.
    const QRect title = form.DiscTitleLabel()->geometry();
    EXPECT_EQ(title.top(), toolBar->height());
    EXPECT_GT(title.height(), form.DiscTitleLabel()->fontMetrics().height());
    EXPECT_EQ(list,
              QRect(10, title.bottom() + 1, w - 20, h - title.bottom() - 1 - status.height() - 10));
    EXPECT_EQ(status, QRect(10, h - status.height() - 10, w - 20, status.height()));
    EXPECT_EQ(form.ListView1()->columnWidth(1), 230);

    // An unchecked box has a frame that stands out from the light list.
    QTreeWidget* tree = form.ListView1();
    const QRect row = tree->visualItemRect(tree->topLevelItem(2));
    const QImage rows = tree->viewport()->grab().toImage();
    int darkest = 255;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = 0; x < 24; ++x)
            darkest = std::min(darkest, rows.pixelColor(x, y).lightness());
    EXPECT_LT(darkest, 160) << "unchecked box frame";

    // The Title column takes the room a wider window gives, and gives it back.
    const int slack = tree->viewport()->width() - tree->header()->length();
    for (int width : {1000, 551}) {
        form.resize(width, 501);
        QCoreApplication::processEvents();
        EXPECT_EQ(tree->viewport()->width() - tree->header()->length(), slack) << width;
    }
    EXPECT_EQ(tree->columnWidth(1), 230);
}

namespace {
// Key names of an INI text, "section/key", in file order.
QStringList iniKeys(const QByteArray& text)
{
    QStringList keys;
    QString section;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            section = line.mid(1, line.indexOf(QLatin1Char(']')) - 1);
        else if (line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char(';')))
            keys << section + QLatin1Char('/') + line.section(QLatin1Char('='), 0, 0).trimmed();
    }
    return keys;
}
} // namespace

TEST(MainFormOnImage, ListsAGeneratedDiscAndKeepsItsTitlesAcrossRuns)
{
    TempHome home;
    ScopedPrompts prompts;
    OptionsSetting = TOptionsSetting{};
    const QString cue = home.file(q("demo.cue"));
    QProcess gen;
    gen.start(quillon::test::binDir() + q("/quillon-discgen"),
              {cue, q("3s:tone:440"), q("205s:silence"), q("2s:noise:7"), q("--titles"),
               home.file(q("cdinfo.dat")), q("--title"), q("Dawn"), q("--title"), q("Harbour")});
    ASSERT_TRUE(gen.waitForFinished(60000));
    ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();
    qputenv("QUILLON_CD_IMAGES", cue.toUtf8());

    // Reference: every key the options file has.
    LoadSaveOptions(false);
    const QStringList allKeys = iniKeys(readFile(OptionsFilePath()));
    ASSERT_FALSE(allKeys.isEmpty());
    QFile::remove(OptionsFilePath());
    {
        TMainForm form(DefaultMainFormServices());
        form.show();
        ASSERT_EQ(form.ListView1()->topLevelItemCount(), 3) << form.statusText().toStdString();
        const QTreeWidgetItem* second = form.ListView1()->topLevelItem(1);
        EXPECT_EQ(form.titles(), (QStringList{q("Dawn"), q("Harbour"), q("Noise 7")}));
        EXPECT_EQ(second->text(2), q("03:25"));
        EXPECT_EQ(second->text(3), q("34.49"));
        EXPECT_EQ(form.statusText(), form.model().DriveName());
        form.setTitle(2, q("Night"));
        form.close();
    }
    EXPECT_EQ(iniKeys(readFile(OptionsFilePath())), allKeys);
    OptionsSetting = TOptionsSetting{};
    {
        TMainForm form(DefaultMainFormServices());
        form.show();
        EXPECT_EQ(form.titles(), (QStringList{q("Dawn"), q("Harbour"), q("Night")}));
        form.close();
    }
    qunsetenv("QUILLON_CD_IMAGES");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(MainFormTest, ChoosingAnotherDriveMovesTheListAndTheHandleToIt)
{
    cd.setDrives({namedDrive("FIRST ", "DRIVE"), namedDrive("SECOND ", "DRIVE")});
    cd.setToc(threeTrackDisc());
    TMainForm form(stores.services(cd));
    form.show();
    const HCDROM first = form.CDHandle();
    ASSERT_NE(first, 0u);
    form.setTitle(0, q("Kept Title"));

    // Another disc is in the second drive.
    cd.setToc(tocAt({f(0, 2, 0), f(3, 0, 0)}));
    form.SwitchDrive(1);
    EXPECT_NE(form.CDHandle(), first);
    EXPECT_NE(form.CDHandle(), 0u);
    EXPECT_EQ(cd.closedHandles(), std::vector<HCDROM>{first});
    EXPECT_EQ(form.statusText(), q("SECOND DRIVE"));
    EXPECT_EQ(form.ListView1()->topLevelItemCount(), 1);
    // The titles typed for the first drive's disc were kept in the store.
    EXPECT_EQ(stores.discs.begin()->second.Tracks[1], q("Kept Title"));
}

TEST(MainFormOnImage, AMissingImageIsSaidToBeMissing)
{
    TempHome home;
    ScopedPrompts prompts;
    OptionsSetting = TOptionsSetting{};
    const QString missing = home.file(q("gone.cue"));
    qputenv("QUILLON_CD_IMAGES", missing.toUtf8());
    {
        TMainForm form(DefaultMainFormServices());
        form.show();
        activate(form);
        auto* hint = form.findChild<TfrmNoDeviceHint*>();
        ASSERT_NE(hint, nullptr);
        auto* image = hint->findChild<QLabel*>(q("lbImage"));
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(image->text().startsWith(q("Disc image not found: ") + missing))
            << image->text().toStdString();
        // Groups and drivers are not the reason here.
        EXPECT_TRUE(hint->findChild<QLabel*>(q("lbCause2"))->isHidden());
        hint->close();
        form.close();
    }
    qunsetenv("QUILLON_CD_IMAGES");
    OptionsSetting = TOptionsSetting{};
}
