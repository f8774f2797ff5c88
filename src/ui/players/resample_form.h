#pragma once
// TfrmResample ("WAV to WAV"): converts one WAV file into another with the
// chosen channel count, sample rate, sample size and encoding, in the
// background through the stream components it owns. The chain is wired anew
// for every conversion: SampleConverter1 (8-bit input to 16), MSConverter1
// (channel count), RateConverter1 (rate), SampleConverter2 (16 to 8 bits),
// then WaveOut1, each only when needed.
//
// The output is written under a temporary name beside the chosen file and
// takes its name only when the conversion is complete, so a failed run (or
// an output chosen equal to the input) never leaves a cut file.
//
// Threads: the widgets and the wiring belong to the UI thread. WaveOut1's
// progress, end and failure events run on its worker thread and only queue
// their effect onto the UI thread.

#include "audio/ms_converter.h"
#include "audio/rate_converter.h"
#include "audio/sample_converter.h"
#include "audio/wave_in.h"
#include "audio/wave_out.h"
#include "jobs/part_file.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

class TfrmResample : public QDialog {
    Q_OBJECT
public:
    explicit TfrmResample(QWidget* parent = nullptr);
    ~TfrmResample() override;

    // The components, in the order data flows.
    TWaveIn WaveIn1;
    TSampleConverter SampleConverter1;
    TMSConverter MSConverter1;
    TRateConverter RateConverter1;
    TSampleConverter SampleConverter2;
    TWaveOut WaveOut1;

    // The components the last conversion passed through, source first
    // (object names, WaveIn1 and WaveOut1 included).
    QStringList chainNames() const;

public slots:
    void bInputFileClick();
    void bOutputFileClick();
    void bConvertClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();
    void WaveOut1Progress();
    void WaveOut1Done();
    void WaveOut1Failed(const QString& message);
    void runEnded();

    QProgressBar* ProgressBar1;
    QGroupBox* GroupBox1;
    QLabel* lInputFileName;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label15;
    QGroupBox* GroupBox2;
    QLabel* lOutputFileName;
    QSpinBox* SpinEdit1;
    QComboBox* cbBitSamples;
    QSpinBox* SpinEdit3;
    QComboBox* ComboBox1;
    QPushButton* bInputFile;
    QPushButton* bOutputFile;
    QPushButton* bConvert;
    QPushButton* Button4;
    QString m_outputPath;
    TPartFile m_output; // while a conversion runs
};

// The main window's "WA&V to WAV..." command: shows the dialog modally.
void ExecResampleDialog(QWidget* parent);
