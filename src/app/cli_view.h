#pragma once
// The job view of the text front end. On a terminal it draws one status line
// with the bar of the whole job, the steps running now and the two times,
// redrawn in place at most ten times a second; otherwise it writes a plain
// line for every new step.

#include "jobs/job_engine.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cstdio>

class QEventLoop;

class TCliJobView : public QObject, public IJobView {
    Q_OBJECT
public:
    TCliJobView(std::FILE* out, bool terminal);

    // The loop to quit when the job closes.
    void setLoop(QEventLoop* loop) { m_loop = loop; }
    bool closed() const { return m_closed; }
    // Ends a drawn line so that other output starts on a fresh one.
    void breakLine();
    // Redraws the line were counted since the view was made.
    int draws() const { return m_draws; }

    // The shortest time between two redraws.
    static constexpr int kRedrawMs = 100;

    void setStatusLine(const QString& text) override;
    void setFrameCaption(const QString&) override {}
    void setInitializing(const QString&, bool) override {}
    void setProgress(int percent, bool showText) override;
    void setTimes(const QString& elapsed, const QString& estimated) override;
    void setStepLines(const std::vector<TStepLine>& lines) override;
    void closeJob() override;
    void trackVerified(int item, const QString& line, bool doubtful) override;
    void verificationWarning(const QString& text) override;

private:
    // Draws now, or once kRedrawMs have passed since the last drawing.
    void changed();
    void draw();

    std::FILE* m_out;
    bool m_terminal;
    QString m_status;
    int m_percent = 0;
    bool m_showPercent = false;
    QString m_elapsed;
    QString m_estimated;
    QString m_steps;
    bool m_lineOpen = false;
    bool m_closed = false;
    int m_draws = 0;
    QEventLoop* m_loop = nullptr;
    QElapsedTimer m_lastDraw;
    QTimer m_redraw;
};
