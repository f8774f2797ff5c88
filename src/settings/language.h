#pragma once
// Language files: "CLan_" + language + ".ini" hold the texts of every window
// (section = window name, key = control name, see TranslateForm in
// ui/common/translate_form.h) and of every message (section "ResourceString").
// English is built in: with Lan "English" (any case) no file is ever read, and a
// missing file or key always falls back to the built-in English text.
//
// Threads: UI thread only. The files are only read, never written.

#include "ini_file.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// One message: its key and the English text built into the program.
struct TResString {
    const char* Key;
    const char* English;
};

// The 50 message keys with their English defaults, sorted by key.
const std::vector<TResString>& ResourceStrings();

// The built-in English text of a message key; empty for an unknown key.
QString EnglishResString(const QString& key);

// True for "English" in any case.
bool IsEnglishLanguage(const QString& language);

// "CLan_" + language + ".ini".
QString LanguageFileName(const QString& language);

// The folders searched for language files, in order: the program folder, the
// installed data folder (<exe>/../share/quillon/lang) and, for a build tree,
// the source tree's lang/ folder. Each ends with a separator.
QStringList LanguageFolders();

// The first of program folder, <exe>/../share/quillon/<installedSub> and (for
// a build tree) <source tree>/<sourceSub> that holds name; empty when none.
QString FindDataFile(const QString& installedSub, const QString& sourceSub, const QString& name);

// Path of the language file to use: the first folder holding it; empty when
// none does or when the language name could leave the folder ("../x", "a/b").
QString FindLanguageFile(const QString& language);

// Where a language file is expected (program folder), for messages about a
// missing file.
QString ExpectedLanguageFilePath(const QString& language);

// A language file read once through the INI layer (case-insensitive names,
// first duplicate wins, quotes stripped). A missing file behaves as an empty one.
class TLanguageFile {
public:
    TLanguageFile() = default;
    explicit TLanguageFile(const QString& path);

    bool isLoaded() const { return m_ini != nullptr; }
    // The value of key in section, or fallback when either is missing. Values
    // are cut to 2047 characters like every INI value of the program.
    QString value(const QString& section, const QString& key, const QString& fallback) const;

private:
    std::unique_ptr<TIniFile> m_ini; // null when the file is missing
};

// The text of a message: the English default when OptionsSetting.Lan is
// English, else the key's value in section "ResourceString" of the language
// file, or the English default when the file or the key is missing.
QString GetResString(const QString& key, const QString& englishDefault);
// The same with the built-in English default of key.
QString GetResString(const QString& key);

// Key builders shared by TranslateForm and tests.
QString ItemKey(const QString& control, int index);   // name_Item<i>
QString PanelKey(const QString& control, int index);  // name_Panel<i>
QString ColumnKey(const QString& control, int index); // name_Column<i>
QString PageKey(const QString& control, int index);   // name_Page<i>
QString TextKey(const QString& control);              // name_Text
QString MenuSection(const QString& window);           // Menu_<window>
