#include "prompts.h"

namespace {
ScriptedPrompts& defaultPrompts()
{
    static ScriptedPrompts instance;
    return instance;
}
IPrompts* g_prompts = nullptr;
} // namespace

IPrompts& prompts()
{
    return g_prompts ? *g_prompts : defaultPrompts();
}

void setPrompts(IPrompts* p)
{
    g_prompts = p;
}

PromptButton ScriptedPrompts::message(const QString& text, PromptIcon icon, unsigned buttons,
                                      const QString& caption)
{
    shown.push_back({text, icon, buttons, caption});
    if (!answers.empty()) {
        const PromptButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    for (unsigned bit = 1; bit <= pbIgnore; bit <<= 1) {
        if (buttons & bit)
            return static_cast<PromptButton>(bit);
    }
    return pbOk;
}

QStringList ScriptedPrompts::openFiles(const QString&, const QString&, const QString&, bool)
{
    if (openAnswers.empty())
        return {};
    QStringList answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::saveFile(const QString&, const QString&, const QString&, const QString&)
{
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::pickFolder(const QString&, const QString&)
{
    if (folderAnswers.empty())
        return {};
    QString answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}
