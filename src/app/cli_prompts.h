#pragma once
// The prompts of the text front end: messages go to standard error, yes/no
// questions are answered by --overwrite / --no-overwrite, or asked on the
// terminal when standard input is one, and answered "no" otherwise. File and
// folder dialogs are cancelled. Nothing ever waits on a standard input that
// is not a terminal.

#include "settings/prompts.h"

#include <cstdio>

class TCliPrompts : public IPrompts {
public:
    enum class TAnswer { Ask, Yes, No };

    // answer: how yes/no questions are answered; Ask falls back to No when
    // stdin is not a terminal.
    explicit TCliPrompts(TAnswer answer, std::FILE* err = stderr);

    PromptButton message(const QString& text, PromptIcon icon, unsigned buttons,
                         const QString& caption) override;
    QStringList openFiles(const QString&, const QString&, const QString&, bool) override
    {
        return {};
    }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    QString pickFolder(const QString&, const QString&) override { return {}; }

    // Error and warning messages shown so far.
    int errors() const { return m_errors; }
    // Called before a message is written (the progress display clears its line).
    void (*beforeWrite)(void*) = nullptr;
    void* beforeWriteContext = nullptr;

private:
    TAnswer m_answer;
    std::FILE* m_err;
    int m_errors = 0;
};
