#pragma once
// TfrmStopQuery: the wait window of a CDDB lookup. It runs one
// TQueryCDDBThread, shows that it is busy and offers Stop; a finished query
// is applied to the disc record and the caller's track list while the window
// is still shown, then the window closes with mrYes. A search without a match
// (or a failed one) shows the explanation panel with the server's answer and
// turns Stop into Close.
//
// Threads: UI thread only. The query thread reports by one posted
// WM_CDDBFINISHED; Stop abandons it at once and nothing it found is stored
// afterwards. The thread object is destroyed before the window.

#include "cdaccess/cd_access.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;
class TQueryCDDBThread;

// Modal results of the CDDB windows.
constexpr int mrCancel = QDialog::Rejected;
constexpr int mrYes = 6;

// Sets the "Title" text of one row of the track list (row 0 is the first track).
using TSetRowTitle = std::function<void(int row, const QString& title)>;

class TfrmStopQuery : public QDialog {
    Q_OBJECT
public:
    TfrmStopQuery(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack, HCDROM cdHandle,
                  TSetRowTitle setRowTitle);
    ~TfrmStopQuery() override;

    // True while a query runs (started and not yet reported or stopped).
    bool queryRunning() const;

public slots:
    void FormShow();
    void bStopClick();
    void done(int result) override;
    // The title bar offers no close button. While the query runs neither
    // Escape nor the window manager closes the window, only Stop or the
    // query's end do; the explanation panel also closes with Escape.
    void reject() override;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void cddbMessage(int wParam);
    // failure: the lookup itself failed (network, answer, disc), and the
    // reason heads the panel instead of following the no-match hints.
    void showNoMatch(const QString& reason, bool failure);

    std::uint8_t m_firstTrack;
    std::uint8_t m_lastTrack;
    HCDROM m_cdHandle;
    TSetRowTitle m_setRowTitle;

    QLabel* lHint;
    QPushButton* bStop;
    QFrame* Panel1;
    QLabel* Label1;
    QLabel* lReason; // the server's answer or the network error

    std::unique_ptr<TQueryCDDBThread> m_thread;
    bool m_shown = false;
    bool m_over = false; // the thread's message arrived (or it never started)
};
