#pragma once
// The one way the program asks the user something: message boxes, file and
// folder dialogs. Core code calls prompts(); the windows install the Qt
// implementation at start (ui/common/qt_prompts), tests install
// ScriptedPrompts. Nothing in the core ever creates a dialog itself.
//
// Threads: UI thread only.

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

enum class PromptIcon { None, Information, Warning, Error, Question };

// Buttons as flags so that a call can offer several.
enum PromptButton : unsigned {
    pbNone = 0,
    pbOk = 1u << 0,
    pbCancel = 1u << 1,
    pbYes = 1u << 2,
    pbNo = 1u << 3,
    pbAbort = 1u << 4,
    pbRetry = 1u << 5,
    pbIgnore = 1u << 6,
};

class IPrompts {
public:
    virtual ~IPrompts() = default;

    // A message box captioned "Quillon" (or caption when not empty); returns
    // the button pressed, pbCancel (or pbNo) when the box was closed.
    virtual PromptButton message(const QString& text, PromptIcon icon = PromptIcon::Information,
                                 unsigned buttons = pbOk, const QString& caption = {}) = 0;
    // Open dialog; empty list when cancelled.
    virtual QStringList openFiles(const QString& title, const QString& filter, const QString& dir,
                                  bool multiple) = 0;
    // Save dialog; empty when cancelled.
    virtual QString saveFile(const QString& title, const QString& filter, const QString& dir,
                             const QString& suggestedName) = 0;
    // Folder picker; empty when cancelled.
    virtual QString pickFolder(const QString& title, const QString& dir) = 0;
};

// The installed prompts (never null: a ScriptedPrompts answering defaults is
// installed until the UI sets its own).
IPrompts& prompts();
// Installs p (not owned); null restores the default.
void setPrompts(IPrompts* p);

// Prompts for tests and for headless runs: answers come from queues, every
// message is recorded. An empty answer queue gives the first offered button
// (message), or an empty result (dialogs).
class ScriptedPrompts : public IPrompts {
public:
    struct Shown {
        QString text;
        PromptIcon icon;
        unsigned buttons;
        QString caption;
    };

    std::deque<PromptButton> answers;
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<QString> folderAnswers;
    std::vector<Shown> shown;

    PromptButton message(const QString& text, PromptIcon icon, unsigned buttons,
                         const QString& caption) override;
    QStringList openFiles(const QString& title, const QString& filter, const QString& dir,
                          bool multiple) override;
    QString saveFile(const QString& title, const QString& filter, const QString& dir,
                     const QString& suggestedName) override;
    QString pickFolder(const QString& title, const QString& dir) override;

    QString lastText() const { return shown.empty() ? QString() : shown.back().text; }
};

// Installs a ScriptedPrompts for the lifetime of the object (tests).
class ScopedPrompts : public ScriptedPrompts {
public:
    ScopedPrompts() { setPrompts(this); }
    ~ScopedPrompts() override { setPrompts(nullptr); }
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;
};
