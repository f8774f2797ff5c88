#include "jobs/job_summary.h"

void TJobSummary::reset(bool tracks, const QStringList& names, const QStringList& outputs)
{
    m_tracks = tracks;
    m_stopped = false;
    m_jobError.clear();
    m_items.assign(size_t(names.size()), {});
    for (qsizetype i = 0; i < names.size(); ++i) {
        m_items[size_t(i)].Name = names[i];
        m_items[size_t(i)].Output = outputs.value(i);
    }
}

void TJobSummary::made(int i)
{
    if (i >= 0 && i < int(m_items.size()))
        m_items[size_t(i)].Outcome = TItemOutcome::Made;
}

void TJobSummary::dropped(int i)
{
    if (i >= 0 && i < int(m_items.size()))
        m_items[size_t(i)].Outcome = TItemOutcome::Dropped;
}

void TJobSummary::skipped(int i, const QString& reason)
{
    if (i < 0 || i >= int(m_items.size()))
        return;
    m_items[size_t(i)].Outcome = TItemOutcome::Skipped;
    m_items[size_t(i)].Reason = reason;
}

void TJobSummary::failed(int i, const QString& reason)
{
    if (i < 0 || i >= int(m_items.size()))
        return;
    m_items[size_t(i)].Outcome = TItemOutcome::Failed;
    m_items[size_t(i)].Reason = reason;
}

void TJobSummary::note(int i, const QString& text)
{
    if (i >= 0 && i < int(m_items.size()))
        m_items[size_t(i)].Notes << text;
}

int TJobSummary::count(TItemOutcome outcome) const
{
    int n = 0;
    for (const TItemResult& item : m_items)
        n += item.Outcome == outcome ? 1 : 0;
    return n;
}

QStringList TJobSummary::madeFiles() const
{
    QStringList files;
    for (const TItemResult& item : m_items) {
        if (item.Outcome == TItemOutcome::Made)
            files << item.Output;
    }
    return files;
}

bool TJobSummary::clean() const
{
    if (m_stopped || !m_jobError.isEmpty())
        return false;
    for (const TItemResult& item : m_items) {
        if ((item.Outcome != TItemOutcome::Made && item.Outcome != TItemOutcome::Dropped) ||
            !item.Notes.isEmpty())
            return false;
    }
    return true;
}

QString TJobSummary::headline() const
{
    QStringList parts;
    if (!m_jobError.isEmpty())
        parts << m_jobError;
    else if (m_stopped)
        parts << QStringLiteral("Stopped");
    parts << QStringLiteral("%1 of %2 %3 made")
                 .arg(count(TItemOutcome::Made))
                 .arg(count())
                 .arg(m_tracks ? (count() == 1 ? QStringLiteral("track") : QStringLiteral("tracks"))
                               : (count() == 1 ? QStringLiteral("file") : QStringLiteral("files")));
    if (const int n = count(TItemOutcome::Skipped))
        parts << QStringLiteral("%1 skipped").arg(n);
    if (const int n = count(TItemOutcome::Failed))
        parts << QStringLiteral("%1 failed").arg(n);
    // A failure that ends the job (an encoder that cannot be started) leaves
    // the rest unbegun; a stop or a job error already says why.
    if (const int n = count(TItemOutcome::Pending); n > 0 && !m_stopped && m_jobError.isEmpty())
        parts << QStringLiteral("%1 not begun").arg(n);
    return parts.join(QStringLiteral("; "));
}

QString TJobSummary::text() const
{
    QStringList lines{headline()};
    for (const TItemResult& item : m_items) {
        // The reasons of files mostly name them already ("/a/b.wav is not a
        // WAV file"); a track is named by its title.
        if (item.Outcome == TItemOutcome::Skipped || item.Outcome == TItemOutcome::Failed) {
            const bool named = !m_tracks && item.Reason.contains(item.Name);
            lines << (named ? item.Reason : item.Name + QStringLiteral(": ") + item.Reason);
        }
        for (const QString& n : item.Notes)
            lines << QStringLiteral("%1: %2").arg(item.Name, n);
    }
    return lines.join(QLatin1Char('\n'));
}
