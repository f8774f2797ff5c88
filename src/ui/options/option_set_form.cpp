#include "option_set_form.h"

#include "cdaccess/cd_access.h"
#include "form_widgets.h"
#include "jobs/read_offset_task.h"
#include "metadata/metadata_lookup.h"
#include "metadata/musicbrainz_client.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "tags/genres.h"
#include "tags/name_template.h"
#include "ui/common/form_texts.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kFormWidth = 560;
constexpr int kFormHeight = 360;
constexpr int kButtonWidth = 72;
constexpr int kMaxDrives = 8; // room the drive list is asked for

// The item index of a list: for an editable list, the item whose text the
// list shows, or -1 when the text was typed and is no item.
int itemIndex(const QComboBox* cb)
{
    if (!cb->isEditable())
        return cb->currentIndex();
    return cb->findText(cb->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void selectItem(QComboBox* cb, int index)
{
    cb->setCurrentIndex(index >= 0 && index < cb->count() ? index : -1);
}

// The text of a drive list entry: vendor directly followed by product, as the
// CD access layer gives them (at most 26 characters), blanks trimmed.
QString driveText(const TCDREC& drive)
{
    const QString text = drive.Name().trimmed();
    return text.isEmpty() ? drive.Device : text;
}

// Narrower tab padding, so that the page tabs fit the dialog's fixed
// width without scroll arrows.
class CompactTabStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return 10;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// One for the whole program: a widget does not own the style it is given,
// and the tab bars of every dialog may still use it while they are destroyed.
QStyle* compactTabStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new CompactTabStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}

// Editable lists show the start of a long item, not its end.
void showTextStart(QComboBox* cb)
{
    if (QLineEdit* edit = cb->lineEdit())
        edit->setCursorPosition(0);
}

} // namespace

TOptionSetForm::TOptionSetForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OptionSetForm"));
    setWindowTitle(QStringLiteral("Options"));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->tabBar()->setStyle(compactTabStyle());
    PageControl1->addTab(buildOutputPage(), QStringLiteral("Output"));
    PageControl1->addTab(buildLamePage(), QStringLiteral("LAME"));
    PageControl1->addTab(buildOggPage(), QStringLiteral("OGG"));
    PageControl1->addTab(buildWmaPage(), QStringLiteral("WMA"));
    PageControl1->addTab(buildId3Page(), QStringLiteral("ID3 Tag"));
    PageControl1->addTab(buildCdRomPage(), QStringLiteral("CD-ROM"));
    PageControl1->addTab(buildLookupPage(), QStringLiteral("Lookup"));
    PageControl1->addTab(buildVerifyPage(), QStringLiteral("Verify"));
    // Added after the first eight, whose positions the language files name.
    PageControl1->addTab(buildFlacPage(), QStringLiteral("FLAC"));
    PageControl1->addTab(buildOpusPage(), QStringLiteral("Opus"));
    PageControl1->addTab(buildNamesPage(), QStringLiteral("File Names"));
    PageControl1->setCurrentWidget(TabSheet1);

    btOk = NewFormButton("btOk", QStringLiteral("OK"), this);
    btOk->setDefault(true);
    btCancel = NewFormButton("btCancel", QStringLiteral("Cancel"), this);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    buttons->addStretch(1);

    btOk->setFixedWidth(kButtonWidth);
    btCancel->setFixedWidth(kButtonWidth);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    // Wide enough for every page's tab: scroll arrows would hide the last pages.
    const int tabs = PageControl1->tabBar()->sizeHint().width() + 8;
    setFixedSize(std::max(kFormWidth, tabs + kButtonWidth + 3 * 4), kFormHeight);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);

    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int) {
        if (PageControl1->currentWidget() == TabSheet3)
            TabSheet3Show();
    });
    connect(btBrowser, &QPushButton::clicked, this, &TOptionSetForm::btBrowserClick);
    connect(bDefault, &QPushButton::clicked, this, &TOptionSetForm::bDefaultClick);
    connect(bWMADefault, &QPushButton::clicked, this, &TOptionSetForm::bWMADefaultClick);
    connect(btOk, &QPushButton::clicked, this, &TOptionSetForm::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btFindOffset, &QPushButton::clicked, this, &TOptionSetForm::btFindOffsetClick);
    connect(btStopOffset, &QPushButton::clicked, this, [this] {
        if (m_offsetTask)
            m_offsetTask->stop();
    });

    for (QCheckBox* ck : {ckNormalize, cbRipTime, ckbSelectVBR, ckAccurateRip, ckCTDB})
        connect(ck, &QCheckBox::toggled, this, &TOptionSetForm::updateEnabling);
    connect(cbOutputFormat, &QComboBox::currentTextChanged, this, &TOptionSetForm::updateEnabling);
    connect(cbOutputFormat, &QComboBox::currentTextChanged, this,
            &TOptionSetForm::updateNameExample);
    for (QLineEdit* edit : {editNameTemplate, editOutputDir})
        connect(edit, &QLineEdit::textChanged, this, &TOptionSetForm::updateNameExample);
    updateEnabling();
}

