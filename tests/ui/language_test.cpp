#include "settings/language.h"
#include "settings/options_setting.h"
#include "ui/common/status_bar.h"
#include "ui/common/translate_form.h"
#include "ui/main/about_form.h"
#include "ui/main/main_form.h"
#include "ui/main/no_device_hint.h"

#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using quillon::test::TempHome;
using quillon::test::writeFile;

namespace {
QString q(const char* s)
{
    return QString::fromUtf8(s);
}

struct LanguageTest : ::testing::Test {
    void SetUp() override { OptionsSetting = TOptionsSetting{}; }
    void TearDown() override { OptionsSetting = TOptionsSetting{}; }
    TempHome home;
};

// Every text that a language file can change, keyed "section/key".
QMap<QString, QString> texts(QWidget* window)
{
    QMap<QString, QString> result;
    const QString section = window->objectName();
    result[section + q("/") + section] = window->windowTitle();
    QSet<QAction*> seen;
    for (QObject* o : window->findChildren<QObject*>()) {
        const QString name = o->objectName();
        if (auto* a = qobject_cast<QAction*>(o); a && !name.isEmpty() && !a->isSeparator())
            result[MenuSection(section) + q("/") + name] = a->text();
        else if (auto* m = qobject_cast<QMenu*>(o); m && !name.isEmpty() && !m->title().isEmpty())
            result[MenuSection(section) + q("/") + name] = m->title();
        else if (name.isEmpty() || name.startsWith(q("qt_")) ||
                 o->property("quillonNoTranslate").toBool())
            continue;
        else if (auto* l = qobject_cast<QLabel*>(o))
            result[section + q("/") + name] = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(o))
            result[section + q("/") + name] = b->text();
        else if (auto* t = qobject_cast<QTreeWidget*>(o))
            for (int i = 0; i < t->columnCount(); ++i)
                result[section + q("/") + ColumnKey(name, i)] = t->headerItem()->text(i);
    }
    return result;
}
} // namespace

TEST_F(LanguageTest, GetResStringFallsBackToEnglish)
{
    ASSERT_TRUE(writeFile(home.file(q("CLan_English.ini")), "[ResourceString]\nRES_Play=Joue \n"));
    ASSERT_TRUE(writeFile(home.file(q("CLan_French.ini")),
                          "[resourcestring]\nres_play=\"Joue \"\nRES_Select_Track=\n"));
    const struct {
        const char* lan;
        const char* key;
        const char* expected;
    } cases[] = {
        {"english", "RES_Play", "Play "}, // no file read for English in any case
        {"ENGLISH", "RES_Play", "Play "},
        {"French", "RES_Play", "Joue "},    // keys ignore case, quotes keep the blank
        {"French", "RES_Select_Track", ""}, // an empty value is a value
        {"French", "RES_NotFound_CDRom", "No CD devices found!"}, // missing key
        {"German", "RES_Play", "Play "},                          // missing file
        {"../French", "RES_Play", "Play "},                       // a name that leaves the folder
    };
    for (const auto& c : cases) {
        OptionsSetting.Lan = q(c.lan);
        EXPECT_EQ(GetResString(q(c.key)), q(c.expected)) << c.lan << " " << c.key;
    }
    EXPECT_EQ(GetResString(q("RES_Unknown"), q("fallback")), q("fallback"));
}

