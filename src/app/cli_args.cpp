#include "cli_args.h"

#include "settings/options_setting.h"
#include "settings/read_mode.h"
#include "tags/name_template.h"

#include <algorithm>
#include <initializer_list>
#include <set>

namespace {

struct TCommandName {
    const char* name;
    TCliCommand command;
};
constexpr TCommandName kCommands[] = {
    {"drives", TCliCommand::Drives},   {"toc", TCliCommand::Toc},
    {"lookup", TCliCommand::Lookup},   {"extract", TCliCommand::Extract},
    {"convert", TCliCommand::Convert}, {"resample", TCliCommand::Resample},
    {"offset", TCliCommand::Offset},   {"verify", TCliCommand::Verify},
    {"help", TCliCommand::Help},
};

// Which options a command takes (besides --help and --cd-image).
bool takes(TCliCommand c, const QString& option)
{
    if (option == QLatin1String("--drive"))
        return c == TCliCommand::Toc || c == TCliCommand::Lookup || c == TCliCommand::Extract ||
               c == TCliCommand::Offset || c == TCliCommand::Verify;
    if (option == QLatin1String("--find"))
        return c == TCliCommand::Offset;
    if (option == QLatin1String("--offset"))
        return c == TCliCommand::Verify || c == TCliCommand::Extract;
    if (option == QLatin1String("--read-mode"))
        return c == TCliCommand::Verify;
    if (option == QLatin1String("--verify"))
        return c == TCliCommand::Extract;
    if (option == QLatin1String("--metadata"))
        return c == TCliCommand::Lookup || c == TCliCommand::Extract;
    if (option == QLatin1String("--release"))
        return c == TCliCommand::Extract;
    if (option == QLatin1String("--tracks") || option == QLatin1String("--format") ||
        option == QLatin1String("--cddb") || option == QLatin1String("--name-template"))
        return c == TCliCommand::Extract;
    if (option == QLatin1String("--to"))
        return c == TCliCommand::Convert;
    if (option == QLatin1String("--output"))
        return c == TCliCommand::Extract || c == TCliCommand::Convert ||
               c == TCliCommand::Resample || c == TCliCommand::Verify;
    if (option == QLatin1String("--overwrite") || option == QLatin1String("--no-overwrite"))
        return c == TCliCommand::Extract || c == TCliCommand::Convert || c == TCliCommand::Resample;
    if (option == QLatin1String("--rate") || option == QLatin1String("--channels") ||
        option == QLatin1String("--bits") || option == QLatin1String("--adpcm"))
        return c == TCliCommand::Resample;
    return false;
}

bool needsValue(const QString& option)
{
    return option == QLatin1String("--drive") || option == QLatin1String("--tracks") ||
           option == QLatin1String("--format") || option == QLatin1String("--to") ||
           option == QLatin1String("--output") || option == QLatin1String("--cd-image") ||
           option == QLatin1String("--rate") || option == QLatin1String("--channels") ||
           option == QLatin1String("--bits") || option == QLatin1String("--metadata") ||
           option == QLatin1String("--release") || option == QLatin1String("--offset") ||
           option == QLatin1String("--read-mode") || option == QLatin1String("--name-template");
}

// The value of a numeric option when it is one of the allowed ones (or, with
// an empty list, within min..max); otherwise 0 and error.
int numberOption(const QString& option, const QString& value, int min, int max,
                 std::initializer_list<int> allowed, QString& error)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    const bool listed = std::find(allowed.begin(), allowed.end(), n) != allowed.end();
    if (ok && (allowed.size() > 0 ? listed : n >= min && n <= max))
        return n;
    if (allowed.size() > 0) {
        QStringList words;
        for (int a : allowed)
            words << QString::number(a);
        error = QStringLiteral("%1 takes %2, not '%3'")
                    .arg(option, words.join(QLatin1String(" or ")), value);
    } else {
        error = QStringLiteral("%1 takes a number from %2 to %3, not '%4'")
                    .arg(option)
                    .arg(min)
                    .arg(max)
                    .arg(value);
    }
    return 0;
}

} // namespace

