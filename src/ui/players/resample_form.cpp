#include "ui/players/resample_form.h"

#include "settings/language.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "ui/common/translate_form.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

const QString kWaveFilter = QStringLiteral("Wave Files (*.wav)");

// A chosen output name gets the default extension when it has none.
QString withWavExtension(const QString& path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".wav") : path;
}

} // namespace

TfrmResample::TfrmResample(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmResample"));
    setWindowTitle(QStringLiteral("WAV to WAV"));
    setModal(true);

    // Worker thread: only queue the effect onto the UI thread.
    Conversion.OnProgress = [this](int percent) {
        QMetaObject::invokeMethod(
            this, [this, percent] { WaveOut1Progress(percent); }, Qt::QueuedConnection);
    };
    Conversion.OnEnded = [this](const QString& error) {
        QMetaObject::invokeMethod(
            this, [this, error] { WaveOut1Done(error); }, Qt::QueuedConnection);
    };

    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    GroupBox1 = named(new QGroupBox(QStringLiteral("Input File Parameters"), this), "GroupBox1");
    lInputFileName = named(new QLabel(GroupBox1), "lInputFileName");
    Label6 = named(new QLabel(GroupBox1), "Label6");
    Label7 = named(new QLabel(GroupBox1), "Label7");
    Label8 = named(new QLabel(GroupBox1), "Label8");
    Label15 = named(new QLabel(GroupBox1), "Label15");
    auto* inputForm = new QFormLayout(GroupBox1);
    inputForm->addRow(named(new QLabel(QStringLiteral("File Name"), GroupBox1), "Label1"),
                      lInputFileName);
    inputForm->addRow(named(new QLabel(QStringLiteral("Channels:"), GroupBox1), "Label2"), Label6);
    inputForm->addRow(named(new QLabel(QStringLiteral("Sample Rate:"), GroupBox1), "Label3"),
                      Label7);
    inputForm->addRow(named(new QLabel(QStringLiteral("Bits Per Sample:"), GroupBox1), "Label4"),
                      Label8);
    inputForm->addRow(named(new QLabel(QStringLiteral("Encoding"), GroupBox1), "Label5"), Label15);

    GroupBox2 = named(new QGroupBox(QStringLiteral(" Output File Parameters "), this), "GroupBox2");
    lOutputFileName = named(new QLabel(GroupBox2), "lOutputFileName");
    SpinEdit1 = named(new QSpinBox(GroupBox2), "SpinEdit1");
    SpinEdit1->setRange(1, 2);
    SpinEdit1->setValue(1);
    cbBitSamples = named(new QComboBox(GroupBox2), "cbBitSamples");
    cbBitSamples->setEditable(true);
    cbBitSamples->addItems(
        {QStringLiteral("  8000"), QStringLiteral("11025"), QStringLiteral("12000"),
         QStringLiteral("16000"), QStringLiteral("22050"), QStringLiteral("24000"),
         QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000")});
    cbBitSamples->setCurrentIndex(7);
    SpinEdit3 = named(new QSpinBox(GroupBox2), "SpinEdit3");
    SpinEdit3->setRange(8, 16);
    SpinEdit3->setSingleStep(8);
    SpinEdit3->setValue(16);
    ComboBox1 = named(new QComboBox(GroupBox2), "ComboBox1");
    ComboBox1->setEditable(false);
    ComboBox1->addItems({QStringLiteral("RAW PCM"), QStringLiteral("DVI IMA ADPCM")});
    auto* outputForm = new QFormLayout(GroupBox2);
    outputForm->addRow(named(new QLabel(QStringLiteral("File Name"), GroupBox2), "Label9"),
                       lOutputFileName);
    outputForm->addRow(named(new QLabel(QStringLiteral("Channels:"), GroupBox2), "Label10"),
                       SpinEdit1);
    outputForm->addRow(named(new QLabel(QStringLiteral("Sample Rate:"), GroupBox2), "Label11"),
                       cbBitSamples);
    outputForm->addRow(named(new QLabel(QStringLiteral("Bits Per Sample:"), GroupBox2), "Label12"),
                       SpinEdit3);
    outputForm->addRow(named(new QLabel(QStringLiteral("Encoding"), GroupBox2), "Label13"),
                       ComboBox1);

    bInputFile = named(new QPushButton(QStringLiteral("Input File..."), this), "bInputFile");
    bOutputFile = named(new QPushButton(QStringLiteral("Output File..."), this), "bOutputFile");
    bConvert = named(new QPushButton(QStringLiteral("Convert"), this), "bConvert");
    Button4 = named(new QPushButton(QStringLiteral("Close"), this), "Button4");
    connect(bInputFile, &QPushButton::clicked, this, &TfrmResample::bInputFileClick);
    connect(bOutputFile, &QPushButton::clicked, this, &TfrmResample::bOutputFileClick);
    connect(bConvert, &QPushButton::clicked, this, &TfrmResample::bConvertClick);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bInputFile);
    buttons->addWidget(bOutputFile);
    buttons->addStretch();
    buttons->addWidget(bConvert);
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
}

// The conversion ends a run still going quietly before anything its events
// use is destroyed; what they queued is dropped with the window.
TfrmResample::~TfrmResample() = default;

void TfrmResample::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TfrmResample::FormShow()
{
    if (!IsEnglishLanguage(OptionsSetting.Lan))
        TranslateForm(this, OptionsSetting.Lan);
}

QStringList TfrmResample::chainNames() const
{
    return ChainNames(Conversion.WaveOut1);
}

void TfrmResample::bInputFileClick()
{
    const QStringList picked = prompts().openFiles(QStringLiteral("Open"), kWaveFilter, {}, false);
    if (picked.isEmpty())
        return;
    const QString path = picked.first();
    TWaveIn& WaveIn1 = Conversion.Chain.WaveIn1;
    WaveIn1.SetFileName(path);
    if (!WaveIn1.Valid())
        return;
    lInputFileName->setText(QFileInfo(path).fileName());
    lInputFileName->setToolTip(path);
    Label6->setText(QString::number(WaveIn1.GetChannels()));
    Label7->setText(QString::number(WaveIn1.GetSampleRate()));
    Label8->setText(QString::number(WaveIn1.GetBitsPerSample()));
    Label15->setText(WavTypeText(WaveIn1.GetWavType()));
}

void TfrmResample::bOutputFileClick()
{
    const QString picked = prompts().saveFile(QStringLiteral("Save As"), kWaveFilter, {}, {});
    if (picked.isEmpty())
        return;
    const QString path = withWavExtension(picked);
    m_outputFile = path;
    lOutputFileName->setText(QFileInfo(path).fileName());
    lOutputFileName->setToolTip(path);
}

void TfrmResample::bConvertClick()
{
    const int channels = SpinEdit1->value();
    bool ok = false;
    const int rate = cbBitSamples->currentText().trimmed().toInt(&ok);
    const int bits = SpinEdit3->value();
    if (!ok || rate <= 0) {
        prompts().message(QStringLiteral("\"%1\" ").arg(cbBitSamples->currentText().trimmed()) +
                              GetResString(QStringLiteral("RES_Invalid_SampleRate"),
                                           QStringLiteral("is not a valid sample rate. Please "
                                                          "enter a positive whole number of "
                                                          "samples per second.")),
                          PromptIcon::Error, pbOk);
        return;
    }
    if (!Conversion.Chain.WaveIn1.Valid() || m_outputFile.isEmpty() || Conversion.Busy())
        return;
    QString error;
    if (!Conversion.Start(m_outputFile, {channels, rate, bits},
                          ComboBox1->currentIndex() == 1 ? wtDVIADPCM : wtPCM, error)) {
        prompts().message(error, PromptIcon::Error, pbOk);
        return;
    }
    // A writer that could not begin has queued its end already.
    bConvert->setEnabled(false);
}

void TfrmResample::WaveOut1Progress(int percent)
{
    if (percent >= 0)
        ProgressBar1->setValue(percent);
}

void TfrmResample::WaveOut1Done(const QString& error)
{
    bConvert->setEnabled(true);
    ProgressBar1->setValue(0);
    // A failed run ended without a result: say why and let the user try
    // again with other settings.
    if (!error.isEmpty())
        prompts().message(error, PromptIcon::Error, pbOk);
}

void ExecResampleDialog(QWidget* parent)
{
    TfrmResample dialog(parent);
    dialog.exec();
}
