#pragma once
// TfrmNewRecordFile: asks the format of a new recording (sample rate, 8 or 16
// bit, mono or stereo). UI thread only.

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class TfrmNewRecordFile : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewRecordFile(QWidget* parent = nullptr);

    int Rate() const;
    int Bits() const;
    int Channels() const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FormShow();

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QComboBox* cbBitSamples;
    QRadioButton* rbBitNumber;     // 8 bit
    QRadioButton* rbBitNumber16;   // 16 bit
    QRadioButton* rbChannelNumber; // mono
    QRadioButton* rbChannelStereo;
    QPushButton* btOK;
    QPushButton* btCancel;
};