int CliFormatIndex(const QString& word)
{
    const QString w = word.toLower();
    if (w == QLatin1String("mp3"))
        return ofMP3;
    if (w == QLatin1String("wav"))
        return ofWAV;
    if (w == QLatin1String("ogg"))
        return ofOGG;
    if (w == QLatin1String("wma"))
        return ofWMA;
    if (w == QLatin1String("flac"))
        return ofFLAC;
    if (w == QLatin1String("opus"))
        return ofOpus;
    return -1;
}

std::optional<TCliRequest> ParseCliArguments(const QStringList& args, QString& error)
{
    TCliRequest r;
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (onlyFiles || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (r.Command == TCliCommand::None) {
                for (const auto& c : kCommands) {
                    if (arg == QLatin1String(c.name))
                        r.Command = c.command;
                }
                if (r.Command == TCliCommand::None) {
                    error = QStringLiteral("unknown command '%1' (see quillon --help)").arg(arg);
                    return std::nullopt;
                }
            } else if (r.Command == TCliCommand::Convert || r.Command == TCliCommand::Resample) {
                r.Files << arg;
            } else if (r.Command == TCliCommand::Help) {
                // "quillon help extract" is "quillon extract --help".
                QString ignored;
                auto inner = ParseCliArguments({arg, QStringLiteral("--help")}, ignored);
                if (!inner) {
                    error = ignored;
                    return std::nullopt;
                }
                r.Command = inner->Command;
                r.Help = true;
            } else {
                error = QStringLiteral("unexpected argument '%1'").arg(arg);
                return std::nullopt;
            }
            continue;
        }
        if (arg == QLatin1String("--")) {
            onlyFiles = true;
            continue;
        }
        QString value;
        bool hasValue = false;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (arg.startsWith(QLatin1String("--")) && eq > 0) {
            value = arg.mid(eq + 1);
            arg.truncate(eq);
            hasValue = true;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            r.Help = true;
            continue;
        }
        if (arg != QLatin1String("--cd-image") && !takes(r.Command, arg)) {
            error =
                r.Command == TCliCommand::None
                    ? QStringLiteral("unknown option %1 (see quillon --help)").arg(arg)
                    : QStringLiteral("unknown option %1 for this command (see --help)").arg(arg);
            return std::nullopt;
        }
        if (needsValue(arg) && !hasValue) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("option %1 needs a value").arg(arg);
                return std::nullopt;
            }
            value = args[++i];
            hasValue = true;
        } else if (!needsValue(arg) && hasValue) {
            error = QStringLiteral("option %1 takes no value").arg(arg);
            return std::nullopt;
        }
        if (arg == QLatin1String("--cd-image")) {
            r.Images << value;
            r.Image = value;
        } else if (arg == QLatin1String("--drive")) {
            bool ok = false;
            r.Drive = value.toInt(&ok);
            if (!ok || r.Drive < 1) {
                error = QStringLiteral("--drive takes a drive number from 1 (see quillon drives)");
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--tracks")) {
            r.Tracks = value;
        } else if (arg == QLatin1String("--format") || arg == QLatin1String("--to")) {
            if (CliFormatIndex(value) < 0) {
                error = QStringLiteral("%1 takes mp3, wav, ogg, wma, flac or opus, not '%2'")
                            .arg(arg, value);
                return std::nullopt;
            }
            r.Format = value.toLower();
        } else if (arg == QLatin1String("--name-template")) {
            const QStringList unknown = UnknownTemplateFields(value);
            if (value.trimmed().isEmpty() || !unknown.isEmpty()) {
                error = unknown.isEmpty()
                            ? QStringLiteral("--name-template needs a template, e.g. "
                                             "'%artist%/%album%/%track% %title%'")
                            : QStringLiteral("--name-template: %1 is no field (use %artist% "
                                             "%albumartist% %album% %year% %genre% %track% "
                                             "%disc% %title%)")
                                  .arg(unknown.first());
                return std::nullopt;
            }
            r.NameTemplate = value;
        } else if (arg == QLatin1String("--output")) {
            if (value.isEmpty()) {
                error = QStringLiteral("--output needs a folder");
                return std::nullopt;
            }
            r.Output = value;
        } else if (arg == QLatin1String("--cddb")) {
            r.Cddb = true;
        } else if (arg == QLatin1String("--metadata")) {
            static const QStringList kinds = {QStringLiteral("auto"), QStringLiteral("musicbrainz"),
                                              QStringLiteral("cdtext"), QStringLiteral("cddb"),
                                              QStringLiteral("stored")};
            const QString kind = value.toLower();
            if (!kinds.contains(kind) ||
                (r.Command == TCliCommand::Lookup && kind == QLatin1String("stored"))) {
                error = QStringLiteral("--metadata takes %1, not '%2'")
                            .arg(r.Command == TCliCommand::Lookup
                                     ? QStringLiteral("auto, musicbrainz, cdtext or cddb")
                                     : QStringLiteral("auto, musicbrainz, cdtext, cddb or stored"),
                                 value);
                return std::nullopt;
            }
            r.Metadata = kind;
        } else if (arg == QLatin1String("--release")) {
            bool ok = false;
            r.Release = value.toInt(&ok);
            if (!ok || r.Release < 1) {
                error = QStringLiteral("--release takes a number from 1 (see quillon lookup)");
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--overwrite")) {
            r.Overwrite = true;
        } else if (arg == QLatin1String("--no-overwrite")) {
            r.NoOverwrite = true;
        } else if (arg == QLatin1String("--rate")) {
            r.Rate = numberOption(arg, value, kMinRate, kMaxRate, {}, error);
            if (r.Rate == 0)
                return std::nullopt;
        } else if (arg == QLatin1String("--channels")) {
            r.Channels = numberOption(arg, value, 0, 0, {1, 2}, error);
            if (r.Channels == 0)
                return std::nullopt;
        } else if (arg == QLatin1String("--bits")) {
            r.Bits = numberOption(arg, value, 0, 0, {8, 16}, error);
            if (r.Bits == 0)
                return std::nullopt;
        } else if (arg == QLatin1String("--adpcm")) {
            r.Adpcm = true;
        } else if (arg == QLatin1String("--find")) {
            r.Find = true;
        } else if (arg == QLatin1String("--verify")) {
            r.Verify = true;
        } else if (arg == QLatin1String("--offset")) {
            bool ok = false;
            const int offset = value.toInt(&ok);
            if (!ok || offset < -kMaxReadOffset || offset > kMaxReadOffset) {
                error = QStringLiteral("--offset takes samples from %1 to +%2, not '%3'")
                            .arg(-kMaxReadOffset)
                            .arg(kMaxReadOffset)
                            .arg(value);
                return std::nullopt;
            }
            r.ReadOffset = offset;
        } else if (arg == QLatin1String("--read-mode")) {
            if (!ReadModeFromText(value)) {
                error =
                    QStringLiteral("--read-mode takes burst, secure or auto, not '%1'").arg(value);
                return std::nullopt;
            }
            r.ReadMode = ReadModeText(*ReadModeFromText(value));
        }
    }
    if (r.Overwrite && r.NoOverwrite) {
        error = QStringLiteral("--overwrite and --no-overwrite exclude each other");
        return std::nullopt;
    }
    if (r.Help || r.Command == TCliCommand::Help)
        return r;
    if (r.Command == TCliCommand::None) {
        error = QStringLiteral("no command given (see quillon --help)");
        return std::nullopt;
    }
    if (r.Cddb) {
        if (!r.Metadata.isEmpty() && r.Metadata != QLatin1String("cddb")) {
            error = QStringLiteral("--cddb is --metadata cddb; give only one of them");
            return std::nullopt;
        }
        r.Metadata = QStringLiteral("cddb");
    }
    if (r.Release > 0 && r.Metadata == QLatin1String("stored")) {
        error = QStringLiteral("--release picks a looked-up candidate; it does not go with "
                               "--metadata stored");
        return std::nullopt;
    }
    if (r.Drive > 0 && !r.Image.isEmpty() && r.Command != TCliCommand::Drives) {
        error = QStringLiteral("give either --drive or --cd-image, not both");
        return std::nullopt;
    }
    if (r.Command == TCliCommand::Convert) {
        if (r.Format.isEmpty()) {
            error = QStringLiteral("convert needs --to mp3|wav|ogg|wma|flac|opus");
            return std::nullopt;
        }
        if (r.Files.isEmpty()) {
            error = QStringLiteral("convert needs at least one input file");
            return std::nullopt;
        }
    }
    if (r.Command == TCliCommand::Offset && !r.Find) {
        error = QStringLiteral("offset needs --find (see quillon offset --help)");
        return std::nullopt;
    }
    if (r.Command == TCliCommand::Resample) {
        if (r.Rate == 0) {
            error = QStringLiteral("resample needs --rate HZ");
            return std::nullopt;
        }
        if (r.Adpcm && r.Bits == 8) {
            error = QStringLiteral("--adpcm writes 16 bit samples only, not --bits 8");
            return std::nullopt;
        }
        if (r.Files.isEmpty()) {
            error = QStringLiteral("resample needs at least one input file");
            return std::nullopt;
        }
    }
    return r;
}

