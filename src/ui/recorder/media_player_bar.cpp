#include "media_player_bar.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace {
struct ButtonLook {
    const char* name;
    const char* tip;
    QStyle::StandardPixmap icon;
};
constexpr ButtonLook kLooks[] = {
    {"btPlay", "Play", QStyle::SP_MediaPlay},
    {"btPause", "Pause", QStyle::SP_MediaPause},
    {"btStop", "Stop", QStyle::SP_MediaStop},
    {"btNext", "Next", QStyle::SP_MediaSkipForward},
    {"btPrev", "Prev", QStyle::SP_MediaSkipBackward},
    {"btStep", "Step", QStyle::SP_MediaSeekForward},
    {"btBack", "Back", QStyle::SP_MediaSeekBackward},
    {"btRecord", "Record", QStyle::SP_DialogYesButton},
};
} // namespace

TMediaPlayerBar::TMediaPlayerBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < int(m_buttons.size()); ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(kLooks[i].name));
        b->setToolTip(QString::fromLatin1(kLooks[i].tip));
        b->setText(QString::fromLatin1(kLooks[i].tip));
        b->setIcon(style()->standardIcon(kLooks[i].icon));
        b->setEnabled(false);
        const auto type = TMPBtnType(i);
        connect(b, &QToolButton::clicked, this, [this, type] { emit Click(type); });
        layout->addWidget(b);
        m_buttons[i] = b;
    }
    // Pause is not among the visible buttons.
    m_buttons[btPause]->setVisible(false);
    layout->addStretch();
}

void TMediaPlayerBar::SetEnabledButtons(std::initializer_list<TMPBtnType> buttons)
{
    for (QToolButton* b : m_buttons)
        b->setEnabled(false);
    for (TMPBtnType t : buttons)
        m_buttons[t]->setEnabled(true);
}

bool TMediaPlayerBar::IsEnabled(TMPBtnType button) const
{
    return m_buttons[button]->isEnabled();
}