TEST_F(LanguageTest, MessagesReadTheLanguageFileOncePerLanguage)
{
    const QString file = home.file(q("CLan_Once.ini"));
    ASSERT_TRUE(writeFile(file, "[ResourceString]\nRES_Initing=Uno\n"));
    OptionsSetting.Lan = q("Once");
    EXPECT_EQ(GetResString(q("RES_Initing")), q("Uno"));
    // Content changed behind the program's back, size and time kept: the
    // text read before is used, so the file was not read again.
    const QDateTime stamp = QFileInfo(file).lastModified();
    ASSERT_TRUE(writeFile(file, "[ResourceString]\nRES_Initing=Dos\n"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    f.close();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GetResString(q("RES_Initing")), q("Uno"));
    // A file that changed is read anew.
    OptionsSetting.Lan = q("English");
    EXPECT_EQ(GetResString(q("RES_Initing")), q("Initializing..."));
    ASSERT_TRUE(writeFile(file, "[ResourceString]\nRES_Initing=Tres!\n"));
    OptionsSetting.Lan = q("Once");
    EXPECT_EQ(GetResString(q("RES_Initing")), q("Tres!"));
}

TEST_F(LanguageTest, LanguageFileParsing)
{
    const QByteArray longValue(3000, 'x');
    ASSERT_TRUE(writeFile(home.file(q("CLan_T.ini")),
                          "\xEF\xBB\xBF; comment\n[S]\r\nA = one \r\na=second\n;b=no\n"
                          "Long=" +
                              longValue + "\n[ s ]\nB=late\n[Other]\nA=x\n"));
    const TLanguageFile file(FindLanguageFile(q("T")));
    ASSERT_TRUE(file.isLoaded());
    EXPECT_EQ(file.value(q("s"), q("a"), q("-")), q("one"));
    EXPECT_EQ(file.value(q("S"), q("B"), q("-")), q("-")); // the first of repeated sections wins
    EXPECT_EQ(file.value(q("S"), q("Long"), q("-")).size(), 2047);
    EXPECT_EQ(file.value(q("Missing"), q("A"), q("-")), q("-"));
    EXPECT_FALSE(TLanguageFile(FindLanguageFile(q("Nope"))).isLoaded());
}

TEST_F(LanguageTest, FiftyMessagesAndTheEnglishFileHoldsThemAll)
{
    const auto& table = ResourceStrings();
    ASSERT_EQ(table.size(), 50u);
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(QString::fromLatin1(table[i - 1].Key), QString::fromLatin1(table[i].Key));
    const QString path = QString::fromUtf8(QUILLON_SOURCE_DIR "/lang/CLan_English.ini");
    const TLanguageFile english(path);
    ASSERT_TRUE(english.isLoaded());
    for (const auto& entry : table) {
        // A line break cannot be written into an INI value; it is a blank there.
        QString builtIn = QString::fromUtf8(entry.English);
        builtIn.replace(q("\r\n"), q(" "));
        EXPECT_EQ(english.value(q("ResourceString"), q(entry.Key), q("?")), builtIn) << entry.Key;
    }
}

TEST_F(LanguageTest, EnglishFileCoversEveryWindowAndChangesNothing)
{
    const TLanguageFile english(QString::fromUtf8(QUILLON_SOURCE_DIR "/lang/CLan_English.ini"));
    quillon::test::MemoryCDDrive cd{quillon::test::MemoryCDDrive::NoDrive};
    TMainFormServices services;
    services.cd = &cd;
    TMainForm main(services);
    TfrmAbout about;
    TfrmNoDeviceHint hint;
    for (QWidget* window : std::initializer_list<QWidget*>{&main, &about, &hint}) {
        const auto before = texts(window);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const QString section = it.key().section(QLatin1Char('/'), 0, 0);
            const QString key = it.key().section(QLatin1Char('/'), 1);
            EXPECT_EQ(english.value(section, key, q("<missing>")), it.value())
                << it.key().toStdString();
        }
        TranslateForm(window, english);
        EXPECT_EQ(texts(window), before);
    }
}

