#pragma once
// The options dialog's controls as plain values, and everything the dialog
// does with them that needs no widget: the fixed list items, the bit-rate
// texts, the checks made on OK and the store into the settings record.
// The dialog only moves values between its widgets and this record.

#include "settings/options_setting.h"

#include <QString>
#include <QStringList>

#include <optional>

struct TOptionsFormValues {
    // Page "Output"
    QString OutputDir;
    int OutputFormat = 0;   // item index, -1 when the typed text is no item
    bool DeleteWav = false; // checked = not IsKeepWav
    bool Normalize = false;
    int NormalizePercent = 0;
    bool EnableRipTime = false;
    QString RipTimeText;
    bool ReplayGain = false;
    QString NameTemplate;

    // Page "LAME"
    bool SelectVBR = false;
    bool VBRHead = false;
    QString BitRateText;
    QString MaxBitRateText;
    int MpegQuality = 0;
    int VBRQuality = 0;
    int StereoMode = 0;

    // Page "OGG"
    bool UseCompress = false;
    int CompressPosition = 30;
    int OggMaxBit = 0;
    int OggNomBit = 0;
    int OggMinBit = 0;

    // Page "WMA"
    int WMABitrate = 0;

    // Pages "FLAC" and "Opus"
    int FlacLevel = 5;
    int OpusBitRate = 160; // kbit/s

    // Page "CD-ROM"
    int CDIndex = -1; // -1 while the drive list is empty
    bool CDDb = false;

    // Page "Lookup"
    bool AutoLookup = true;
    QString LookupSources;
    QString MusicBrainzServer;
    QString CoverArtServer;
    bool SaveCover = true;
    QString Contact;
    QString CddbEmail;
    QString CddbClient;
    // Page "Verify"
    int ReadMode = 0; // item index of ReadModeItems()
    int ReadOffset = 0;
    bool RipHiddenTrack = false;
    bool CueSheet = false;
    bool AccurateRip = true;
    QString AccurateRipServer;
    bool CTDB = true;
    QString CTDBServer;

    // Page "ID3 Tag": the disc record
    bool UseID3 = false;
    QString Artist;
    QString Album;
    QString Year;
    int Genre = -1;
    QString Comment;
};

// Fixed items of the dialog's lists, in list order.
const QStringList& OutputFormatItems();
const QStringList& LameBitRateItems(); // " 32 kbit/s" .. "320 kbit/s"
const QStringList& VBRQualityItems();  // "0" .. "9"
const QStringList& MpegQualityItems();
const QStringList& StereoModeItems();
const QStringList& OggBitRateItems(); // " Default", " 45 kbit/s" .. "320 kbit/s"
const QStringList& WMABitRateItems(); // the 33 WMA profiles, columns aligned
const QStringList& ReadModeItems();   // auto, burst, secure

// Item positions the "&Default" buttons select.
constexpr int kDefaultBitRateItem = 8;     // "128 kbit/s"
constexpr int kDefaultMaxBitRateItem = 13; // "320 kbit/s"
constexpr int kDefaultVBRQualityItem = 4;
constexpr int kDefaultMpegQualityItem = 0;
constexpr int kDefaultStereoModeItem = 1; // "Joint Stereo"
constexpr int kDefaultWMABitRateItem = 8; // "44.100 kHz,  64 kbit/s, Stereo"

// "64 kbit/s" for 64: the number without the lists' leading blank.
QString BitRateText(int kbits);
// The first three characters of a bit-rate text, trimmed, as a decimal
// integer; nullopt when they are not one.
std::optional<int> ParseBitRateText(const QString& text);
// The extraction length in seconds; nullopt when the text is not a decimal
// integer. -100 is refused as well: it is the marker the stored settings have
// always used for "no valid length".
std::optional<int> ParseRipTimeText(const QString& text);

// The controls as loaded from the settings when the dialog is shown. The
// drive list is empty until its page is shown, so CDIndex is -1 here.
TOptionsFormValues OptionsFormValuesFrom(const TOptionsSetting& settings);

enum class OptionsFormProblem {
    None,
    OutputDirMissing, // the output folder text is not an existing folder
    RipTimeInvalid,
    BitRateInvalid,
    MaxBitRateInvalid,
    AccurateRipServerInvalid, // switched on, and not an http:// or https:// address
    CTDBServerInvalid,
};

// The checks of OK, in the order they are made; the first that fails.
OptionsFormProblem CheckOptionsFormValues(const TOptionsFormValues& values);

// Stores every value into the settings in the dialog's order. Returns the
// problem instead, and changes nothing, when a check fails.
OptionsFormProblem StoreOptionsFormValues(const TOptionsFormValues& values,
                                          TOptionsSetting& settings);

// True for an address a database can be asked at: http:// or https:// and a host.
bool IsDatabaseServerAddress(const QString& text);

// The file a track of the disc record would get under the name template
// (with the extension of the output format): the options dialog's example.
QString NameTemplateExample(const QString& nameTemplate, int outputFormat, const TCDInfo& disc);

// Whether the main window must reopen the drive after OK: the drive list was
// filled, a drive is chosen, and either the chosen drive or the CDDB choice
// changed.
bool DriveMustReopen(int driveCount, int selectedIndex, int shownCDIndex, bool cdDb,
                     bool shownCDDb);
