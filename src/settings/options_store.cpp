#include "options_store.h"

#include "global.h"
#include "ini_file.h"
#include "options_setting.h"

#include <limits>
#include <variant>
#include <vector>

namespace {

struct TextOption {
    QString& (*field)(TOptionsSetting&);
    QString (*defaultValue)();
};

struct IntegerOption {
    qint32& (*field)(TOptionsSetting&);
    qint32 defaultValue;
    // Range a read value is clamped into.
    qint32 minimum = std::numeric_limits<qint32>::min();
    qint32 maximum = std::numeric_limits<qint32>::max();
};

struct BoolOption {
    bool& (*field)(TOptionsSetting&);
    bool defaultValue;
};

struct OptionKey {
    const char* section;
    const char* key;
    std::variant<TextOption, IntegerOption, BoolOption> option;
};

// Every key of options.ini, in file order. Loading and saving both walk this
// table, so a setting cannot be read under one name and written under another.
const std::vector<OptionKey>& optionTable()
{
    using S = TOptionsSetting;
    static const std::vector<OptionKey> table = {
        {"CommonOptions", "OutputFolder",
         TextOption{[](S& s) -> QString& { return s.CommonOptions.OutputFolder; },
                    [] { return ProgramFolder() + QStringLiteral("Output"); }}},
        {"CommonOptions", "OutputFormat",
         IntegerOption{[](S& s) -> qint32& { return s.CommonOptions.OutputFormat; }, 0}},
        {"CommonOptions", "IsKeepWav",
         BoolOption{[](S& s) -> bool& { return s.CommonOptions.IsKeepWav; }, false}},
        {"CommonOptions", "IsNormalize",
         BoolOption{[](S& s) -> bool& { return s.CommonOptions.IsNormalize; }, false}},
        {"CommonOptions", "NormalizePercent",
         IntegerOption{[](S& s) -> qint32& { return s.CommonOptions.NormalizePercent; }, 95}},
        {"CommonOptions", "EnableRipTime",
         BoolOption{[](S& s) -> bool& { return s.CommonOptions.EnableRipTime; }, false}},
        {"CommonOptions", "RipTime",
         IntegerOption{[](S& s) -> qint32& { return s.CommonOptions.RipTime; }, 0}},
        {"CommonOptions", "NameTemplate",
         TextOption{[](S& s) -> QString& { return s.CommonOptions.NameTemplate; },
                    [] { return QStringLiteral("%title%"); }}},

        {"Mp3Options", "IsSelectVBR",
         BoolOption{[](S& s) -> bool& { return s.IsSelectVBR; }, false}},
        {"Mp3Options", "IsVBRHead", BoolOption{[](S& s) -> bool& { return s.IsVBRHead; }, false}},
        {"Mp3Options", "BitRate", IntegerOption{[](S& s) -> qint32& { return s.BitRate; }, 128}},
        {"Mp3Options", "MaxBitRate",
         IntegerOption{[](S& s) -> qint32& { return s.MaxBitRate; }, 320}},
        {"Mp3Options", "MpegQuality",
         IntegerOption{[](S& s) -> qint32& { return s.MpegQuality; }, 0}},
        {"Mp3Options", "VBRQuality",
         IntegerOption{[](S& s) -> qint32& { return s.VBRQuality; }, 4}},
        {"Mp3Options", "StereoMode",
         IntegerOption{[](S& s) -> qint32& { return s.StereoMode; }, 1}},

        {"OggOptions", "IsUseCompress",
         BoolOption{[](S& s) -> bool& { return s.IsUseCompress; }, true}},
        {"OggOptions", "CompressPosition",
         IntegerOption{[](S& s) -> qint32& { return s.CompressPosition; }, 30, 30, 100}},
        {"OggOptions", "MaxBitRate",
         IntegerOption{[](S& s) -> qint32& { return s.OggMaxBitRate; }, 0}},
        // "Nomal" is the key's spelling in every existing options.ini.
        {"OggOptions", "NomalBitRate",
         IntegerOption{[](S& s) -> qint32& { return s.OggNomalBitRate; }, 0}},
        {"OggOptions", "MinBitRate",
         IntegerOption{[](S& s) -> qint32& { return s.OggMinBitRate; }, 0}},

        {"WMAOptions", "BitRate", IntegerOption{[](S& s) -> qint32& { return s.WMABitRate; }, 8}},
        {"FlacOptions", "Level",
         IntegerOption{[](S& s) -> qint32& { return s.FlacLevel; }, 5, 0, 8}},
        {"OpusOptions", "BitRate",
         IntegerOption{[](S& s) -> qint32& { return s.OpusBitRate; }, 160, 6, 510}},
        {"ReplayGain", "Enabled", BoolOption{[](S& s) -> bool& { return s.ReplayGain; }, true}},
        {"CDOptions", "Index", IntegerOption{[](S& s) -> qint32& { return s.CDIndex; }, -1}},
        {"CDOptions", "CDDb", BoolOption{[](S& s) -> bool& { return s.CDDb; }, false}},
        {"RecordOptions", "SaveMp3", BoolOption{[](S& s) -> bool& { return s.SaveMp3; }, false}},

        {"Job", "Encoders",
         IntegerOption{[](S& s) -> qint32& { return s.Encoders; }, 0, 0, kMaxEncoders}},

        {"Verify", "ReadMode",
         TextOption{[](S& s) -> QString& { return s.Verify.ReadMode; },
                    [] { return TVerifyOptions{}.ReadMode; }}},
        {"Verify", "ReadOffset",
         IntegerOption{[](S& s) -> qint32& { return s.Verify.ReadOffset; }, 0, -kMaxReadOffset,
                       kMaxReadOffset}},
        {"Verify", "AccurateRip",
         BoolOption{[](S& s) -> bool& { return s.Verify.AccurateRip; }, true}},
        {"Verify", "CTDB", BoolOption{[](S& s) -> bool& { return s.Verify.CTDB; }, true}},
        {"Verify", "AccurateRipServer",
         TextOption{[](S& s) -> QString& { return s.Verify.AccurateRipServer; },
                    [] { return TVerifyOptions{}.AccurateRipServer; }}},
        {"Verify", "CTDBServer",
         TextOption{[](S& s) -> QString& { return s.Verify.CTDBServer; },
                    [] { return TVerifyOptions{}.CTDBServer; }}},
        {"Verify", "RipHiddenTrack",
         BoolOption{[](S& s) -> bool& { return s.Verify.RipHiddenTrack; }, false}},
        {"Verify", "CueSheet", BoolOption{[](S& s) -> bool& { return s.Verify.CueSheet; }, false}},

        {"QueryCDDB", "Server",
         TextOption{[](S& s) -> QString& { return s.QueryCDDB.Server; },
                    [] { return QStringLiteral("gnudb.gnudb.org"); }}},
        {"QueryCDDB", "Script",
         TextOption{[](S& s) -> QString& { return s.QueryCDDB.Script; },
                    [] { return QStringLiteral("/~cddb/cddb.cgi"); }}},
        {"QueryCDDB", "UseProxy",
         BoolOption{[](S& s) -> bool& { return s.QueryCDDB.UseProxy; }, false}},
        {"QueryCDDB", "ProxyAddress",
         TextOption{[](S& s) -> QString& { return s.QueryCDDB.ProxyAddress; },
                    [] { return QString(); }}},
        {"QueryCDDB", "Port",
         TextOption{[](S& s) -> QString& { return s.QueryCDDB.Port; },
                    [] { return QStringLiteral("80"); }}},

        {"QueryCDDB", "Email",
         TextOption{[](S& s) -> QString& { return s.QueryCDDB.Email; }, [] { return QString(); }}},
        {"QueryCDDB", "Client",
         TextOption{[](S& s) -> QString& { return s.QueryCDDB.Client; }, [] { return QString(); }}},

        {"MusicBrainz", "Server",
         TextOption{[](S& s) -> QString& { return s.MusicBrainz.Server; },
                    [] { return TMusicBrainzOptions{}.Server; }}},
        {"MusicBrainz", "CoverArtServer",
         TextOption{[](S& s) -> QString& { return s.MusicBrainz.CoverArtServer; },
                    [] { return TMusicBrainzOptions{}.CoverArtServer; }}},
        {"MusicBrainz", "SaveCover",
         BoolOption{[](S& s) -> bool& { return s.MusicBrainz.SaveCover; }, true}},
        {"MusicBrainz", "Contact",
         TextOption{[](S& s) -> QString& { return s.MusicBrainz.Contact; },
                    [] { return QString(); }}},
        {"Lookup", "Auto", BoolOption{[](S& s) -> bool& { return s.Lookup.Auto; }, true}},
        {"Lookup", "Sources",
         TextOption{[](S& s) -> QString& { return s.Lookup.Sources; },
                    [] { return TLookupOptions{}.Sources; }}},

        {"ID3", "Use", BoolOption{[](S& s) -> bool& { return s.UseID3; }, false}},
        {"Options", "Lan",
         TextOption{[](S& s) -> QString& { return s.Lan; },
                    [] { return QStringLiteral("English"); }}},
    };
    return table;
}

void loadKey(const TIniFile& ini, const OptionKey& entry, TOptionsSetting& options)
{
    const QString section = QLatin1String(entry.section);
    const QString key = QLatin1String(entry.key);
    if (const auto* text = std::get_if<TextOption>(&entry.option)) {
        text->field(options) = ini.readString(section, key, text->defaultValue());
    } else if (const auto* integer = std::get_if<IntegerOption>(&entry.option)) {
        const qint32 value = ini.readInteger(section, key, integer->defaultValue);
        integer->field(options) = qBound(integer->minimum, value, integer->maximum);
    } else if (const auto* boolean = std::get_if<BoolOption>(&entry.option)) {
        boolean->field(options) = ini.readBool(section, key, boolean->defaultValue);
    }
}

void saveKey(TIniFile& ini, const OptionKey& entry, TOptionsSetting& options)
{
    const QString section = QLatin1String(entry.section);
    const QString key = QLatin1String(entry.key);
    if (const auto* text = std::get_if<TextOption>(&entry.option))
        ini.writeString(section, key, text->field(options));
    else if (const auto* integer = std::get_if<IntegerOption>(&entry.option))
        ini.writeInteger(section, key, integer->field(options));
    else if (const auto* boolean = std::get_if<BoolOption>(&entry.option))
        ini.writeBool(section, key, boolean->field(options));
}

} // namespace

QString OptionsFilePath()
{
    return ProgramFolder() + QStringLiteral("options.ini");
}

void LoadSaveOptions(bool load)
{
    TIniFile ini(OptionsFilePath());
    for (const OptionKey& entry : optionTable()) {
        if (load)
            loadKey(ini, entry, OptionsSetting);
        else
            saveKey(ini, entry, OptionsSetting);
    }
    if (!load)
        ini.updateFile();
}
