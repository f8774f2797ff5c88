#include "language.h"

#include "global.h"
#include "options_setting.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <memory>
#include <mutex>

namespace {
// A language name is a plain file-name part: it must not reach another folder.
bool isSafeLanguageName(const QString& language)
{
    return !language.isEmpty() && !language.contains(QLatin1Char('/')) &&
           !language.contains(QLatin1Char('\\')) && language != QLatin1String(".") &&
           language != QLatin1String("..") && !language.contains(QChar(0));
}
} // namespace

const std::vector<TResString>& ResourceStrings()
{
    static const std::vector<TResString> table = {
        {"RES_Ask_RemoveTag", "Do you want to remove these tags?"},
        {"RES_Check_CDRom", "Can not find audio CD in your CD device."},
        {"RES_Check_FileName", "Please check the filename correct or not"},
        {"RES_Check_Mp3Options", "Create MP3 file error!\r\nPlease check the output and lame "
                                 "options or run application again."},
        {"RES_Check_Output", "Please check the output directory setting."},
        {"RES_Clear_History", " list records are deleted!"},
        {"RES_Close_CD_Error", "Error while closing CD handle!"},
        {"RES_Config_Error", "CD device information error in your configration!"},
        {"RES_CreateFileError", "WAV file will be created maybe is been using,extract failed!"},
        {"RES_CreateProcess_Error", "Error while creating mp3 encoding process!"},
        {"RES_CreateWavFileError",
         " is not a valid file name.Please rename the Title in the CD tracks list."},
        {"RES_Create_Directory", "creates a new directory?"},
        {"RES_Decoding", "Decoding"},
        {"RES_Delete_Fail", "Error when deleting file, please check if the file is being uesd."},
        {"RES_Directory_Not_Exist", "The output directory does not exist."},
        {"RES_Discard_Modify", "Discard the modification since last save file."},
        {"RES_Encoding", "Encoding"},
        {"RES_Extracting", "Extracting"},
        {"RES_File_Cannot_Create", " maybe be used!"},
        {"RES_File_Exist", " has existed,overite it?"},
        {"RES_Get_CDHandle", "Please access CD devices rightly above all!"},
        {"RES_Have_Modify", " has been modified,Save it?"},
        {"RES_ID3Edit_Caption", "ID3 Tag Edit"},
        {"RES_Initing", "Initializing..."},
        {"RES_MCI_Init_Fail", "Error while initializing MCI device!"},
        {"RES_MP3_TO_WAV", "Decoding MP3 to WAV"},
        {"RES_ModifyCDParmsError", "CD extract failed!Please try again."},
        {"RES_NoNameStr", "NoName"},
        {"RES_NoWmaEncoder", "The WMA encoder (quillon-wmaenc) can not be found. Please reinstall "
                             "Quillon or write to support@quillon.example.org for help."},
        {"RES_NotFound_CDRom", "No CD devices found!"},
        {"RES_NotRead_Cd", "Not get CD device information!"},
        {"RES_Operate_Fail", "maybe be used,operate fail!"},
        {"RES_Play", "Play "},
        {"RES_ReadCDAudioError", "Error while reading CD information!"},
        {"RES_ReadTocError", "Error while reading TOC information!"},
        {"RES_RealOne_Window_Exist", "Please close RealOne Player firstly.Continue?"},
        {"RES_RecordingStr", "Recording..."},
        {"RES_Rip_Time_Error", "Please check the song length to extract."},
        {"RES_SaveTag_Error", "Could not save Tag!"},
        {"RES_Save_Error", "Error while saving sound file!"},
        {"RES_Save_Fail", "Error when saving WAV file,please check if the file is being uesd."},
        {"RES_Select_0", "You select to extract 0 second, please change it on Options dialog."},
        {"RES_Select_Directory", "Please select the directory to save mp3 and wav file"},
        {"RES_Select_Track", "Please select a track at least!"},
        {"RES_TitleStr", "Record"},
        {"RES_WAV_RESAMPLE", "Resampling WAV"},
        {"RES_WAV_TO_MP3", "Encoding WAV to MP3"},
        {"RES_WAV_TO_OGG", "Encoding WAV to OGG"},
        {"RES_WAV_TO_WMA", "Encoding WAV to WMA"},
        {"RES_Wav_File", "The save file should be WAV!"},
    };
    return table;
}

