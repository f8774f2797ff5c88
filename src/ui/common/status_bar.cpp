#include "status_bar.h"

#include <QHBoxLayout>
#include <QLabel>

TStatusBar::TStatusBar(QWidget* parent, int panelCount) : QFrame(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    m_simpleLabel = new QLabel(this);
    m_simpleLabel->hide();
    layout->addWidget(m_simpleLabel, 1);
    for (int i = 0; i < std::max(panelCount, 1); ++i) {
        auto* panel = new QLabel(this);
        panel->setTextFormat(Qt::PlainText);
        m_panels << panel;
        layout->addWidget(panel, 1);
    }
    m_simpleLabel->setTextFormat(Qt::PlainText);
    setFixedHeight(22);
}

QString TStatusBar::panelText(int index) const
{
    return (index >= 0 && index < m_panels.size()) ? m_panels[index]->text() : QString();
}

void TStatusBar::setPanelText(int index, const QString& text)
{
    if (index >= 0 && index < m_panels.size())
        m_panels[index]->setText(text);
}

void TStatusBar::setSimplePanel(bool simple)
{
    m_simple = simple;
    m_simpleLabel->setVisible(simple);
    for (QLabel* panel : m_panels)
        panel->setVisible(!simple);
}

QString TStatusBar::simpleText() const
{
    return m_simpleLabel->text();
}

void TStatusBar::setSimpleText(const QString& text)
{
    m_simpleLabel->setText(text);
}