std::optional<std::vector<int>> ParseTrackList(const QString& text, int count, QString& error)
{
    std::vector<int> tracks;
    std::set<int> seen;
    const auto bad = [&](const QString& why) {
        error = QStringLiteral("--tracks '%1': %2").arg(text, why);
        return std::nullopt;
    };
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString& raw : parts) {
        const QString part = raw.trimmed();
        const QStringList ends = part.split(QLatin1Char('-'));
        if (part.isEmpty() || ends.size() > 2)
            return bad(QStringLiteral("use numbers and ranges like 1,3-5"));
        bool ok1 = false;
        bool ok2 = true;
        const int from = ends[0].trimmed().toInt(&ok1);
        const int to = ends.size() == 2 ? ends[1].trimmed().toInt(&ok2) : from;
        if (!ok1 || !ok2)
            return bad(QStringLiteral("use numbers and ranges like 1,3-5"));
        if (from > to)
            return bad(QStringLiteral("a range counts upwards, as in %1-%2").arg(to).arg(from));
        if (from < 1 || to > count)
            return bad(QStringLiteral("the disc has tracks 1 to %1").arg(count));
        for (int t = from; t <= to; ++t) {
            if (seen.insert(t).second)
                tracks.push_back(t);
        }
    }
    return tracks;
}

