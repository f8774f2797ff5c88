#include "cli_view.h"

#include <QEventLoop>

TCliJobView::TCliJobView(std::FILE* out, bool terminal) : m_out(out), m_terminal(terminal)
{
    m_redraw.setSingleShot(true);
    connect(&m_redraw, &QTimer::timeout, this, &TCliJobView::draw);
}

void TCliJobView::setStatusLine(const QString& text)
{
    if (text == m_status)
        return;
    m_status = text;
    if (m_terminal) {
        changed();
    } else {
        std::fprintf(m_out, "%s\n", text.toLocal8Bit().constData());
        std::fflush(m_out);
    }
}

void TCliJobView::setProgress(int percent, bool showText)
{
    m_percent = percent;
    m_showPercent = showText;
    changed();
}

void TCliJobView::setTimes(const QString& elapsed, const QString& estimated)
{
    m_elapsed = elapsed;
    m_estimated = estimated;
    changed();
}

void TCliJobView::setStepLines(const std::vector<TStepLine>& lines)
{
    // "Extracting(03/10) 40%, Encoding(01/10) 85%": the titles are in the
    // status line already.
    QStringList parts;
    for (const TStepLine& line : lines) {
        const qsizetype cut = line.Text.indexOf(QLatin1Char(')'));
        QString part = cut < 0 ? line.Text : line.Text.left(cut + 1);
        if (line.Percent >= 0)
            part += QStringLiteral(" %1%").arg(line.Percent);
        parts << part;
    }
    m_steps = parts.join(QStringLiteral(", "));
    changed();
}

void TCliJobView::changed()
{
    if (!m_terminal || m_closed)
        return;
    if (!m_lastDraw.isValid() || m_lastDraw.elapsed() >= kRedrawMs) {
        m_redraw.stop();
        draw();
    } else if (!m_redraw.isActive()) {
        m_redraw.start(int(kRedrawMs - m_lastDraw.elapsed()));
    }
}

void TCliJobView::draw()
{
    if (m_closed)
        return;
    m_lastDraw.start();
    ++m_draws;
    constexpr int kWidth = 24;
    const int filled = m_showPercent ? std::clamp(m_percent, 0, 100) * kWidth / 100 : 0;
    QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
    QString line =
        QStringLiteral("[%1] %2 %3")
            .arg(bar,
                 m_showPercent ? QStringLiteral("%1%").arg(m_percent, 3) : QStringLiteral("   "),
                 m_status);
    if (!m_steps.isEmpty())
        line += QStringLiteral("  [%1]").arg(m_steps);
    if (!m_elapsed.isEmpty() || !m_estimated.isEmpty())
        line += QStringLiteral("  %1/%2").arg(m_elapsed, m_estimated);
    std::fprintf(m_out, "\r\033[K%s", line.toLocal8Bit().constData());
    std::fflush(m_out);
    m_lineOpen = true;
}

void TCliJobView::breakLine()
{
    if (!m_lineOpen)
        return;
    std::fputc('\n', m_out);
    std::fflush(m_out);
    m_lineOpen = false;
}

void TCliJobView::trackVerified(int, const QString& line, bool)
{
    // Results go to standard output, one line each, between progress lines.
    breakLine();
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void TCliJobView::verificationWarning(const QString& text)
{
    breakLine();
    std::fprintf(m_out, "quillon: %s\n", text.toLocal8Bit().constData());
    std::fflush(m_out);
}

void TCliJobView::closeJob()
{
    if (m_terminal && !m_closed && m_redraw.isActive()) {
        m_redraw.stop();
        draw(); // the last state, not the one a tenth of a second before
    }
    m_closed = true;
    breakLine();
    if (m_loop)
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
}