QLabel* TOptionSetForm::newLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Label%1").arg(++m_labelCount));
    return label;
}

QWidget* TOptionSetForm::buildOutputPage()
{
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));

    auto* GroupBox1 = new QGroupBox(QStringLiteral("Output directory(WAV/MP3)"), TabSheet1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    editOutputDir = NewFormEdit("editOutputDir", 0, GroupBox1);
    btBrowser = NewFormButton("btBrowser", QStringLiteral("..."), GroupBox1);
    btBrowser->setFixedWidth(28);
    ckbKeepWav = NewFormCheckBox("ckbKeepWav", QStringLiteral("Delete WAV file after processing"),
                                 GroupBox1);
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(editOutputDir, 1);
    dirRow->addWidget(btBrowser);
    auto* box1 = new QVBoxLayout(GroupBox1);
    box1->addLayout(dirRow);
    box1->addWidget(ckbKeepWav);

    auto* GroupBox3 = new QGroupBox(QStringLiteral("Output format"), TabSheet1);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    // Lists that store an item index take no typed text: a typed name would
    // be stored as no choice at all.
    cbOutputFormat = NewFormComboBox("cbOutputFormat", OutputFormatItems(), false, GroupBox3);
    ckNormalize = NewFormCheckBox("ckNormalize", QStringLiteral("Normalize"), GroupBox3);
    SpinEdit1 = new QSpinBox(GroupBox3);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(0, 100);
    // Changed only by its arrows: the number itself cannot be typed.
    if (auto* spinText = SpinEdit1->findChild<QLineEdit*>())
        spinText->setReadOnly(true);
    SpinEdit1->setFixedWidth(56);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(newLabel(QStringLiteral("Format\uFF1A"), GroupBox3));
    formatRow->addWidget(cbOutputFormat, 1);
    auto* normalizeRow = new QHBoxLayout;
    normalizeRow->addWidget(ckNormalize);
    normalizeRow->addWidget(SpinEdit1);
    normalizeRow->addWidget(newLabel(QStringLiteral("%"), GroupBox3));
    normalizeRow->addStretch(1);
    ckReplayGain = NewFormCheckBox(
        "ckReplayGain", QStringLiteral("Write ReplayGain tags (track and album loudness)"),
        GroupBox3);
    auto* box3 = new QVBoxLayout(GroupBox3);
    box3->addLayout(formatRow);
    box3->addLayout(normalizeRow);
    box3->addWidget(ckReplayGain);

    auto* GroupBox4 = new QGroupBox(TabSheet1);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    cbRipTime = NewFormCheckBox("cbRipTime", QStringLiteral("Enable to set the length to extract"),
                                GroupBox4);
    eRipTime = NewFormEdit("eRipTime", 0, GroupBox4);
    eRipTime->setFixedWidth(60);
    auto* ripRow = new QHBoxLayout;
    ripRow->addWidget(newLabel(QStringLiteral("The song length:"), GroupBox4));
    ripRow->addWidget(eRipTime);
    ripRow->addWidget(newLabel(QStringLiteral("Second"), GroupBox4));
    ripRow->addStretch(1);
    auto* box4 = new QVBoxLayout(GroupBox4);
    box4->addWidget(cbRipTime);
    box4->addLayout(ripRow);

    auto* page = new QVBoxLayout(TabSheet1);
    page->addWidget(GroupBox1);
    page->addWidget(GroupBox3);
    page->addWidget(GroupBox4);
    page->addStretch(1);
    return TabSheet1;
}

QWidget* TOptionSetForm::buildLamePage()
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));

    ckbSelectVBR =
        NewFormCheckBox("ckbSelectVBR", QStringLiteral("Enable Variable Bitrate(VBR)"), TabSheet2);
    ckbVBRHead =
        NewFormCheckBox("ckbVBRHead", QStringLiteral("Disable writing of the VBR Tag"), TabSheet2);
    bDefault = NewFormButton("bDefault", QStringLiteral("&Default"), TabSheet2);
    cbBitRate = NewFormComboBox("cbBitRate", LameBitRateItems(), true, TabSheet2);
    cbMaxBitRate = NewFormComboBox("cbMaxBitRate", LameBitRateItems(), true, TabSheet2);
    cbVBRQuality = NewFormComboBox("cbVBRQuality", VBRQualityItems(), false, TabSheet2);
    cbMpegQuality = NewFormComboBox("cbMpegQuality", MpegQualityItems(), false, TabSheet2);
    cbStereoMode = NewFormComboBox("cbStereoMode", StereoModeItems(), false, TabSheet2);

    auto* top = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(ckbSelectVBR);
    checks->addWidget(ckbVBRHead);
    top->addLayout(checks, 1);
    top->addWidget(bDefault, 0, Qt::AlignTop);

    auto* form = new QFormLayout;
    form->addRow(newLabel(QStringLiteral("Minimum bitrate:"), TabSheet2), cbBitRate);
    form->addRow(newLabel(QStringLiteral("Maximum bitrate:"), TabSheet2), cbMaxBitRate);
    form->addRow(newLabel(QStringLiteral("VBR Quality:"), TabSheet2), cbVBRQuality);
    form->addRow(newLabel(QStringLiteral("Speed/Quality:"), TabSheet2), cbMpegQuality);
    form->addRow(newLabel(QStringLiteral("Mode:"), TabSheet2), cbStereoMode);

    auto* page = new QVBoxLayout(TabSheet2);
    page->addLayout(top);
    page->addLayout(form);
    page->addStretch(1);
    return TabSheet2;
}

