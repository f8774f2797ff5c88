#include "cli_view.h"

#include <QEventLoop>

TCliJobView::TCliJobView(std::FILE* out, bool terminal) : m_out(out), m_terminal(terminal)
{
    m_wmaTimer.setInterval(1000);
}

void TCliJobView::attach(TJobEngine& engine)
{
    connect(&m_wmaTimer, &QTimer::timeout, &engine, &TJobEngine::Timer1Timer);
    connect(&engine, &TJobEngine::wmaTimerChanged, this, [this](bool on) {
        if (on)
            m_wmaTimer.start();
        else
            m_wmaTimer.stop();
    });
}

void TCliJobView::setStatusLine(const QString& text)
{
    if (text == m_status)
        return;
    breakLine();
    m_status = text;
    m_percent = 0;
    m_showPercent = false;
    m_elapsed.clear();
    m_estimated.clear();
    if (m_terminal) {
        draw();
    } else {
        std::fprintf(m_out, "%s\n", text.toLocal8Bit().constData());
        std::fflush(m_out);
    }
}

void TCliJobView::setProgress(int percent, bool showText)
{
    m_percent = percent;
    m_showPercent = showText;
    if (m_terminal)
        draw();
}

void TCliJobView::setTimes(const QString& elapsed, const QString& estimated)
{
    m_elapsed = elapsed;
    m_estimated = estimated;
    if (m_terminal)
        draw();
}

void TCliJobView::draw()
{
    constexpr int kWidth = 24;
    const int filled = m_showPercent ? std::clamp(m_percent, 0, 100) * kWidth / 100 : 0;
    QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
    QString line =
        QStringLiteral("[%1] %2 %3")
            .arg(bar,
                 m_showPercent ? QStringLiteral("%1%").arg(m_percent, 3) : QStringLiteral("   "),
                 m_status);
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

void TCliJobView::closeJob()
{
    m_wmaTimer.stop();
    breakLine();
    m_closed = true;
    if (m_loop)
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
}
