#pragma once
// The settings record: every setting of the program in one plain value, with
// exactly one instance for the process (OptionsSetting). Filled from options.ini
// at start by LoadSaveOptions(true), written back once when the main window
// closes. Read directly by every window and worker; changed only on the UI
// thread (the windows that change it are modal while workers run).

#include <QByteArray>
#include <QString>

#include <array>

struct TCommonOptions {
    QString OutputFolder;
    qint32 OutputFormat = 0; // 0 MP3, 1 WAV, 2 OGG, 3 WMA, 4 FLAC, 5 Opus
    bool IsKeepWav = false;
    bool IsNormalize = false;
    qint32 NormalizePercent = 95;
    bool EnableRipTime = false;
    qint32 RipTime = 0;
    // Where each track's file goes under OutputFolder: "%title%", or e.g.
    // "%artist%/%album%/%track% %title%" (see tags/name_template.h).
    QString NameTemplate = QStringLiteral("%title%");
};

// Output formats, in the order of the options dialog's list.
enum TOutputFormat : qint32 { ofMP3 = 0, ofWAV = 1, ofOGG = 2, ofWMA = 3, ofFLAC = 4, ofOpus = 5 };

// What is known of one track besides its title.
struct TTrackDetails {
    QString Artist; // the track's own artist; empty: the album's
    QString Isrc;
    QString RecordingId;    // MusicBrainz recording
    QString ReleaseTrackId; // MusicBrainz track of the release
    bool operator==(const TTrackDetails&) const = default;
};

// The disc record: titles of the disc in the drive. Tracks[1..100] are used;
// Tracks[0] is unused so that track n is Tracks[n] (and its details Details[n]).
struct TCDInfo {
    QString Artist; // the album's artist
    QString Album;
    QString Year;
    qint32 Genre = 0; // 0 blank, 1..148 genre names, -1 nothing chosen
    QString Comment;
    qint32 TrackNumber = 0;
    std::array<QString, 101> Tracks;

    // Where the titles came from ("musicbrainz", "cdtext", "cddb"); empty when
    // typed or unknown.
    QString Source;
    QString Date;          // the full release date when known ("1994-05-02")
    qint32 DiscNumber = 0; // 0: unknown
    qint32 DiscTotal = 0;
    QString MusicBrainzDiscId;
    QString MusicBrainzReleaseId;
    QString MusicBrainzReleaseGroupId;
    QString MusicBrainzAlbumArtistId;
    std::array<TTrackDetails, 101> Details;
    // The release's front cover, kept for the session only (never stored).
    QByteArray FrontCover;
};

struct TQueryCDDB {
    QString Server;
    QString Script;
    bool UseProxy = false;
    QString ProxyAddress;
    QString Port;
    // The greeting's user: an e-mail address "user@host" (empty: a placeholder)
    // and the program name and version (empty: this program's own).
    QString Email = {};
    QString Client = {};
};

struct TMusicBrainzOptions {
    QString Server = QStringLiteral("https://musicbrainz.org");
    QString CoverArtServer = QStringLiteral("https://coverartarchive.org");
    bool SaveCover = true;
    QString Contact; // named in the User-Agent; empty: the program's home page
};

struct TLookupOptions {
    bool Auto = true; // look a disc without stored titles up when it appears
    // The sources in the order they are asked.
    QString Sources = QStringLiteral("musicbrainz,cdtext,cddb");
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
    bool CueSheet = false;       // a .cue sheet beside the tracks and the log
    bool operator==(const TVerifyOptions&) const = default;
};

// The largest read offset accepted, in samples either way (ten sectors; drives
// are known from about -1200 to +2000).
constexpr qint32 kMaxReadOffset = 5880;

// The most encoders a job runs at once, whatever options.ini says.
constexpr qint32 kMaxEncoders = 64;

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
    qint32 FlacLevel = 5;     // 0 fastest .. 8 smallest
    qint32 OpusBitRate = 160; // kbit/s, VBR
    bool ReplayGain = true;   // measure and tag ReplayGain 2.0
    // Encoders a job runs at once; 0: one per processor core.
    qint32 Encoders = 0;
    TVerifyOptions Verify;
    qint32 CDIndex = -1;
    bool CDDb = false;
    bool SaveMp3 = false;
    TCDInfo CDInfo;
    TQueryCDDB QueryCDDB;
    TMusicBrainzOptions MusicBrainz;
    TLookupOptions Lookup;
    bool UseID3 = false;
    QString Lan = QStringLiteral("English");
};

// The one settings record of the process.
extern TOptionsSetting OptionsSetting;
