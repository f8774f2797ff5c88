#pragma once
// The job view of the text front end. On a terminal it draws one status line
// with a progress bar and the two times, redrawn in place; otherwise it
// writes a plain line for every new step. It also runs the one-second timer
// of WMA steps for the engine.

#include "jobs/job_engine.h"

#include <QString>
#include <QTimer>

#include <cstdio>

class QEventLoop;

class TCliJobView : public QObject, public IJobView {
    Q_OBJECT
public:
    TCliJobView(std::FILE* out, bool terminal);

    // Connects the engine's WMA timer; call before Start.
    void attach(TJobEngine& engine);
    // The loop to quit when the job closes.
    void setLoop(QEventLoop* loop) { m_loop = loop; }
    bool closed() const { return m_closed; }
    // Ends a drawn line so that other output starts on a fresh one.
    void breakLine();

    void setStatusLine(const QString& text) override;
    void setFrameCaption(const QString&) override {}
    void setInitializing(const QString&, bool) override {}
    void setProgress(int percent, bool showText) override;
    void setTimes(const QString& elapsed, const QString& estimated) override;
    void closeJob() override;

private:
    void draw();

    std::FILE* m_out;
    bool m_terminal;
    QString m_status;
    int m_percent = 0;
    bool m_showPercent = false;
    QString m_elapsed;
    QString m_estimated;
    bool m_lineOpen = false;
    bool m_closed = false;
    QEventLoop* m_loop = nullptr;
    QTimer m_wmaTimer;
};