QString EnglishResString(const QString& key)
{
    for (const auto& entry : ResourceStrings()) {
        if (key == QLatin1String(entry.Key))
            return QString::fromUtf8(entry.English);
    }
    return {};
}

bool IsEnglishLanguage(const QString& language)
{
    return language.compare(QLatin1String("English"), Qt::CaseInsensitive) == 0;
}

QString LanguageFileName(const QString& language)
{
    return QStringLiteral("CLan_") + language + QStringLiteral(".ini");
}

namespace {
QStringList dataFolders(const QString& installedSub, const QString& sourceSub)
{
    QStringList folders{ProgramFolder()};
    folders << AddBackslash(
        QDir::cleanPath(ExecutableFolder() + QStringLiteral("../share/quillon/") + installedSub));
#ifdef QUILLON_SOURCE_DIR
    folders << AddBackslash(QStringLiteral(QUILLON_SOURCE_DIR "/") + sourceSub);
#else
    Q_UNUSED(sourceSub);
#endif
    folders.removeDuplicates();
    return folders;
}
} // namespace

QStringList LanguageFolders()
{
    return dataFolders(QStringLiteral("lang"), QStringLiteral("lang"));
}

QString FindDataFile(const QString& installedSub, const QString& sourceSub, const QString& name)
{
    for (const QString& folder : dataFolders(installedSub, sourceSub)) {
        const QFileInfo info(folder + name);
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return {};
}

QString FindLanguageFile(const QString& language)
{
    if (!isSafeLanguageName(language))
        return {};
    return FindDataFile(QStringLiteral("lang"), QStringLiteral("lang"), LanguageFileName(language));
}

QString ExpectedLanguageFilePath(const QString& language)
{
    return ProgramFolder() + LanguageFileName(language);
}

TLanguageFile::TLanguageFile(const QString& path)
{
    if (!path.isEmpty() && QFileInfo(path).isFile())
        m_ini = std::make_unique<TIniFile>(path);
}

QString TLanguageFile::value(const QString& section, const QString& key,
                             const QString& fallback) const
{
    return m_ini ? m_ini->readString(section, key, fallback) : fallback;
}

namespace {

// The language file of the messages, read once per language (and again only
// when the file itself changes): every progress report looks texts up.
std::shared_ptr<const TLanguageFile> messageFile(const QString& language)
{
    struct Cache {
        std::mutex lock;
        QString language;
        QString path;
        QDateTime modified;
        qint64 size = -1;
        std::shared_ptr<const TLanguageFile> file;
    };
    static Cache cache;
    const QString path = FindLanguageFile(language);
    const QFileInfo info(path);
    const QDateTime modified = path.isEmpty() ? QDateTime() : info.lastModified();
    const qint64 size = path.isEmpty() ? -1 : info.size();
    std::lock_guard guard(cache.lock);
    if (!cache.file || cache.language != language || cache.path != path ||
        cache.modified != modified || cache.size != size) {
        cache.file = std::make_shared<const TLanguageFile>(path);
        cache.language = language;
        cache.path = path;
        cache.modified = modified;
        cache.size = size;
    }
    return cache.file;
}

} // namespace

QString GetResString(const QString& key, const QString& englishDefault)
{
    const QString& language = OptionsSetting.Lan;
    if (IsEnglishLanguage(language))
        return englishDefault;
    return messageFile(language)->value(QStringLiteral("ResourceString"), key, englishDefault);
}

QString GetResString(const QString& key)
{
    return GetResString(key, EnglishResString(key));
}

QString ItemKey(const QString& control, int index)
{
    return control + QStringLiteral("_Item") + QString::number(index);
}

QString PanelKey(const QString& control, int index)
{
    return control + QStringLiteral("_Panel") + QString::number(index);
}

QString ColumnKey(const QString& control, int index)
{
    return control + QStringLiteral("_Column") + QString::number(index);
}

QString PageKey(const QString& control, int index)
{
    return control + QStringLiteral("_Page") + QString::number(index);
}

QString TextKey(const QString& control)
{
    return control + QStringLiteral("_Text");
}

QString MenuSection(const QString& window)
{
    return QStringLiteral("Menu_") + window;
}
