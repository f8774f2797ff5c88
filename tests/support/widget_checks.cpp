#include "widget_checks.h"

#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace quillon::test {

std::string cutOffControls(QWidget* window)
{
    QStringList found;
    const QRect inside = window->rect();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !w->isVisibleTo(window))
            continue;
        if (!inside.contains(QRect(w->mapTo(window, QPoint(0, 0)), w->size())))
            found << name + QStringLiteral(": outside the window");
        // The text itself must fit; a button's frame and padding may be narrower
        // than the style would like.
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && !label->wordWrap())
            text = label->text();
        text.remove(QLatin1Char('&'));
        if (!text.isEmpty() && !text.contains(QLatin1Char('<')) &&
            w->fontMetrics().horizontalAdvance(text) > w->width())
            found << name + QStringLiteral(": text cut off");
    }
    return found.join(QLatin1String("; ")).toStdString();
}

} // namespace quillon::test
