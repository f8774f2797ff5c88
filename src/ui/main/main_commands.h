#pragma once
// Every command of the main window in the order its menus show them. A command
// appears only once a handler is attached (TMainForm::setCommand), so windows
// that do not exist yet never show dead entries; adding one later is one call.

#include <vector>

struct TMainMenu {
    const char* Name; // objectName of the QMenu
    const char* Caption;
    const char* Parent; // objectName of the parent menu; empty for the menu bar
};

struct TMainCommand {
    const char* Name;     // objectName of the QAction (language files use it)
    const char* Caption;  // menu caption
    const char* Shortcut; // portable key text, empty for none
    const char* Menu;     // objectName of its menu
    bool SeparatorBefore; // in its menu
};

struct TToolButtonSpec {
    const char* Name;    // objectName of the tool button
    const char* Caption; // text under its picture
    const char* Command; // the command it runs
    bool SeparatorBefore;
};

const std::vector<TMainMenu>& MainMenus();
const std::vector<TMainCommand>& MainCommands();
// The track list's context menu, in order.
const std::vector<const char*>& MainContextCommands();
const std::vector<TToolButtonSpec>& MainToolButtons();
