#pragma once
// Every command of the main window in the order its menus show them. A command
// appears only once a handler is attached (TMainForm::setCommand), so windows
// that do not exist yet never show dead entries; adding one later is one call.

#include <vector>

// The main window's commands, in menu order; each has one entry in MainCommands().
enum class TCommand {
    WavToMp3,
    Mp3ToWav,
    WavToOgg,
    WavToWma,
    WavToFlac,
    WavToOpus,
    WavToWav,
    OpenOutputFolder,
    Refresh,
    Eject,
    CloseTray,
    Exit,
    Extract,
    Record,
    OggPlayer,
    Play,
    Pause,
    Stop,
    VolumeControl,
    ClearRealPlayer,
    ClearMediaPlayer,
    SelectAll,
    SelectNone,
    QueryCddb,
    LookUpTitles,
    EditTrackName,
    Id3Edit,
    Options,
    English,
    OtherLanguage,
    Help,
    HomePage,
    About,
};
inline constexpr int kCommandCount = int(TCommand::About) + 1;

struct TMainMenu {
    const char* Name; // objectName of the QMenu
    const char* Caption;
    const char* Parent; // objectName of the parent menu; empty for the menu bar
};

struct TMainCommand {
    TCommand Id;
    const char* Name;     // objectName of the QAction (language files use it)
    const char* Caption;  // menu caption
    const char* Shortcut; // portable key text, empty for none
    const char* Menu;     // objectName of its menu
    bool SeparatorBefore; // in its menu
};

struct TToolButtonSpec {
    const char* Name;    // objectName of the tool button
    const char* Caption; // text under its picture
    TCommand Command;    // the command it runs
    bool SeparatorBefore;
};

const std::vector<TMainMenu>& MainMenus();
const std::vector<TMainCommand>& MainCommands();
// The track list's context menu, in order.
const std::vector<TCommand>& MainContextCommands();
const std::vector<TToolButtonSpec>& MainToolButtons();