QWidget* TOptionSetForm::buildOggPage()
{
    TabSheet5 = new QWidget;
    TabSheet5->setObjectName(QStringLiteral("TabSheet5"));

    cbUseCompress =
        NewFormCheckBox("cbUseCompress", QStringLiteral("Use Quality setting"), TabSheet5);
    tbCompression = new QSlider(Qt::Horizontal, TabSheet5);
    tbCompression->setObjectName(QStringLiteral("tbCompression"));
    tbCompression->setRange(30, 100);
    tbCompression->setTickPosition(QSlider::NoTicks);
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(tbCompression, 1);
    qualityRow->addWidget(newLabel(QStringLiteral("-> Highest quality"), TabSheet5));

    auto* GroupBox2 = new QGroupBox(QStringLiteral("Use Bitrate manager"), TabSheet5);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    cbOggNomBit = NewFormComboBox("cbOggNomBit", OggBitRateItems(), false, GroupBox2);
    cbOggMaxBit = NewFormComboBox("cbOggMaxBit", OggBitRateItems(), false, GroupBox2);
    cbOggMinBit = NewFormComboBox("cbOggMinBit", OggBitRateItems(), false, GroupBox2);
    auto* form = new QFormLayout(GroupBox2);
    form->addRow(newLabel(QStringLiteral("Nominal bitrate:"), GroupBox2), cbOggNomBit);
    form->addRow(newLabel(QStringLiteral("Maximum bitrate:"), GroupBox2), cbOggMaxBit);
    form->addRow(newLabel(QStringLiteral("Minimum bitrate:"), GroupBox2), cbOggMinBit);

    auto* page = new QVBoxLayout(TabSheet5);
    page->addWidget(cbUseCompress);
    page->addLayout(qualityRow);
    page->addWidget(GroupBox2);
    page->addStretch(1);
    return TabSheet5;
}

QWidget* TOptionSetForm::buildWmaPage()
{
    TabSheet6 = new QWidget;
    TabSheet6->setObjectName(QStringLiteral("TabSheet6"));

    cbWMABitrate = NewFormComboBox("cbWMABitrate", WMABitRateItems(), false, TabSheet6);
    // The items are laid out in columns; a fixed-pitch font keeps them lined up.
    QFont fixed = cbWMABitrate->font();
    fixed.setFamily(QStringLiteral("monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    cbWMABitrate->setFont(fixed);
    bWMADefault = NewFormButton("bWMADefault", QStringLiteral("&Default"), TabSheet6);

    auto* page = new QVBoxLayout(TabSheet6);
    page->addWidget(newLabel(QStringLiteral("Audio Bitrate:"), TabSheet6));
    page->addWidget(cbWMABitrate);
    page->addWidget(bWMADefault, 0, Qt::AlignRight);
    page->addStretch(1);
    return TabSheet6;
}

QWidget* TOptionSetForm::buildId3Page()
{
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));

    cbUseID3 = NewFormCheckBox("cbUseID3", QStringLiteral("Use ID3 tag"), TabSheet4);
    ID3artist = NewFormEdit("ID3artist", 30, TabSheet4);
    ID3album = NewFormEdit("ID3album", 30, TabSheet4);
    ID3year = NewFormEdit("ID3year", 4, TabSheet4);
    ID3year->setFixedWidth(60);
    ID3genre = NewFormComboBox("ID3genre", GenreSelectorItems(), false, TabSheet4);
    ID3genre->setMaxVisibleItems(16);
    ID3comment = NewFormEdit("ID3comment", 30, TabSheet4);

    auto* form = new QFormLayout;
    form->addRow(newLabel(QStringLiteral("Artist:"), TabSheet4), ID3artist);
    form->addRow(newLabel(QStringLiteral("Album:"), TabSheet4), ID3album);
    form->addRow(newLabel(QStringLiteral("Year:"), TabSheet4), ID3year);
    form->addRow(newLabel(QStringLiteral("Genre:"), TabSheet4), ID3genre);
    form->addRow(newLabel(QStringLiteral("Comment:"), TabSheet4), ID3comment);

    auto* page = new QVBoxLayout(TabSheet4);
    page->addWidget(cbUseID3);
    page->addLayout(form);
    page->addStretch(1);
    return TabSheet4;
}

