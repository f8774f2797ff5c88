#pragma once
// TMediaPlayerBar: the row of media buttons (Play, Pause, Stop, Next, Prev,
// Step, Back, Record). It only shows and reports presses; the owner decides
// which are enabled and what a press does. UI thread only.

#include <QWidget>

#include <array>
#include <initializer_list>

class QToolButton;

enum TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord };

class TMediaPlayerBar : public QWidget {
    Q_OBJECT
public:
    explicit TMediaPlayerBar(QWidget* parent = nullptr);

    // Enables exactly the listed buttons.
    void SetEnabledButtons(std::initializer_list<TMPBtnType> buttons);
    bool IsEnabled(TMPBtnType button) const;
    QToolButton* Button(TMPBtnType button) const { return m_buttons[button]; }

signals:
    void Click(TMPBtnType button);

private:
    std::array<QToolButton*, 8> m_buttons{};
};
