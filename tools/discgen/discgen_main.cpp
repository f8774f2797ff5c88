// quillon-discgen OUT.cue TRACK... [--titles CDINFO] [--artist A] [--album B]
//                 [--year Y] [--genre N] [--comment C] [--title T]...
//                 [--cd-text utf-8|latin1] [--track-artist P]... [--isrc I]...
//                 [--pregap TRACK] [--shift SAMPLES] [--change TRACK:SAMPLE]...
//                 [--database DIR]
// Writes OUT.cue and OUT.bin; prints the disc key. With --titles, adds the
// disc's section (named by its key) to the INI file CDINFO. With --cd-text,
// the cue sheet carries artist, album, titles, track artists and ISRCs as
// CD-Text, written in that encoding. With --database, DIR becomes what a web
// server needs to play both verification databases for the disc.
#include "disc_image_writer.h"

#include "verify/accuraterip_disc_id.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

namespace {

// The usage on standard error with the problem (exit 2), or, asked for with
// --help, on standard output (exit 0).
int usage(const QString& problem)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    QTextStream& to = problem.isEmpty() ? out : err;
    if (!problem.isEmpty())
        err << "quillon-discgen: " << problem << "\n";
    to << "usage: quillon-discgen OUT.cue LENGTH:SIGNAL[:PARAM]... [--titles CDINFO]\n"
          "         [--artist A] [--album B] [--year Y] [--genre N] [--comment C] [--title T]...\n"
          "         [--cd-text utf-8|latin1] [--track-artist P]... [--isrc I]...\n"
          "  LENGTH  seconds (\"3.2s\") or frames (\"240\"; 75 frames a second)\n"
          "  SIGNAL  tone:HZ | noise:SEED | silence\n"
          "  --pregap LENGTH:SIGNAL[:PARAM]  audio before track 1's INDEX 01\n"
          "  --shift N        the audio N samples later (earlier if negative), as a drive\n"
          "                   with read offset N delivers it\n"
          "  --change T:S     flip the lowest bit of sample S of track T\n"
          "  --database DIR   write the disc's AccurateRip answer file under\n"
          "                   DIR/accuraterip/ and its CTDB answer as DIR/lookup2.php\n"
          "                   (confidence 5), for a web server serving DIR\n";
    return problem.isEmpty() ? 0 : 2;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);

    QString cuePath;
    QString titlesPath;
    QString databaseDir;
    discgen::DiscSpec disc;
    QList<discgen::TrackSpec>& tracks = disc.tracks;
    discgen::DiscTitles titles;
    QStringList givenTitles;
    discgen::CueText cueText;
    bool withCueText = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help"))
            return usage({});
        if (arg.startsWith(QLatin1String("--"))) {
            if (i + 1 >= args.size())
                return usage(QStringLiteral("%1 needs a value").arg(arg));
            const QString value = args[++i];
            if (arg == QLatin1String("--titles"))
                titlesPath = value;
            else if (arg == QLatin1String("--database"))
                databaseDir = value;
            else if (arg == QLatin1String("--artist"))
                titles.Artist = value;
            else if (arg == QLatin1String("--album"))
                titles.Album = value;
            else if (arg == QLatin1String("--year"))
                titles.Year = value;
            else if (arg == QLatin1String("--comment"))
                titles.Comment = value;
            else if (arg == QLatin1String("--title"))
                givenTitles.append(value);
            else if (arg == QLatin1String("--track-artist"))
                cueText.TrackPerformers.append(value);
            else if (arg == QLatin1String("--isrc"))
                cueText.TrackIsrcs.append(value);
            else if (arg == QLatin1String("--cd-text")) {
                withCueText = true;
                if (value == QLatin1String("latin1"))
                    cueText.TextEncoding = discgen::CueText::Encoding::Latin1;
                else if (value != QLatin1String("utf-8"))
                    return usage(QStringLiteral("--cd-text takes utf-8 or latin1"));
            } else if (arg == QLatin1String("--pregap")) {
                QString error;
                disc.pregap = discgen::ParseTrackSpec(value, &error);
                if (!disc.pregap)
                    return usage(error);
            } else if (arg == QLatin1String("--shift")) {
                bool ok = false;
                disc.shift = value.toLongLong(&ok);
                if (!ok)
                    return usage(QStringLiteral("bad shift \"%1\" (samples)").arg(value));
            } else if (arg == QLatin1String("--change")) {
                QString error;
                const auto change = discgen::ParseSampleChange(value, &error);
                if (!change)
                    return usage(error);
                disc.changes.append(*change);
            } else if (arg == QLatin1String("--genre")) {
                bool ok = false;
                titles.Genre = value.toInt(&ok);
                if (!ok || titles.Genre < -1 || titles.Genre > 148)
                    return usage(QStringLiteral("bad genre number \"%1\" (-1 to 148)").arg(value));
            } else
                return usage(QStringLiteral("unknown option %1").arg(arg));
        } else if (cuePath.isEmpty()) {
            cuePath = arg;
        } else {
            QString error;
            const auto track = discgen::ParseTrackSpec(arg, &error);
            if (!track)
                return usage(error);
            tracks.append(*track);
        }
    }
    if (cuePath.isEmpty() || tracks.isEmpty())
        return usage(QStringLiteral("give the .cue file and at least one track"));
    if (givenTitles.size() > tracks.size())
        return usage(QStringLiteral("more titles than tracks"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    if (withCueText) {
        cueText.Performer = titles.Artist;
        cueText.Title = titles.Album;
        cueText.TrackTitles = givenTitles;
        disc.text = cueText;
    }
    if (!discgen::WriteCueBin(cuePath, disc, &error)) {
        err << "quillon-discgen: " << error << "\n";
        return 1;
    }
    const QString key = DiscKeyFromTOC(discgen::TocOfDisc(disc));
    out << "Disc key: " << key << "\n";
    if (!databaseDir.isEmpty()) {
        const QString arFile = databaseDir + QStringLiteral("/accuraterip/") +
                               AccurateRipDiscIdOf(discgen::TocOfDisc(disc)).path();
        if (!writeFile(arFile, discgen::AccurateRipAnswerOf(disc, {5}), &error) ||
            !writeFile(databaseDir + QStringLiteral("/lookup2.php"), discgen::CtdbAnswerOf(disc, 5),
                       &error)) {
            err << "quillon-discgen: " << error << "\n";
            return 1;
        }
    }
    if (!titlesPath.isEmpty()) {
        for (qsizetype i = 0; i < tracks.size(); ++i)
            titles.Titles.append(i < givenTitles.size() ? givenTitles[i]
                                                        : discgen::DefaultTitle(tracks[i]));
        if (!discgen::WriteTitlesSection(titlesPath, key, titles, &error)) {
            err << "quillon-discgen: " << error << "\n";
            return 1;
        }
    }
    return 0;
}
