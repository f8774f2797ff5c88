#pragma once
// TJobSummary: what became of every item of a job, collected while it runs
// and shown once at its end ("4 of 5 tracks made; 1 failed") by the job
// window and the command line alike. Failures never stop the batch; they are
// written down here instead.

#include <QString>
#include <QStringList>

#include <vector>

// Dropped: there was nothing to make (silence before track 1); such an item
// is left out of the counts and the text.
enum class TItemOutcome { Pending, Made, Skipped, Failed, Dropped };

struct TItemResult {
    QString Name;   // the title or input file, as the status line shows it
    QString Output; // the file the item makes
    TItemOutcome Outcome = TItemOutcome::Pending;
    QString Reason;    // why it was skipped or failed
    QStringList Notes; // things that went wrong around a made file (its tag)
};

class TJobSummary {
public:
    // tracks: the items are tracks of a disc (else files).
    void reset(bool tracks, const QStringList& names, const QStringList& outputs);

    void made(int i);
    void skipped(int i, const QString& reason);
    void failed(int i, const QString& reason);
    void dropped(int i);
    void note(int i, const QString& text);
    // A reason that concerns the whole job (an output folder that cannot be
    // written); the items that did not run stay pending.
    void setJobError(const QString& text) { m_jobError = text; }
    void setStopped() { m_stopped = true; }

    // The items, the dropped ones left out.
    int count() const { return int(m_items.size()) - count(TItemOutcome::Dropped); }
    int count(TItemOutcome outcome) const;
    bool stopped() const { return m_stopped; }
    const QString& jobError() const { return m_jobError; }
    const std::vector<TItemResult>& items() const { return m_items; }
    // Files made, in item order.
    QStringList madeFiles() const;
    // True when every item was made and nothing else needs saying.
    bool clean() const;

    // The first line: "4 of 5 tracks made; 1 skipped; 1 failed" (with
    // "stopped" or the job's error in front when there is one, and "2 not
    // begun" when a failure ended the job early).
    QString headline() const;
    // The headline and one line per item that was not made or has notes.
    QString text() const;

private:
    bool m_tracks = true;
    bool m_stopped = false;
    QString m_jobError;
    std::vector<TItemResult> m_items;
};