QWidget* TOptionSetForm::buildCdRomPage()
{
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));

    cbCDList = NewFormComboBox("cbCDList", {}, false, TabSheet3);
    ckbCDDb =
        NewFormCheckBox("ckbCDDb", QStringLiteral("Get CD information from CD DB"), TabSheet3);
    ckbCDDb->setHidden(true);

    auto* row = new QHBoxLayout;
    row->addWidget(newLabel(QStringLiteral("Device\uFF1A"), TabSheet3));
    row->addWidget(cbCDList, 1);
    auto* page = new QVBoxLayout(TabSheet3);
    page->addLayout(row);
    page->addWidget(ckbCDDb);
    page->addStretch(1);
    return TabSheet3;
}

QWidget* TOptionSetForm::buildLookupPage()
{
    TabSheet7 = new QWidget;
    TabSheet7->setObjectName(QStringLiteral("TabSheet7"));
    ckbAutoLookup = NewFormCheckBox(
        "ckbAutoLookup", QStringLiteral("Look up the titles of a new disc by itself"), TabSheet7);
    eSources = NewFormEdit("eSources", 0, TabSheet7);
    eSources->setToolTip(QStringLiteral("musicbrainz, cdtext and cddb, in the order to ask them"));
    eMusicBrainz = NewFormEdit("eMusicBrainz", 0, TabSheet7);
    eCoverArt = NewFormEdit("eCoverArt", 0, TabSheet7);
    ckbSaveCover = NewFormCheckBox(
        "ckbSaveCover", QStringLiteral("Save the front cover beside the tracks"), TabSheet7);
    eContact = NewFormEdit("eContact", 0, TabSheet7);
    eContact->setPlaceholderText(QString::fromLatin1(kProgramHomePage));
    eContact->setToolTip(QStringLiteral("A web page or e-mail address sent with every request, "
                                        "as MusicBrainz asks"));
    eCddbEmail = NewFormEdit("eCddbEmail", 0, TabSheet7);
    eCddbEmail->setPlaceholderText(QStringLiteral("you@example.org"));
    eCddbEmail->setToolTip(QStringLiteral("The CDDB server accepts only registered programs; "
                                          "MusicBrainz needs no registration"));
    eCddbClient = NewFormEdit("eCddbClient", 0, TabSheet7);
    eCddbClient->setPlaceholderText(QStringLiteral("Quillon " QUILLON_VERSION));

    auto* form = new QGridLayout;
    form->setVerticalSpacing(3);
    const std::pair<const char*, QWidget*> rows[] = {
        {"Sources:", eSources}, {"MusicBrainz:", eMusicBrainz}, {"Cover art:", eCoverArt},
        {"Contact:", eContact}, {"CDDB e-mail:", eCddbEmail},   {"CDDB program:", eCddbClient},
    };
    int r = 0;
    form->addWidget(ckbAutoLookup, r++, 0, 1, 2);
    for (const auto& [label, field] : rows) {
        form->addWidget(newLabel(QString::fromUtf8(label), TabSheet7), r, 0);
        form->addWidget(field, r++, 1);
        if (field == eCoverArt)
            form->addWidget(ckbSaveCover, r++, 0, 1, 2);
    }
    auto* page = new QVBoxLayout(TabSheet7);
    page->addLayout(form);
    page->addStretch(1);
    return TabSheet7;
}

QWidget* TOptionSetForm::buildVerifyPage()
{
    TabSheet8 = new QWidget;
    TabSheet8->setObjectName(QStringLiteral("TabSheet8"));

    auto* GroupBox5 = new QGroupBox(QStringLiteral("Reading"), TabSheet8);
    GroupBox5->setObjectName(QStringLiteral("GroupBox5"));
    cbReadMode = NewFormComboBox("cbReadMode", ReadModeItems(), false, GroupBox5);
    seReadOffset = new QSpinBox(GroupBox5);
    seReadOffset->setObjectName(QStringLiteral("seReadOffset"));
    seReadOffset->setRange(-kMaxReadOffset, kMaxReadOffset);
    seReadOffset->setFixedWidth(80);
    ckRipHiddenTrack =
        NewFormCheckBox("ckRipHiddenTrack",
                        QStringLiteral("Rip hidden audio before track 1 as track 0"), GroupBox5);
    ckCueSheet = NewFormCheckBox(
        "ckCueSheet", QStringLiteral("Write a cue sheet beside the tracks and the log"), GroupBox5);
    btFindOffset = NewFormButton("btFindOffset", QStringLiteral("Find..."), GroupBox5);
    btFindOffset->setToolTip(QStringLiteral("Find the open drive's read offset from a disc the "
                                            "AccurateRip database knows"));
    btStopOffset = NewFormButton("btStopOffset", QStringLiteral("Stop"), GroupBox5);
    btStopOffset->hide();
    lbOffsetState = new QLabel(GroupBox5); // a state, not a text of the language files
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(seReadOffset);
    offsetRow->addWidget(newLabel(QStringLiteral("samples"), GroupBox5));
    offsetRow->addWidget(btFindOffset);
    offsetRow->addWidget(btStopOffset);
    offsetRow->addStretch(1);
    auto* reading = new QFormLayout(GroupBox5);
    reading->addRow(newLabel(QStringLiteral("Read mode:"), GroupBox5), cbReadMode);
    reading->addRow(newLabel(QStringLiteral("Read offset:"), GroupBox5), offsetRow);
    // Shown while a search runs.
    reading->addRow(lbOffsetState);
    reading->setRowVisible(lbOffsetState, false);
    reading->addRow(ckRipHiddenTrack);
    reading->addRow(ckCueSheet);

    auto* GroupBox6 = new QGroupBox(QStringLiteral("Check the rip against"), TabSheet8);
    GroupBox6->setObjectName(QStringLiteral("GroupBox6"));
    ckAccurateRip = NewFormCheckBox("ckAccurateRip", QStringLiteral("AccurateRip"), GroupBox6);
    eAccurateRipServer = NewFormEdit("eAccurateRipServer", 0, GroupBox6);
    ckCTDB = NewFormCheckBox("ckCTDB", QStringLiteral("CUETools DB"), GroupBox6);
    eCTDBServer = NewFormEdit("eCTDBServer", 0, GroupBox6);
    auto* databases = new QFormLayout(GroupBox6);
    databases->addRow(ckAccurateRip, eAccurateRipServer);
    databases->addRow(ckCTDB, eCTDBServer);

    auto* page = new QVBoxLayout(TabSheet8);
    page->addWidget(GroupBox5);
    page->addWidget(GroupBox6);
    page->addStretch(1);
    return TabSheet8;
}