TEST_F(LanguageTest, TranslateFormHandlesEveryKindOfControl)
{
    QWidget form;
    form.setObjectName(q("TestForm"));
    form.setWindowTitle(q("Test"));
    auto* layout = new QVBoxLayout(&form);
    const auto named = [&](QWidget* w, const char* name) {
        w->setObjectName(q(name));
        layout->addWidget(w);
        return w;
    };
    auto* label = static_cast<QLabel*>(named(new QLabel(q("Label")), "lbName"));
    auto* button = static_cast<QPushButton*>(named(new QPushButton(q("Button")), "btGo"));
    auto* check = static_cast<QCheckBox*>(named(new QCheckBox(q("Check")), "ckKeep"));
    auto* radio = static_cast<QRadioButton*>(named(new QRadioButton(q("Radio")), "rbOne"));
    auto* tool = static_cast<QToolButton*>(named(new QToolButton, "tbTool"));
    tool->setText(q("Tool"));
    auto* group = static_cast<QGroupBox*>(named(new QGroupBox(q("Group")), "gbBox"));
    auto* inGroup = new QLabel(q("Inside"), group);
    inGroup->setObjectName(q("lbInside"));
    auto* combo = static_cast<QComboBox*>(named(new QComboBox, "cbList"));
    combo->addItems({q("zero"), q("one"), q("two")});
    auto* editable = static_cast<QComboBox*>(named(new QComboBox, "cbEdit"));
    editable->setEditable(true);
    editable->setEditText(q("typed"));
    auto* panels = static_cast<TStatusBar*>(named(new TStatusBar(nullptr, 2), "StatusBar1"));
    panels->setPanelText(0, q("p0"));
    panels->setPanelText(1, q("p1"));
    auto* simple = static_cast<TStatusBar*>(named(new TStatusBar, "StatusBar2"));
    simple->setSimplePanel(true);
    simple->setSimpleText(q("simple"));
    auto* tree = static_cast<QTreeWidget*>(named(new QTreeWidget, "ListView1"));
    tree->setHeaderLabels({q("c0"), q("c1")});
    auto* table = static_cast<QTableWidget*>(named(new QTableWidget(0, 2), "Grid1"));
    table->setHorizontalHeaderLabels({q("g0"), q("g1")});
    auto* tabs = static_cast<QTabWidget*>(named(new QTabWidget, "PageControl1"));
    tabs->addTab(new QWidget, q("page0"));
    tabs->addTab(new QWidget, q("page1"));
    auto* edit = static_cast<QLineEdit*>(named(new QLineEdit(q("edit")), "eName"));
    auto* flat = static_cast<QPushButton*>(named(new QPushButton(q("Flat")), "fbFlat"));
    flat->setProperty("quillonNoTranslate", true);
    auto* bar = new QMenuBar(&form);
    auto* menu = bar->addMenu(q("&File"));
    menu->setObjectName(q("File1"));
    auto* open = menu->addAction(q("&Open"));
    open->setObjectName(q("miOpen"));
    menu->addSeparator()->setObjectName(q("N1"));
    auto* popup = new QMenu(&form);
    auto* play = popup->addAction(q("&Play"));
    play->setObjectName(q("aPlay"));
    auto* child = new QDialog(&form);
    child->setObjectName(q("frmChild"));
    auto* childLabel = new QLabel(q("child"), child);
    childLabel->setObjectName(q("lbName"));

    ASSERT_TRUE(writeFile(home.file(q("CLan_Test.ini")),
                          "[TestForm]\nTestForm=Prueba\nlbName=Etiqueta\nbtGo=Ir\nckKeep=Guardar\n"
                          "rbOne=Uno\ntbTool=Herramienta\ngbBox=Grupo\nlbInside=Dentro\n"
                          "cbList_Text=ignored\ncbList_Item1=uno\ncbEdit_Text=escrito\n"
                          "StatusBar1_Panel0=q0\nStatusBar1_Panel1=q1\nStatusBar2=sencillo\n"
                          "ListView1_Column1=d1\nGrid1_Column0=h0\nPageControl1_Page1=pagina1\n"
                          "eName=no\nfbFlat=no\n"
                          "[Menu_TestForm]\nFile1=&Archivo\nmiOpen=&Abrir\nN1=no\naPlay=&Tocar\n"));
    TranslateForm(&form, q("Test"));

    EXPECT_EQ(form.windowTitle(), q("Prueba"));
    EXPECT_EQ(label->text(), q("Etiqueta"));
    EXPECT_EQ(button->text(), q("Ir"));
    EXPECT_EQ(check->text(), q("Guardar"));
    EXPECT_EQ(radio->text(), q("Uno"));
    EXPECT_EQ(tool->text(), q("Herramienta"));
    EXPECT_EQ(group->title(), q("Grupo"));
    EXPECT_EQ(inGroup->text(), q("Dentro"));
    EXPECT_EQ(combo->itemText(0), q("zero"));
    EXPECT_EQ(combo->itemText(1), q("uno"));
    EXPECT_EQ(combo->itemText(2), q("two"));
    EXPECT_EQ(editable->currentText(), q("escrito"));
    EXPECT_EQ(panels->panelText(0), q("q0"));
    EXPECT_EQ(panels->panelText(1), q("q1"));
    EXPECT_EQ(simple->simpleText(), q("sencillo"));
    EXPECT_EQ(tree->headerItem()->text(0), q("c0"));
    EXPECT_EQ(tree->headerItem()->text(1), q("d1"));
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), q("h0"));
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), q("g1"));
    EXPECT_EQ(tabs->tabText(0), q("page0"));
    EXPECT_EQ(tabs->tabText(1), q("pagina1"));
    EXPECT_EQ(edit->text(), q("edit"));
    EXPECT_EQ(flat->text(), q("Flat"));
    EXPECT_EQ(menu->title(), q("&Archivo"));
    EXPECT_EQ(open->text(), q("&Abrir"));
    EXPECT_EQ(play->text(), q("&Tocar"));
    EXPECT_EQ(childLabel->text(), q("child")) << "a child window has its own section";

    // A missing file changes nothing.
    TranslateForm(&form, q("Missing"));
    EXPECT_EQ(label->text(), q("Etiqueta"));
}
