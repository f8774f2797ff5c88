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
        {TCommand::WavToMp3, "ActionWavToMp3", "&WAV to MP3...", "Ctrl+W", "File1", false},
        {TCommand::Mp3ToWav, "mnuMp3ToWav", "&MP3 to WAV...", "", "File1", false},
        {TCommand::WavToOgg, "miWAVtoOGG", "WAV to O&GG...", "", "File1", false},
        {TCommand::WavToWma, "miWAVtoWMA", "WAV to WM&A...", "", "File1", false},
        {TCommand::WavToFlac, "miWAVtoFLAC", "WAV to &FLAC...", "", "File1", false},
        {TCommand::WavToOpus, "miWAVtoOpus", "WAV to O&pus...", "", "File1", false},
        {TCommand::WavToWav, "miWAVtoWAV", "WA&V to WAV...", "", "File1", false},
        {TCommand::OpenOutputFolder, "Openoutputdirectory1", "&Open output directory...", "",
         "File1", true},
        {TCommand::Refresh, "bRefresh", "&Refresh", "", "File1", false},
        {TCommand::Eject, "EjectMenu", "&Eject CD", "Ctrl+E", "File1", true},
        {TCommand::CloseTray, "CloseCdRomMenu", "&Close CD", "Ctrl+L", "File1", false},
        {TCommand::Exit, "ActionExit", "E&xit", "", "File1", true},

        {TCommand::Extract, "ActionExtract", "E&xtract", "Ctrl+X", "Actions1", false},
        {TCommand::Record, "ActionRecord", "&Record...", "Ctrl+R", "Actions1", false},
        {TCommand::OggPlayer, "miOGGPlayer", "&OGG Player...", "", "Actions1", false},
        {TCommand::Play, "aPlay", "&Play", "Ctrl+P", "Actions1", true},
        {TCommand::Pause, "aPause", "P&ause", "", "Actions1", false},
        {TCommand::Stop, "aStop", "&Stop", "", "Actions1", false},
        {TCommand::VolumeControl, "VolumeControlMenu", "&Volume Control...", "Ctrl+V", "Actions1",
         true},
        {TCommand::ClearRealPlayer, "miRealOnePlayer", "&RealPlayer", "", "ClearHistory1", false},
        {TCommand::ClearMediaPlayer, "miWindowsMediaPlayer", "&Windows Media Player", "",
         "ClearHistory1", false},

        {TCommand::SelectAll, "ActionSelectAll", "Select &All", "Ctrl+A", "Edit1", false},
        {TCommand::SelectNone, "ActionNoSelect", "Select &None", "Ctrl+N", "Edit1", false},
        {TCommand::QueryCddb, "aQueryCDDB", "&Query Freedb", "", "Edit1", true},
        {TCommand::LookUpTitles, "aLookupTitles", "&Look up titles", "Ctrl+T", "Edit1", false},
        {TCommand::EditTrackName, "aEditTrackName", "Rename &Title", "F2", "Edit1", false},
        {TCommand::Id3Edit, "aID3Edit", "&ID3 Tag Edit", "", "Edit1", false},
        {TCommand::Options, "ActionOptionSet", "&Options...", "Ctrl+O", "Edit1", true},

        {TCommand::English, "miEnglish", "&English", "", "Language1", false},
        {TCommand::OtherLanguage, "miOther", "Other", "", "Language1", false},

        {TCommand::Help, "mnuHelp", "&Help", "F1", "Help1", false},
        {TCommand::HomePage, "miHomePage", "Home Page", "", "Help1", false},
        {TCommand::About, "mnuAbout", "&About...", "", "Help1", true},
    };
    return commands;
}

const std::vector<TCommand>& MainContextCommands()
{
    static const std::vector<TCommand> commands = {
        TCommand::Extract, TCommand::SelectAll, TCommand::SelectNone,    TCommand::Play,
        TCommand::Pause,   TCommand::Stop,      TCommand::EditTrackName,
    };
    return commands;
}

const std::vector<TToolButtonSpec>& MainToolButtons()
{
    static const std::vector<TToolButtonSpec> buttons = {
        {"tbExtract", "Extract", TCommand::Extract, false},
        {"tbEncode", "Encode", TCommand::WavToMp3, false},
        {"tbFolder", "Folder", TCommand::OpenOutputFolder, true},
        {"tbRecord", "Record", TCommand::Record, true},
        {"tbOptions", "Options", TCommand::Options, true},
        {"tbHome", "Home", TCommand::HomePage, true},
        {"tbExit", "Exit", TCommand::Exit, true},
    };
    return buttons;
}
