// Quillon's entry point.
#include "common/qt_prompts.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QtPrompts qtPrompts;
    setPrompts(&qtPrompts);
    QLabel label(QStringLiteral("Quillon"));
    label.show();
    const int rc = QApplication::exec();
    setPrompts(nullptr);
    return rc;
}