QWidget* TOptionSetForm::buildFlacPage()
{
    TabSheet9 = new QWidget;
    TabSheet9->setObjectName(QStringLiteral("TabSheet9"));
    seFlacLevel = new QSpinBox(TabSheet9);
    seFlacLevel->setObjectName(QStringLiteral("seFlacLevel"));
    seFlacLevel->setRange(0, 8);
    seFlacLevel->setFixedWidth(56);
    auto* row = new QHBoxLayout;
    row->addWidget(newLabel(QStringLiteral("Compression level:"), TabSheet9));
    row->addWidget(seFlacLevel);
    row->addStretch(1);
    auto* hint = newLabel(QStringLiteral("0 is the fastest, 8 makes the smallest files; 5 is the "
                                         "usual choice. Every level keeps the audio exactly."),
                          TabSheet9);
    hint->setWordWrap(true);
    auto* page = new QVBoxLayout(TabSheet9);
    page->addLayout(row);
    page->addWidget(hint);
    page->addStretch(1);
    return TabSheet9;
}

QWidget* TOptionSetForm::buildOpusPage()
{
    TabSheet10 = new QWidget;
    TabSheet10->setObjectName(QStringLiteral("TabSheet10"));
    seOpusBitRate = new QSpinBox(TabSheet10);
    seOpusBitRate->setObjectName(QStringLiteral("seOpusBitRate"));
    seOpusBitRate->setRange(6, 510);
    seOpusBitRate->setSingleStep(16);
    seOpusBitRate->setSuffix(QStringLiteral(" kbit/s"));
    seOpusBitRate->setFixedWidth(110);
    auto* row = new QHBoxLayout;
    row->addWidget(newLabel(QStringLiteral("Bit rate:"), TabSheet10));
    row->addWidget(seOpusBitRate);
    row->addStretch(1);
    auto* hint = newLabel(
        QStringLiteral("Variable bit rate: the encoder spends more on passages that need it. "
                       "160 kbit/s is the default."),
        TabSheet10);
    hint->setWordWrap(true);
    auto* page = new QVBoxLayout(TabSheet10);
    page->addLayout(row);
    page->addWidget(hint);
    page->addStretch(1);
    return TabSheet10;
}

QWidget* TOptionSetForm::buildNamesPage()
{
    TabSheet11 = new QWidget;
    TabSheet11->setObjectName(QStringLiteral("TabSheet11"));
    auto* templateLabel = newLabel(QStringLiteral("File name template:"), TabSheet11);
    editNameTemplate = NewFormEdit("editNameTemplate", 0, TabSheet11);
    auto* fields = newLabel(QStringLiteral("Fields: %artist% %albumartist% %album% %year% %genre% "
                                           "%track% %disc% %title%. A / makes a folder."),
                            TabSheet11);
    fields->setWordWrap(true);
    auto* exampleLabel = newLabel(QStringLiteral("Example:"), TabSheet11);
    // Read-only text rather than a label: it changes with every key.
    editNameExample = NewFormEdit("editNameExample", 0, TabSheet11);
    editNameExample->setReadOnly(true);
    auto* page = new QVBoxLayout(TabSheet11);
    page->addWidget(templateLabel);
    page->addWidget(editNameTemplate);
    page->addWidget(fields);
    page->addWidget(exampleLabel);
    page->addWidget(editNameExample);
    page->addStretch(1);
    return TabSheet11;
}

void TOptionSetForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TOptionSetForm::FormShow()
{
    TranslateFormIfNeeded(this);
    const TOptionsFormValues v = OptionsFormValuesFrom(OptionsSetting);

    editOutputDir->setText(v.OutputDir);
    selectItem(cbOutputFormat, v.OutputFormat);
    ckbKeepWav->setChecked(v.DeleteWav);
    ckNormalize->setChecked(v.Normalize);
    SpinEdit1->setValue(v.NormalizePercent);
    cbRipTime->setChecked(v.EnableRipTime);
    eRipTime->setText(v.RipTimeText);
    ckReplayGain->setChecked(v.ReplayGain);
    editNameTemplate->setText(v.NameTemplate);

    ckbSelectVBR->setChecked(v.SelectVBR);
    ckbVBRHead->setChecked(v.VBRHead);
    cbBitRate->setEditText(v.BitRateText);
    cbMaxBitRate->setEditText(v.MaxBitRateText);
    selectItem(cbMpegQuality, v.MpegQuality);
    selectItem(cbVBRQuality, v.VBRQuality);
    selectItem(cbStereoMode, v.StereoMode);

    cbUseCompress->setChecked(v.UseCompress);
    tbCompression->setValue(v.CompressPosition);
    selectItem(cbOggMaxBit, v.OggMaxBit);
    selectItem(cbOggNomBit, v.OggNomBit);
    selectItem(cbOggMinBit, v.OggMinBit);

    selectItem(cbWMABitrate, v.WMABitrate);
    seFlacLevel->setValue(v.FlacLevel);
    seOpusBitRate->setValue(v.OpusBitRate);

    ShownCDIndex = OptionsSetting.CDIndex == -1 ? 0 : OptionsSetting.CDIndex;
    ShownCDDb = OptionsSetting.CDDb;
    ckbCDDb->setChecked(v.CDDb);

    ckbAutoLookup->setChecked(v.AutoLookup);
    eSources->setText(v.LookupSources);
    eMusicBrainz->setText(v.MusicBrainzServer);
    eCoverArt->setText(v.CoverArtServer);
    ckbSaveCover->setChecked(v.SaveCover);
    eContact->setText(v.Contact);
    eCddbEmail->setText(v.CddbEmail);
    eCddbClient->setText(v.CddbClient);
    selectItem(cbReadMode, v.ReadMode);
    seReadOffset->setValue(v.ReadOffset);
    ckRipHiddenTrack->setChecked(v.RipHiddenTrack);
    ckCueSheet->setChecked(v.CueSheet);
    ckAccurateRip->setChecked(v.AccurateRip);
    eAccurateRipServer->setText(v.AccurateRipServer);
    ckCTDB->setChecked(v.CTDB);
    eCTDBServer->setText(v.CTDBServer);

    cbUseID3->setChecked(v.UseID3);
    ID3artist->setText(v.Artist);
    ID3album->setText(v.Album);
    ID3year->setText(v.Year);
    selectItem(ID3genre, v.Genre);
    ID3comment->setText(v.Comment);

    for (QComboBox* cb : findChildren<QComboBox*>())
        showTextStart(cb);
    m_driveMustReopen = false;
    updateEnabling();
    updateNameExample();
}

TOptionSetForm::~TOptionSetForm() = default;

void TOptionSetForm::done(int result)
{
    stopOffsetSearch();
    QDialog::done(result);
}

void TOptionSetForm::btFindOffsetClick()
{
    if (m_offsetTask)
        return;
    TVerifySettings settings = VerifySettingsFrom(OptionsSetting);
    // The server as the page shows it now, when it is one.
    const QString server = eAccurateRipServer->text().trimmed();
    if (IsDatabaseServerAddress(server))
        settings.AccurateRipServer = server;
    m_offsetTask = std::make_unique<TReadOffsetTask>(cdAccess(), OffsetDrive, settings);
    connect(m_offsetTask.get(), &TReadOffsetTask::progress, this, [this](int done, int total) {
        lbOffsetState->setText(
            QStringLiteral("Reading track %1 of %2...").arg(done + 1).arg(total));
    });
    connect(m_offsetTask.get(), &TReadOffsetTask::finished, this,
            &TOptionSetForm::offsetSearchEnded);
    lbOffsetState->setText(QStringLiteral("Asking AccurateRip..."));
    showOffsetSearch(true);
    m_offsetTask->start();
}

void TOptionSetForm::offsetSearchEnded(const TReadOffsetFinding& finding)
{
    // The task's thread has ended; the task itself is in the middle of
    // sending this, so it goes once that is over.
    const TReadOffsetFinding found = finding;
    if (m_offsetTask)
        m_offsetTask.release()->deleteLater();
    stopOffsetSearch();
    using Outcome = TReadOffsetFinding::Outcome;
    if (found.Result == Outcome::Stopped)
        return;
    if (found.Result != Outcome::Found) {
        prompts().message(
            QStringLiteral("The read offset was not found: %1.").arg(found.failureText()),
            PromptIcon::Warning, pbOk);
        return;
    }
    const QString question = QStringLiteral("Store read offset %1%2 (%3 of %4 tracks agree)?")
                                 .arg(found.Offset > 0 ? QStringLiteral("+") : QString())
                                 .arg(found.Offset)
                                 .arg(found.TracksAgreeing)
                                 .arg(found.TracksTried);
    if (prompts().message(question, PromptIcon::Question, pbYes | pbNo) == pbYes)
        seReadOffset->setValue(found.Offset);
}

