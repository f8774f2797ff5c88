#include "look.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace {
const QColor kCheckFrame{90, 100, 160};

class ListCheckProxyStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_IndicatorItemViewItemCheck)
            return;
        painter->save();
        painter->setPen(kCheckFrame);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
        painter->restore();
    }
};
} // namespace

namespace look {
QString css(const QColor& colour)
{
    return QStringLiteral("rgb(%1, %2, %3)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue());
}

QString FlatStyleSheet()
{
    // Thin single-line borders, no bevels; hover and press darken the face a
    // little so that flat buttons still show they are alive. The selection
    // colours are given with the white background: a drop-down list draws
    // its open popup from them, and the platform's highlight text (white)
    // would vanish on the white face. The file dialog's small icon buttons
    // have no room for the wide padding of ours.
    return QStringLiteral(R"(
QPushButton, QToolButton {
    border: 1px solid rgb(140, 150, 200);
    background: rgb(239, 239, 255);
    padding: 3px 8px;
}
QFileDialog QToolButton { padding: 2px; }
QPushButton:hover, QToolButton:hover { background: rgb(222, 226, 255); }
QPushButton:pressed, QToolButton:pressed { background: rgb(200, 208, 245); }
QPushButton:disabled, QToolButton:disabled { color: rgb(150, 150, 170); }
QToolBar QToolButton, #ToolBar1 QToolButton {
    border: 1px solid transparent;
    background: transparent;
    padding: 2px 6px;
}
QToolBar QToolButton:hover, #ToolBar1 QToolButton:hover {
    border: 1px solid rgb(140, 150, 200);
    background: rgb(239, 239, 255);
}
QLineEdit, QSpinBox, QComboBox {
    border: 1px solid rgb(140, 150, 200);
    background: white;
    padding: 1px 3px;
    selection-background-color: rgb(200, 208, 245);
    selection-color: black;
}
QProgressBar {
    border: 1px solid rgb(140, 150, 200);
    background: white;
    text-align: center;
}
QProgressBar::chunk { background: rgb(120, 140, 230); }
QMenu { background: rgb(247, 247, 255); border: 1px solid rgb(140, 150, 200); }
QMenu::item { padding: 4px 24px 4px 24px; }
QMenu::item:selected { background: rgb(200, 208, 245); color: black; }
QMenu::item:disabled { color: rgb(150, 150, 170); }
QMenu::separator { height: 1px; background: rgb(190, 195, 230); margin: 3px 6px; }
QMenuBar { background: rgb(228, 228, 255); }
QMenuBar::item:selected { background: rgb(200, 208, 245); }
QHeaderView::section {
    background: rgb(228, 228, 255);
    border: none;
    border-right: 1px solid rgb(190, 195, 230);
    border-bottom: 1px solid rgb(190, 195, 230);
    padding: 3px;
}
)");
}

QStyle* ListCheckStyle()
{
    // A widget does not own the style it is given, and lists may still use
    // it while they are destroyed: it lives as long as the application.
    static QPointer<QStyle> style;
    if (!style) {
        style = new ListCheckProxyStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}
} // namespace look
