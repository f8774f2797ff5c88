#include "main_commands.h"

const std::vector<TMainMenu>& MainMenus()
{
    static const std::vector<TMainMenu> menus = {
        {"File1", "&File", ""},
        {"Actions1", "&Actions", ""},
        {"ClearHistory1", "&Clear History", "Actions1"},
        {"Edit1", "&Edit", ""},
        {"Language1", "Language", ""},
        {"Help1", "&Help", ""},
    };
    return menus;
}

const std::vector<TMainCommand>& MainCommands()
{
    static const std::vector<TMainCommand> commands = {
        {"ActionWavToMp3", "&WAV to MP3...", "Ctrl+W", "File1", false},
        {"mnuMp3ToWav", "&MP3 to WAV...", "", "File1", false},
        {"miWAVtoOGG", "WAV to O&GG...", "", "File1", false},
        {"miWAVtoWMA", "WAV to WM&A...", "", "File1", false},
        {"miWAVtoFLAC", "WAV to &FLAC...", "", "File1", false},
        {"miWAVtoOpus", "WAV to O&pus...", "", "File1", false},
        {"miWAVtoWAV", "WA&V to WAV...", "", "File1", false},
        {"Openoutputdirectory1", "&Open output directory...", "", "File1", true},
        {"bRefresh", "&Refresh", "", "File1", false},
        {"EjectMenu", "&Eject CD", "Ctrl+E", "File1", true},
        {"CloseCdRomMenu", "&Close CD", "Ctrl+L", "File1", false},
        {"ActionExit", "E&xit", "", "File1", true},

        {"ActionExtract", "E&xtract", "Ctrl+X", "Actions1", false},
        {"ActionRecord", "&Record...", "Ctrl+R", "Actions1", false},
        {"miOGGPlayer", "&OGG Player...", "", "Actions1", false},
        {"aPlay", "&Play", "Ctrl+P", "Actions1", true},
        {"aPause", "P&ause", "", "Actions1", false},
        {"aStop", "&Stop", "", "Actions1", false},
        {"VolumeControlMenu", "&Volume Control...", "Ctrl+V", "Actions1", true},
        {"miRealOnePlayer", "&RealPlayer", "", "ClearHistory1", false},
        {"miWindowsMediaPlayer", "&Windows Media Player", "", "ClearHistory1", false},

        {"ActionSelectAll", "Select &All", "Ctrl+A", "Edit1", false},
        {"ActionNoSelect", "Select &None", "Ctrl+N", "Edit1", false},
        {"aQueryCDDB", "&Query Freedb", "", "Edit1", true},
        {"aLookupTitles", "&Look up titles", "Ctrl+T", "Edit1", false},
        {"aEditTrackName", "Rename &Title", "F2", "Edit1", false},
        {"aID3Edit", "&ID3 Tag Edit", "", "Edit1", false},
        {"ActionOptionSet", "&Options...", "Ctrl+O", "Edit1", true},

        {"miEnglish", "&English", "", "Language1", false},
        {"miOther", "Other", "", "Language1", false},

        {"mnuHelp", "&Help", "F1", "Help1", false},
        {"miHomePage", "Home Page", "", "Help1", false},
        {"mnuAbout", "&About...", "", "Help1", true},
    };
    return commands;
}

const std::vector<const char*>& MainContextCommands()
{
    static const std::vector<const char*> names = {
        "ActionExtract", "ActionSelectAll", "ActionNoSelect", "aPlay",
        "aPause",        "aStop",           "aEditTrackName",
    };
    return names;
}

const std::vector<TToolButtonSpec>& MainToolButtons()
{
    static const std::vector<TToolButtonSpec> buttons = {
        {"tbExtract", "Extract", "ActionExtract", false},
        {"tbEncode", "Encode", "ActionWavToMp3", false},
        {"tbFolder", "Folder", "Openoutputdirectory1", true},
        {"tbRecord", "Record", "ActionRecord", true},
        {"tbOptions", "Options", "ActionOptionSet", true},
        {"tbHome", "Home", "miHomePage", true},
        {"tbExit", "Exit", "ActionExit", true},
    };
    return buttons;
}