void TOptionSetForm::stopOffsetSearch()
{
    m_offsetTask.reset(); // stops a search and waits for its thread
    showOffsetSearch(false);
}

void TOptionSetForm::showOffsetSearch(bool running)
{
    btFindOffset->setEnabled(!running);
    btStopOffset->setVisible(running);
    if (auto* rows = qobject_cast<QFormLayout*>(lbOffsetState->parentWidget()->layout()))
        rows->setRowVisible(lbOffsetState, running);
}

void TOptionSetForm::updateEnabling()
{
    SpinEdit1->setEnabled(ckNormalize->isChecked());
    eRipTime->setEnabled(cbRipTime->isChecked());
    const bool vbr = ckbSelectVBR->isChecked();
    ckbVBRHead->setEnabled(vbr);
    cbMaxBitRate->setEnabled(vbr);
    cbVBRQuality->setEnabled(vbr);
    // With WAV output there is no intermediate WAV file to delete.
    ckbKeepWav->setEnabled(itemIndex(cbOutputFormat) != ofWAV);
    eAccurateRipServer->setEnabled(ckAccurateRip->isChecked());
    eCTDBServer->setEnabled(ckCTDB->isChecked());
}

void TOptionSetForm::updateNameExample()
{
    const QString nameTemplate = editNameTemplate->text();
    const QStringList unknown = UnknownTemplateFields(nameTemplate);
    if (!unknown.isEmpty()) {
        editNameExample->setText(QStringLiteral("No such field: ") + unknown.join(u' '));
        return;
    }
    const QString folder = QDir::toNativeSeparators(editOutputDir->text());
    const QString name =
        NameTemplateExample(nameTemplate.trimmed().isEmpty() ? DefaultNameTemplate() : nameTemplate,
                            itemIndex(cbOutputFormat), OptionsSetting.CDInfo);
    editNameExample->setText(QDir(folder).filePath(name));
    editNameExample->setCursorPosition(0);
}

void TOptionSetForm::TabSheet3Show()
{
    std::vector<TCDREC> drives = cdAccess().GetCDList();
    if (drives.size() > kMaxDrives)
        drives.resize(kMaxDrives);
    cbCDList->clear();
    for (const TCDREC& drive : drives)
        cbCDList->addItem(driveText(drive));
    // Qt selects the first item added; only the remembered drive is chosen.
    cbCDList->setCurrentIndex(-1);
    if (ShownCDIndex < cbCDList->count())
        cbCDList->setCurrentIndex(ShownCDIndex);
}

void TOptionSetForm::btBrowserClick()
{
    const QString start = QDir(ExecutableFolder()).exists() ? ExecutableFolder() : QString();
    const QString folder = prompts().pickFolder(
        FormResString("RES_Select_Directory",
                      QStringLiteral("Please select the directory to save mp3 and wav file")),
        start);
    if (!folder.isEmpty())
        editOutputDir->setText(QDir::toNativeSeparators(folder));
}

void TOptionSetForm::bDefaultClick()
{
    ckbSelectVBR->setChecked(false);
    ckbVBRHead->setChecked(false);
    cbBitRate->setCurrentIndex(kDefaultBitRateItem);
    cbMaxBitRate->setCurrentIndex(kDefaultMaxBitRateItem);
    cbVBRQuality->setCurrentIndex(kDefaultVBRQualityItem);
    cbMpegQuality->setCurrentIndex(kDefaultMpegQualityItem);
    cbStereoMode->setCurrentIndex(kDefaultStereoModeItem);
    updateEnabling();
}

void TOptionSetForm::bWMADefaultClick()
{
    cbWMABitrate->setCurrentIndex(kDefaultWMABitRateItem);
}

