#pragma once
// Closes job windows that have ended and show their summary, as a user would
// press Close, and keeps what they said. For tests that start a job through
// a command whose modal window returns only when closed.
#include "ui/jobs/rip_form.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace quillon::test {

class JobWindowCloser {
public:
    QStringList summaries;

    JobWindowCloser()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* form = qobject_cast<TRipForm*>(w);
                if (!form || !form->isVisible() || !form->showsSummary())
                    continue;
                summaries << form->findChild<QLabel*>(QStringLiteral("SummaryLabel"))->text();
                form->findChild<QPushButton*>(QStringLiteral("btStop"))->click();
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

} // namespace quillon::test
