// Feeds arbitrary bytes to the INI layer as each file the program reads:
// options.ini (load, then save), cdinfo.dat (a disc's section, loaded and
// saved), a language file, and the in-memory store, where a value written
// must read back. Any crash, sanitizer report or hang is a bug.

#include "fuzz_support.h"
#include "settings/disc_info.h"
#include "settings/ini_file.h"
#include "settings/language.h"
#include "settings/options_setting.h"
#include "settings/options_store.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace {

QTemporaryDir* home = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    home = new QTemporaryDir;
    qputenv("QUILLON_HOME", home->path().toUtf8());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        switch (data[0] % 4) {
        case 0:
            fuzz::writeFile(OptionsFilePath(), bytes);
            LoadSaveOptions(true);
            LoadSaveOptions(false);
            break;
        case 1: {
            fuzz::writeFile(DiscInfoFilePath(), bytes);
            const QString key = QStringLiteral("12345");
            LoadSaveDiscInfo(key, true);
            HasStoredTitles(OptionsSetting.CDInfo);
            LoadSaveDiscInfo(key, false);
            break;
        }
        case 2: {
            const QString path = home->filePath(QStringLiteral("CLan_Fuzz.ini"));
            fuzz::writeFile(path, bytes);
            const TLanguageFile language(path);
            for (const char* key : {"MainForm", "tbExit", "RES_Play", "PageControl1_Page0"})
                language.value(QStringLiteral("MainForm"), QString::fromLatin1(key), {});
            break;
        }
        default: {
            TIniFile ini(QString{});
            ini.setData(bytes);
            const QStringList sections{QStringLiteral("Options"), QStringLiteral("MainForm")};
            for (const QString& section : sections) {
                for (const QString& key : ini.keys(section)) {
                    ini.readString(section, key, {});
                    ini.readInteger(section, key, 0);
                    ini.readBool(section, key, false);
                }
            }
            ini.writeString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QStringLiteral("v 1"));
            ini.writeInteger(QStringLiteral("Options"), QStringLiteral("Number"), -7);
            TIniFile again(QString{});
            again.setData(ini.data());
            fuzz::check(again.readString(QStringLiteral("Fuzz"), QStringLiteral("Key"), {}) ==
                        QStringLiteral("v 1"));
            fuzz::check(again.readInteger(QStringLiteral("Options"), QStringLiteral("Number"), 0) ==
                        -7);
            break;
        }
        }
    } catch (const std::runtime_error&) {
        // a save that cannot be written is reported, not a fault
    }
    return 0;
}
