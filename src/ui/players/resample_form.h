#pragma once
// TfrmResample ("WAV to WAV"): converts one WAV file into another with the
// chosen channel count, sample rate, sample size and encoding, in the
// background through the conversion it owns (TWavToWav: the chain is wired
// anew for every conversion, and the output replaces the chosen file only
// when it is complete).
//
// Threads: the widgets and the wiring belong to the UI thread. The
// conversion's progress and end events run on the writer's worker thread and
// only queue their effect onto the UI thread.

#include "jobs/wav_to_wav.h"

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

    // The reader, the converters and the writer.
    TWavToWav Conversion;

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
    void WaveOut1Progress(int percent);
    void WaveOut1Done(const QString& error);

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
    QString m_outputFile;
};

// The main window's "WA&V to WAV..." command: shows the dialog modally.
void ExecResampleDialog(QWidget* parent);
