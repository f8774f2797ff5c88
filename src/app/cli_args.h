#pragma once
// Parsing of the command line of the text front end.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class TCliCommand {
    None,
    Help,
    Drives,
    Toc,
    Lookup,
    Extract,
    Convert,
    Resample,
    Offset,
    Verify,
};

// The output sample rates resample accepts.
inline constexpr int kMinRate = 1000;
inline constexpr int kMaxRate = 384000;

struct TCliRequest {
    TCliCommand Command = TCliCommand::None;
    bool Help = false;        // --help after a command
    int Drive = 0;            // --drive N (1-based); 0: not given
    QStringList Images;       // --cd-image FILE (every one becomes a drive)
    QString Image;            // the last --cd-image: the drive to read
    QString Tracks;           // --tracks, unparsed
    QString Format;           // --format / --to: mp3, wav, ogg, wma, flac or opus
    QString NameTemplate;     // extract --name-template; empty: not given
    QString Output;           // --output DIR
    bool Cddb = false;        // --cddb (the same as --metadata cddb)
    QString Metadata;         // --metadata auto|musicbrainz|cdtext|cddb|stored; empty: not given
    int Release = 0;          // --release N (1-based); 0: not given
    bool Overwrite = false;   // --overwrite
    bool NoOverwrite = false; // --no-overwrite
    QStringList Files;        // convert, resample: the input files
    int Rate = 0;             // resample --rate HZ
    int Channels = 0;         // resample --channels 1|2; 0: the input's
    int Bits = 0;             // resample --bits 8|16; 0: the input's
    bool Adpcm = false;       // resample --adpcm
    bool Find = false;        // offset --find
    bool Verify = false;      // extract --verify
    std::optional<int> ReadOffset; // verify, extract --offset N
    QString ReadMode;              // verify --read-mode burst|secure|auto; empty: not given
};

// Parses args (without the program name). On failure returns nullopt and
// sets error to a one-line reason.
std::optional<TCliRequest> ParseCliArguments(const QStringList& args, QString& error);

// "1,3-5" -> {1, 3, 4, 5}, each within 1..count, in the order given without
// repeats; nullopt (and error) for anything else.
std::optional<std::vector<int>> ParseTrackList(const QString& text, int count, QString& error);

// The help text of a command (TCliCommand::None and Help: the overview).
QString CliHelpText(TCliCommand command);

// The output format index (ofMP3...) of a format word; -1 when unknown.
int CliFormatIndex(const QString& word);
