#pragma once
// The OGG player: plays one Ogg Vorbis file at a time through
// VorbisIn1 -> SoundIndicator1 -> StereoBalance1 -> AudioOut1, with a position
// bar that jumps when dragged, pause/resume and stop, a balance control,
// elapsed and total time and a 32-bar spectrum.
//
// Threads: everything here runs on the UI thread except the output's events
// (AudioOut1Progress, AudioOut1Done), which come on its worker and only post
// to the window.

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;
class QScrollBar;
class QSlider;
class QTimer;
class TAudioOut;
class TSoundIndicator;
class TStereoBalance;
class TVorbisIn;

class TfrmOggPlayer : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOggPlayer(QWidget* parent = nullptr);
    ~TfrmOggPlayer() override;

    // Controls and components, named as the language files and tests know them.
    QLabel* lFileName;
    QLabel* lSampleRate;
    QLabel* lCurrentTime;
    QLabel* Label1;
    QLabel* lTotalTime;
    QScrollBar* ScrollBar1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* bStop;
    QSlider* TrackBar1;
    QLabel* Image1;
    QPushButton* bClose;
    QTimer* Timer1;
    QTimer* Timer2;
    TVorbisIn* VorbisIn1;
    TSoundIndicator* SoundIndicator1;
    TStereoBalance* StereoBalance1;
    TAudioOut* AudioOut1;

    // Handlers, callable by tests as the user would trigger them.
    void BitBtn1Click();
    void BitBtn2Click();
    void bStopClick();
    void bCloseClick();
    void ScrollBar1Scroll(int position);
    void TrackBar1Change();
    void Timer1Timer();
    void Timer2Timer();

    // Milliseconds of playing time shown.
    int PlayClock() const { return m_playClock; }
    // The spectrum as last drawn.
    QImage Picture() const;

    // Opens and plays `path` as if chosen in the file dialog.
    void PlayFile(const QString& path);
    // Esc and the posted close request: stops playback first, like Close.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void AudioOut1Progress();
    void AudioOut1Done();
    // A run that failed: ended like a finished one, and the reason shown.
    void AudioOut1Failed(const QString& error);
    int totalSeconds() const { return m_totalSeconds; }

    int m_playClock = 0;
    int m_totalSeconds = 0;
    bool m_closing = false;
    QString m_startError; // why the output did not start, raised inside Run
    QImage m_picture;
};

// Opens the player modally ("&OGG Player..." in the main window); any error
// while creating or showing it is swallowed.
void ExecOggPlayer(QWidget* parent);