TOptionsFormValues TOptionSetForm::values() const
{
    TOptionsFormValues v;
    v.OutputDir = editOutputDir->text();
    v.OutputFormat = itemIndex(cbOutputFormat);
    v.DeleteWav = ckbKeepWav->isChecked();
    v.Normalize = ckNormalize->isChecked();
    v.NormalizePercent = SpinEdit1->value();
    v.EnableRipTime = cbRipTime->isChecked();
    v.RipTimeText = eRipTime->text();
    v.ReplayGain = ckReplayGain->isChecked();
    v.NameTemplate = editNameTemplate->text();

    v.SelectVBR = ckbSelectVBR->isChecked();
    v.VBRHead = ckbVBRHead->isChecked();
    v.BitRateText = cbBitRate->currentText();
    v.MaxBitRateText = cbMaxBitRate->currentText();
    v.MpegQuality = itemIndex(cbMpegQuality);
    v.VBRQuality = itemIndex(cbVBRQuality);
    v.StereoMode = itemIndex(cbStereoMode);

    v.UseCompress = cbUseCompress->isChecked();
    v.CompressPosition = tbCompression->value();
    v.OggMaxBit = itemIndex(cbOggMaxBit);
    v.OggNomBit = itemIndex(cbOggNomBit);
    v.OggMinBit = itemIndex(cbOggMinBit);

    v.WMABitrate = itemIndex(cbWMABitrate);
    v.FlacLevel = seFlacLevel->value();
    v.OpusBitRate = seOpusBitRate->value();

    v.CDIndex = cbCDList->currentIndex();
    v.CDDb = ckbCDDb->isChecked();

    v.ReadMode = itemIndex(cbReadMode);
    v.ReadOffset = seReadOffset->value();
    v.RipHiddenTrack = ckRipHiddenTrack->isChecked();
    v.CueSheet = ckCueSheet->isChecked();
    v.AccurateRip = ckAccurateRip->isChecked();
    v.AccurateRipServer = eAccurateRipServer->text();
    v.CTDB = ckCTDB->isChecked();
    v.CTDBServer = eCTDBServer->text();

    v.UseID3 = cbUseID3->isChecked();
    v.Artist = ID3artist->text();
    v.Album = ID3album->text();
    v.Year = ID3year->text();
    v.Genre = ID3genre->currentIndex();
    v.Comment = ID3comment->text();

    v.AutoLookup = ckbAutoLookup->isChecked();
    v.LookupSources = eSources->text();
    v.MusicBrainzServer = eMusicBrainz->text();
    v.CoverArtServer = eCoverArt->text();
    v.SaveCover = ckbSaveCover->isChecked();
    v.Contact = eContact->text();
    v.CddbEmail = eCddbEmail->text();
    v.CddbClient = eCddbClient->text();
    return v;
}

void TOptionSetForm::refuse(const QString& text, int page, QWidget* focus)
{
    prompts().message(text, PromptIcon::Error, pbOk);
    if (PageControl1->currentIndex() == page)
        focus->setFocus();
}

void TOptionSetForm::btOkClick()
{
    const TOptionsFormValues v = values();
    // The lookup page's checks need the lookup code, which the settings
    // layer below does not know.
    const int lookupPage = PageControl1->indexOf(TabSheet7);
    QString sourcesError;
    if (!ParseMetadataSources(v.LookupSources, &sourcesError)) {
        PageControl1->setCurrentIndex(lookupPage);
        refuse(sourcesError, lookupPage, eSources);
        return;
    }
    for (QLineEdit* server : {eMusicBrainz, eCoverArt}) {
        if (ServiceBaseUrl(server->text()).isEmpty()) {
            PageControl1->setCurrentIndex(lookupPage);
            refuse(QStringLiteral("'%1' is not a web address (http:// or https://)")
                       .arg(server->text().left(100)),
                   lookupPage, server);
            return;
        }
    }
    const int outputPage = PageControl1->indexOf(TabSheet1);
    const OptionsFormProblem problem = StoreOptionsFormValues(v, OptionsSetting);
    switch (problem) {
    case OptionsFormProblem::OutputDirMissing:
        refuse(v.OutputDir + QStringLiteral(",") +
                   FormResString("RES_Directory_Not_Exist",
                                 QStringLiteral("The output directory does not exist.")),
               outputPage, editOutputDir);
        return;
    case OptionsFormProblem::RipTimeInvalid:
        refuse(FormResString("RES_Rip_Time_Error",
                             QStringLiteral("Please check the song length to extract.")),
               outputPage, eRipTime);
        return;
    case OptionsFormProblem::BitRateInvalid:
    case OptionsFormProblem::MaxBitRateInvalid: {
        QComboBox* bad = ParseBitRateText(v.BitRateText) ? cbMaxBitRate : cbBitRate;
        const int lamePage = PageControl1->indexOf(TabSheet2);
        PageControl1->setCurrentIndex(lamePage);
        refuse(QStringLiteral("'%1' is not a valid integer value")
                   .arg(bad->currentText().left(3).trimmed()),
               lamePage, bad);
        return;
    }
    case OptionsFormProblem::AccurateRipServerInvalid:
    case OptionsFormProblem::CTDBServerInvalid: {
        QLineEdit* bad =
            problem == OptionsFormProblem::CTDBServerInvalid ? eCTDBServer : eAccurateRipServer;
        const int verifyPage = PageControl1->indexOf(TabSheet8);
        PageControl1->setCurrentIndex(verifyPage);
        refuse(FormResString("RES_Server_Address_Error",
                             QStringLiteral("A database address begins with http:// or https:// "
                                            "and names a server.")),
               verifyPage, bad);
        return;
    }
    case OptionsFormProblem::None:
        break;
    }
    m_driveMustReopen = DriveMustReopen(cbCDList->count(), cbCDList->currentIndex(), ShownCDIndex,
                                        ckbCDDb->isChecked(), ShownCDDb);
    accept();
}

bool ExecOptionsDialog(QWidget* parent, bool* reopenDrive, HCDROM drive)
{
    TOptionSetForm form(parent);
    form.OffsetDrive = drive;
    if (parent)
        form.move(parent->frameGeometry().topLeft() + QPoint(50, 50));
    const bool ok = form.exec() == QDialog::Accepted;
    if (reopenDrive)
        *reopenDrive = ok && form.driveMustReopen();
    return ok;
}
