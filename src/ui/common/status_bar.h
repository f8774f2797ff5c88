#pragma once
// A status bar made of text panels, or of one text in simple mode. Language
// files address its panels as name_Panel<i> (or the bare name in simple mode).

#include <QFrame>
#include <QList>

class QLabel;

class TStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr, int panelCount = 1);

    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

    // In simple mode the bar shows one text across its width.
    bool simplePanel() const { return m_simple; }
    void setSimplePanel(bool simple);
    QString simpleText() const;
    void setSimpleText(const QString& text);

private:
    QList<QLabel*> m_panels;
    QLabel* m_simpleLabel;
    bool m_simple = false;
};
