#pragma once
// TfrmRecord: the sound recorder window. It records the sound card's input
// into a WAV file, plays it, records again from any point, undoes the changes
// since the last save, saves under a name and, when "&MP3 format" is ticked,
// has the job window encode the saved file to MP3.
//
// The work files and the sound device belong to TRecordingFiles; this window
// asks the user and shows the state. Everything here runs on the UI thread.

#include "cdaccess/cd_access.h"
#include "media_player_bar.h"
#include "recorder/recording_files.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QTimer;

// The main window's "&Record": shows the recorder modally.
void ExecRecorder(QWidget* parent, HCDROM cdHandle);

class TfrmRecord : public QDialog {
    Q_OBJECT
public:
    TfrmRecord(QWidget* parent, HCDROM cdHandle);
    ~TfrmRecord() override;

    QString CurrentFile() const { return m_files.CurrentFile(); }
    bool Modified() const { return m_files.Modified(); }
    TWaveAudioDevice& Device() { return m_files.Device(); }
    TMediaPlayerBar* MediaPlayer() const { return MediaPlayer1; }
    // Replaces the wait for the rest of the second at the end of a recording
    // (tests watch it).
    void SetStopWaiter(std::function<void(qint64)> waiter) { m_stopWaiter = std::move(waiter); }

public slots:
    void pmExitClick();
    void TrackBar1Change(int position);
    void MediaPlayer1Click(TMPBtnType button);
    void Timer1Timer();
    void TimerRecordTimer();
    void miRecordOptionSetClick();
    void miNewClick();
    void miOpenClick();
    void actSaveExecute();
    void actSaveAsExecute();
    void actUndoExecute();
    void actSaveUpdate();
    void actUndoUpdate();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();

    // What the media control does for a button after MediaPlayer1Click.
    void mediaAction(TMPBtnType button);
    void stopHandling();
    bool saveFile(bool ask);
    // Asks a target name through the save dialog; empty when the user gave up.
    QString askSaveTarget(bool deleteExisting);
    bool openAsCurrent(const QString& path);
    void convertToMp3();
    void showDeviceError(const std::exception& e);
    void setButtonsOpened();
    void updateActions();
    qint64 trackBarTime() const;
    QString caption(const QString& name) const;

    HCDROM m_cdHandle;
    TRecordingFiles m_files;
    TWaveAudioDevice& m_device = m_files.Device();
    bool m_mp3Made = false;
    bool m_closing = false;
    bool m_waitingForStop = false; // the last second of a take is being recorded
    bool m_closeAfterStop = false; // a close came during that wait
    qint64 m_playClock = 0;
    qint64 m_startPosition = 0;
    QElapsedTimer m_recordStart;
    qint64 m_recordMilliseconds = 0;
    std::function<void(qint64)> m_stopWaiter;

    QLabel* lbState;
    QLabel* panRecordTime;
    QGroupBox* GroupBox1;
    QLabel* lbPosition;
    QGroupBox* GroupBox2;
    QLabel* lbLength;
    QSlider* TrackBar1;
    TMediaPlayerBar* MediaPlayer1;
    QPushButton* btStart;
    QLabel* lbWeb;
    QMenu* PopupMenu1;
    QAction* miNew;
    QAction* miOpen;
    QAction* miSave;
    QAction* miSaveAs;
    QAction* miUndo;
    QAction* miRecordOptionSet;
    QAction* miSaveMp3;
    QAction* pmExit;
    QTimer* Timer1;
    QTimer* TimerRecord;
};
