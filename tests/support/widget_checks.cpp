#include "widget_checks.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace quillon::test {

QStringList cutOffControls(QWidget* window)
{
    QStringList found;
    const QRect inside = window->rect();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !w->isVisibleTo(window))
            continue;
        const QRect at(w->mapTo(window, QPoint(0, 0)), w->size());
        if (!inside.contains(at))
            found << name + QStringLiteral(": outside the window");
        const bool texted =
            qobject_cast<QLabel*>(w) != nullptr || qobject_cast<QAbstractButton*>(w) != nullptr;
        if (texted && !(qobject_cast<QLabel*>(w) && qobject_cast<QLabel*>(w)->wordWrap()) &&
            w->width() < w->minimumSizeHint().width())
            found << name + QStringLiteral(": text cut off");
    }
    return found;
}

} // namespace quillon::test
