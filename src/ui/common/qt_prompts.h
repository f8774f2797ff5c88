#pragma once
// The prompts interface on Qt's message boxes and file dialogs.

#include "settings/prompts.h"

class QWidget;

class QtPrompts : public IPrompts {
public:
    PromptButton message(const QString& text, PromptIcon icon, unsigned buttons,
                         const QString& caption) override;
    QStringList openFiles(const QString& title, const QString& filter, const QString& dir,
                          bool multiple) override;
    QString saveFile(const QString& title, const QString& filter, const QString& dir,
                     const QString& suggestedName) override;
    QString pickFolder(const QString& title, const QString& dir) override;
};
