#pragma once
// TRipForm: the modal job window. It renders the job engine's state (status
// line as the window title, frame caption, "Initializing...", a line with a
// gauge for every running step, the gauge of the whole job, the two time
// read-outs) and offers Stop. When the job ends by itself the window stays,
// shows what became of the items and offers Close instead. All the work is in
// TJobEngine; the window only draws. UI thread only.

#include "jobs/job_engine.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

class TRipForm : public QDialog, public IJobView {
    Q_OBJECT
public:
    // Starts the first step of the first item at once; its reports queue up
    // until the window's modal loop runs. mp3: as for TJobEngine.
    TRipForm(QWidget* owner, TJobKind kind, HCDROM cdHandle, const QStringList& items,
             IJobEncoder* mp3 = nullptr);
    ~TRipForm() override;

    TJobEngine& engine() { return *m_engine; }

    // IJobView
    void setStatusLine(const QString& text) override;
    void setFrameCaption(const QString& text) override;
    void setInitializing(const QString& text, bool visible) override;
    void setProgress(int percent, bool showText) override;
    void setTimes(const QString& elapsed, const QString& estimated) override;
    void setStepLines(const std::vector<TStepLine>& lines) override;
    void closeJob() override;
    void trackVerified(int item, const QString& line, bool doubtful) override;
    void verificationWarning(const QString& text) override;
    // True once the job has ended and the window shows its summary.
    bool showsSummary() const { return m_ended; }

public slots:
    void btStopClick();

    // The engine's status line in full; the title may show it shortened.
    QString statusLine() const { return m_statusLine; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void fitTitle();

    QGroupBox* GroupBox1;
    QLabel* Label3;
    QProgressBar* FlatGauge1;
    QLabel* Label10;
    QLabel* Label1;
    QLabel* Label20;
    QLabel* Label2;
    QPushButton* btStop;
    // One row (a label and a gauge) per running step.
    QWidget* StepList;
    QVBoxLayout* m_stepRows;
    QLabel* SummaryLabel;
    // Each read track's verification, as it becomes known.
    QLabel* VerifyLabel;
    QPushButton* btOpenLog;
    QStringList m_verifyLines;
    std::unique_ptr<TJobEngine> m_engine;
    bool m_closing = false;
    bool m_ended = false;
    QString m_statusLine;
};
