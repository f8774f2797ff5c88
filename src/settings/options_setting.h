#pragma once
// The settings record: every setting of the program in one plain value, with
// exactly one instance for the process (OptionsSetting). Filled from options.ini
// at start by LoadSaveOptions(true), written back once when the main window
// closes. Read directly by every window and worker; changed only on the UI
// thread (the windows that change it are modal while workers run).

#include <QString>

#include <array>

struct TCommonOptions {
    QString OutputFolder;
    qint32 OutputFormat = 0; // 0 MP3, 1 WAV, 2 OGG, 3 WMA
    bool IsKeepWav = false;
    bool IsNormalize = false;
    qint32 NormalizePercent = 95;
    bool EnableRipTime = false;
    qint32 RipTime = 0;
};

// Output formats, in the order of the options dialog's list.
enum TOutputFormat : qint32 { ofMP3 = 0, ofWAV = 1, ofOGG = 2, ofWMA = 3 };

// The disc record: titles of the disc in the drive. Tracks[1..100] are used;
// Tracks[0] is unused so that track n is Tracks[n].
struct TCDInfo {
    QString Artist;
    QString Album;
    QString Year;
    qint32 Genre = 0; // 0 blank, 1..148 genre names, -1 nothing chosen
    QString Comment;
    qint32 TrackNumber = 0;
    std::array<QString, 101> Tracks;
};

struct TQueryCDDB {
    QString Server;
    QString Script;
    bool UseProxy = false;
    QString ProxyAddress;
    QString Port;
};

// Verified ripping: how sectors are read and which databases check them.
struct TVerifyOptions {
    QString ReadMode = QStringLiteral("auto"); // "burst", "secure" or "auto"
    qint32 ReadOffset = 0;                     // the drive's read offset in samples
    bool AccurateRip = true;
    bool CTDB = true;
    QString AccurateRipServer = QStringLiteral("http://www.accuraterip.com");
    QString CTDBServer = QStringLiteral("http://db.cuetools.net");
    bool RipHiddenTrack = false; // audio before track 1 ripped as track 0
    bool operator==(const TVerifyOptions&) const = default;
};

// The largest read offset accepted, in samples either way (ten sectors; drives
// are known from about -1200 to +2000).
constexpr qint32 kMaxReadOffset = 5880;

struct TOptionsSetting {
    TCommonOptions CommonOptions;

    // MP3
    bool IsSelectVBR = false;
    bool IsVBRHead = false;
    qint32 BitRate = 128;
    qint32 MaxBitRate = 320;
    qint32 MpegQuality = 0;
    qint32 VBRQuality = 4;
    qint32 StereoMode = 1;

    // Ogg Vorbis
    bool IsUseCompress = true;
    qint32 CompressPosition = 30;
    qint32 OggMaxBitRate = 0;
    qint32 OggNomalBitRate = 0;
    qint32 OggMinBitRate = 0;

    qint32 WMABitRate = 8;
    TVerifyOptions Verify;
    qint32 CDIndex = -1;
    bool CDDb = false;
    bool SaveMp3 = false;
    TCDInfo CDInfo;
    TQueryCDDB QueryCDDB;
    bool UseID3 = false;
    QString Lan = QStringLiteral("English");
};

// The one settings record of the process.
extern TOptionsSetting OptionsSetting;