QString CliHelpText(TCliCommand command)
{
    switch (command) {
    case TCliCommand::Drives:
        return QStringLiteral(
            "Usage: quillon drives [--cd-image FILE]...\n"
            "\n"
            "Lists the CD drives: the physical drives first, then the disc images\n"
            "(from --cd-image and $QUILLON_CD_IMAGES), numbered for --drive.\n");
    case TCliCommand::Toc:
        return QStringLiteral(
            "Usage: quillon toc [--drive N | --cd-image FILE]\n"
            "\n"
            "Shows the disc's tracks with their lengths and WAV sizes, the titles\n"
            "known for it, its disc key and its CDDB disc id.\n"
            "\n"
            "  --drive N         the drive numbered N by 'quillon drives' (default 1)\n"
            "  --cd-image FILE   read a disc image (.cue, .toc, .nrg) instead\n");
    case TCliCommand::Lookup:
        return QStringLiteral(
            "Usage: quillon lookup [--drive N | --cd-image FILE] [--metadata SOURCE]\n"
            "\n"
            "Looks the disc's titles up and lists the numbered candidates with their\n"
            "track titles; 'extract --release N' takes candidate N. Nothing is stored.\n"
            "\n"
            "  --drive N          the drive numbered N by 'quillon drives' (default 1)\n"
            "  --cd-image FILE    read a disc image (.cue, .toc, .nrg) instead\n"
            "  --metadata SOURCE  auto (default: the sources of options.ini in their\n"
            "                     order), musicbrainz, cdtext or cddb\n");
    case TCliCommand::Extract:
        return QStringLiteral(
            "Usage: quillon extract [--drive N | --cd-image FILE] [--tracks 1,3-5]\n"
            "                       [--format mp3|wav|ogg|wma|flac|opus] [--output DIR]\n"
            "                       [--name-template TEMPLATE]\n"
            "                       [--metadata SOURCE [--release N]] [--cddb]\n"
            "                       [--overwrite | --no-overwrite] [--offset N] [--verify]\n"
            "\n"
            "Reads tracks of the disc into tagged files named after their titles (or\n"
            "the name template), with the settings of options.ini unless overridden\n"
            "here. With ReplayGain on (options.ini), every file gets track and album\n"
            "gain. Each track is checked against the AccurateRip and CTDB\n"
            "databases as [Verify] of options.ini says, its result line printed, and a\n"
            "rip log written beside the tracks. Exit status 1 when a track did not\n"
            "verify (its file is made all the same).\n"
            "\n"
            "  --drive N         the drive numbered N by 'quillon drives' (default 1)\n"
            "  --cd-image FILE   read a disc image (.cue, .toc, .nrg) instead\n"
            "  --tracks LIST     the tracks to read, e.g. 1,3-5 (default: every audio track)\n"
            "  --format F        the output format (default: the one of options.ini)\n"
            "  --output DIR      the output folder (made when missing; default: the one\n"
            "                    of options.ini)\n"
            "  --name-template T the file names, e.g. '%artist%/%album%/%track% %title%'\n"
            "                    (a / makes folders); fields: %artist% %albumartist%\n"
            "                    %album% %year% %genre% %track% %disc% %title%\n"
            "                    (default: the one of options.ini, normally %title%)\n"
            "  --metadata SOURCE where the titles come from: stored (the disc store),\n"
            "                    auto (the sources of options.ini in their order),\n"
            "                    musicbrainz, cdtext or cddb. Default: stored when the\n"
            "                    disc has titles there, else auto. Titles looked up are\n"
            "                    kept in the disc store; the front cover is saved as\n"
            "                    cover.jpg beside the tracks\n"
            "  --release N       take candidate N of 'quillon lookup' (default: the first\n"
            "                    whose medium matches the disc; the others are listed)\n"
            "  --cddb            the same as --metadata cddb\n"
            "  --overwrite       answer yes when asked to replace a file\n"
            "  --no-overwrite    answer no (the default when standard input is no terminal)\n"
            "  --offset N        the drive's read offset in samples (default: ReadOffset\n"
            "                    of options.ini; see quillon offset --find)\n"
            "  --verify          ask both databases, whatever options.ini says\n");
    case TCliCommand::Convert:
        return QStringLiteral(
            "Usage: quillon convert --to mp3|wav|ogg|wma|flac|opus [--output DIR]\n"
            "                       [--overwrite | --no-overwrite] FILES...\n"
            "\n"
            "Converts files: WAV to MP3, OGG, WMA, FLAC or Opus (--to mp3/ogg/wma/flac/\n"
            "opus), MP3 to WAV (--to wav). The outputs go into the output folder, named\n"
            "after the inputs and titled by their names; a cover.jpg or folder.jpg\n"
            "beside an input goes into its output.\n"
            "\n"
            "  --to F            the output format\n"
            "  --output DIR      the output folder (default: the one of options.ini)\n"
            "  --overwrite       replace outputs that exist\n"
            "  --no-overwrite    keep them and skip the file (the default when standard\n"
            "                    input is no terminal; on a terminal you are asked)\n");
    case TCliCommand::Resample:
        return QStringLiteral(
                   "Usage: quillon resample --rate HZ [--channels 1|2] [--bits 8|16] [--adpcm]\n"
                   "                        [--output DIR] [--overwrite | --no-overwrite] "
                   "FILES...\n"
                   "\n"
                   "Converts WAV files to another sample rate, channel count or sample size, as\n"
                   "the WAV to WAV window does. The outputs go into the output folder under the\n"
                   "inputs' names, as convert names them (a second a.wav becomes \"a (2).wav\");\n"
                   "each replaces an existing file only once it is complete.\n"
                   "\n"
                   "  --rate HZ         the output sample rate (%1 to %2)\n"
                   "  --channels N      1 or 2 (default: the input's)\n"
                   "  --bits N          8 or 16 (default: the input's)\n"
                   "  --adpcm           write DVI IMA ADPCM (16 bit) instead of plain PCM\n"
                   "  --output DIR      the output folder (default: the one of options.ini)\n"
                   "  --overwrite       replace outputs that exist\n"
                   "  --no-overwrite    keep them and skip the file (the default when standard\n"
                   "                    input is no terminal; on a terminal you are asked)\n")
            .arg(kMinRate)
            .arg(kMaxRate);
    case TCliCommand::Offset:
        return QStringLiteral(
            "Usage: quillon offset --find [--drive N | --cd-image FILE]\n"
            "\n"
            "Finds the drive's read offset from a disc the AccurateRip database knows:\n"
            "reads the middle of every track and looks for the shift at which it matches\n"
            "the database. Prints the offset in samples; store it as ReadOffset under\n"
            "[Verify] in options.ini. Exit status 1 when the disc is not in the database\n"
            "or no offset fits.\n"
            "\n"
            "  --find            find the offset (the only thing this command does yet)\n"
            "  --drive N         the drive numbered N by 'quillon drives' (default 1)\n"
            "  --cd-image FILE   read a disc image (.cue, .toc, .nrg) instead\n");
    case TCliCommand::Verify:
        return QStringLiteral(
            "Usage: quillon verify [--drive N | --cd-image FILE] [--offset N]\n"
            "                      [--read-mode burst|secure|auto] [--output DIR]\n"
            "\n"
            "Reads every audio track of the disc as a rip would, without making files,\n"
            "checks each against AccurateRip and the CUETools database (CTDB), prints\n"
            "one result line per track and the CTDB result, and writes the rip log\n"
            "(named after the album, Rip.log without one; an existing log is kept and\n"
            "the new one numbered). Exit status 1 when a track is not accurately ripped,\n"
            "read twice with different results or has unreadable sectors.\n"
            "\n"
            "  --drive N         the drive numbered N by 'quillon drives' (default 1)\n"
            "  --cd-image FILE   read a disc image (.cue, .toc, .nrg) instead\n"
            "  --offset N        the drive's read offset in samples (default: ReadOffset\n"
            "                    of options.ini; see quillon offset --find)\n"
            "  --read-mode M     burst (plain reads), secure (paranoia) or auto (burst,\n"
            "                    and secure again where the databases do not confirm the\n"
            "                    track). Default: ReadMode of options.ini\n"
            "  --output DIR      where the rip log goes (default: the output folder of\n"
            "                    options.ini)\n");
    case TCliCommand::None:
    case TCliCommand::Help:
        break;
    }
    return QStringLiteral(
        "Usage: quillon                   start the windows\n"
        "       quillon COMMAND [OPTIONS] work without windows\n"
        "       quillon --version         print the version\n"
        "\n"
        "Commands:\n"
        "  drives    list the CD drives and disc images\n"
        "  toc       show the tracks, disc key and disc ids of a disc\n"
        "  lookup    look the titles of a disc up (MusicBrainz, CD-Text, CDDB)\n"
        "  extract   read tracks into WAV, MP3, OGG or WMA files\n"
        "  convert   convert WAV and MP3 files\n"
        "  resample  change the sample rate, channels or sample size of WAV files\n"
        "  offset    find the read offset of a drive\n"
        "  verify    read a disc and check it against AccurateRip and the CTDB\n"
        "\n"
        "'quillon COMMAND --help' tells more. Every command takes --cd-image FILE,\n"
        "which adds a disc image as a drive.\n"
        "Exit status: 0 success (files kept by --no-overwrite included), 1 something\n"
        "was not made, 2 bad arguments, 130 interrupted. Files are written under a\n"
        "hidden temporary name and renamed when complete; an interrupted job leaves\n"
        "no partial file.\n");
}
