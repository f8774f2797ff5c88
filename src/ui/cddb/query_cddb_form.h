#pragma once
// TfrmQueryCDDB: the CDDB query dialog. It shows and edits the server and
// proxy settings; Query stores them in OptionsSetting.QueryCDDB and runs the
// wait window (TfrmStopQuery). A finished query closes this dialog too (mrYes);
// after Stop or a search without a match it stays open for another try.
//
// Threads: UI thread only.

#include "stop_query_form.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmQueryCDDB : public QDialog {
    Q_OBJECT
public:
    // firstTrack, lastTrack and cdHandle: the disc the track list shows;
    // setRowTitle receives the titles found.
    TfrmQueryCDDB(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack, HCDROM cdHandle,
                  TSetRowTitle setRowTitle);

public slots:
    void FormShow();
    void bQueryClick();
    void bDefaultClick();
    void bCloseClick();
    void cbProxyClick();

protected:
    void showEvent(QShowEvent* e) override;

private:
    std::uint8_t m_firstTrack;
    std::uint8_t m_lastTrack;
    HCDROM m_cdHandle;
    TSetRowTitle m_setRowTitle;

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QComboBox* cbServer;
    QLabel* Label2;
    QLineEdit* eScript;
    QGroupBox* GroupBox2;
    QCheckBox* cbProxy;
    QLabel* Label3;
    QLineEdit* eAddress;
    QLabel* Label4;
    QLineEdit* ePort;
    QPushButton* bQuery;
    QPushButton* bDefault;
    QPushButton* bClose;
};
