#include "qt_prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QWidget* dialogParent()
{
    return QApplication::activeWindow();
}

QMessageBox::Icon toQt(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Error:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

constexpr struct {
    PromptButton ours;
    QMessageBox::StandardButton qt;
} kButtons[] = {
    {pbOk, QMessageBox::Ok},         {pbCancel, QMessageBox::Cancel}, {pbYes, QMessageBox::Yes},
    {pbNo, QMessageBox::No},         {pbAbort, QMessageBox::Abort},   {pbRetry, QMessageBox::Retry},
    {pbIgnore, QMessageBox::Ignore},
};
} // namespace

PromptButton QtPrompts::message(const QString& text, PromptIcon icon, unsigned buttons,
                                const QString& caption)
{
    QMessageBox box(toQt(icon), caption.isEmpty() ? QStringLiteral("Quillon") : caption, text,
                    QMessageBox::NoButton, dialogParent());
    for (const auto& b : kButtons) {
        if (buttons & b.ours)
            box.addButton(b.qt);
    }
    const int pressed = box.exec();
    for (const auto& b : kButtons) {
        if (pressed == b.qt)
            return b.ours;
    }
    return (buttons & pbCancel) ? pbCancel : (buttons & pbNo) ? pbNo : pbOk;
}

QStringList QtPrompts::openFiles(const QString& title, const QString& filter, const QString& dir,
                                 bool multiple)
{
    if (multiple)
        return QFileDialog::getOpenFileNames(dialogParent(), title, dir, filter);
    const QString one = QFileDialog::getOpenFileName(dialogParent(), title, dir, filter);
    return one.isEmpty() ? QStringList() : QStringList{one};
}

QString QtPrompts::saveFile(const QString& title, const QString& filter, const QString& dir,
                            const QString& suggestedName)
{
    const QString start = suggestedName.isEmpty() ? dir : QDir(dir).filePath(suggestedName);
    return QFileDialog::getSaveFileName(dialogParent(), title, start, filter);
}

QString QtPrompts::pickFolder(const QString& title, const QString& dir)
{
    return QFileDialog::getExistingDirectory(dialogParent(), title, dir);
}
