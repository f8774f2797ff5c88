#include "new_record_file_form.h"

#include "ui/common/form_texts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
} // namespace

TfrmNewRecordFile::TfrmNewRecordFile(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNewRecordFile"));
    setWindowTitle(QStringLiteral("New sound file"));
    GroupBox1 = named(new QGroupBox(QStringLiteral("Record Property"), this), "GroupBox1");
    Label1 = named(new QLabel(QStringLiteral("Bitrate\uFF1A"), GroupBox1), "Label1");
    Label2 = named(new QLabel(QStringLiteral("Data\uFF1A"), GroupBox1), "Label2");
    Label3 = named(new QLabel(QStringLiteral("Mode\uFF1A"), GroupBox1), "Label3");
    cbBitSamples = named(new QComboBox(GroupBox1), "cbBitSamples");
    cbBitSamples->addItems(
        {QStringLiteral("  8000"), QStringLiteral("11025"), QStringLiteral("12000"),
         QStringLiteral("16000"), QStringLiteral("22050"), QStringLiteral("24000"),
         QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000")});
    cbBitSamples->setCurrentIndex(7);
    rbBitNumber = named(new QRadioButton(QStringLiteral("8 bit"), GroupBox1), "rbBitNumber");
    rbBitNumber16 = named(new QRadioButton(QStringLiteral("16 bit"), GroupBox1), "rbBitNumber16");
    rbChannelNumber = named(new QRadioButton(QStringLiteral("Mono"), GroupBox1), "rbChannelNumber");
    rbChannelStereo =
        named(new QRadioButton(QStringLiteral("Stereo"), GroupBox1), "rbChannelStereo");
    // The two choices are independent of each other. The groups come before
    // the defaults: until then the four buttons of the box exclude each other.
    auto* bits = new QButtonGroup(this);
    bits->addButton(rbBitNumber);
    bits->addButton(rbBitNumber16);
    auto* channels = new QButtonGroup(this);
    channels->addButton(rbChannelNumber);
    channels->addButton(rbChannelStereo);
    rbBitNumber16->setChecked(true);
    rbChannelStereo->setChecked(true);

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cbBitSamples, 0, 1, 1, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(rbBitNumber, 1, 1);
    grid->addWidget(rbBitNumber16, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(rbChannelNumber, 2, 1);
    grid->addWidget(rbChannelStereo, 2, 2);

    btOK = named(new QPushButton(QStringLiteral("OK"), this), "btOK");
    btCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "btCancel");
    btOK->setDefault(true);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
}

int TfrmNewRecordFile::Rate() const
{
    return cbBitSamples->currentText().trimmed().toInt();
}

int TfrmNewRecordFile::Bits() const
{
    return rbBitNumber->isChecked() ? 8 : 16;
}

int TfrmNewRecordFile::Channels() const
{
    return rbChannelNumber->isChecked() ? 1 : 2;
}

void TfrmNewRecordFile::showEvent(QShowEvent* e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TfrmNewRecordFile::FormShow()
{
    TranslateFormIfNeeded(this);
}
