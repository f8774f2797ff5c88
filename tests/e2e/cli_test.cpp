// The program's commands run as a user runs them: the quillon binary on a
// generated disc image, with files and exit statuses checked.
#include "program_run.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

QString probeCodec(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
             QStringLiteral("-of"), QStringLiteral("json"), path});
    p.waitForFinished(60000);
    return QJsonDocument::fromJson(p.readAllStandardOutput())
        .object()[QStringLiteral("streams")]
        .toArray()
        .at(0)
        .toObject()[QStringLiteral("codec_name")]
        .toString();
}

// Every failure is one line "quillon: <reason>" (after any messages the job
// printed on the way).
bool endsWithOneLineReason(const QString& err)
{
    const QStringList lines = err.trimmed().split(QLatin1Char('\n'));
    return !lines.isEmpty() && lines.last().startsWith(QStringLiteral("quillon: ")) &&
           lines.last().size() > 10;
}

struct CliE2E : ::testing::Test {
    QTemporaryDir work;
    QString home;
    QString cue;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    void SetUp() override
    {
        if (!QFile::exists(binDir() + QStringLiteral("/quillon")))
            GTEST_SKIP() << "quillon is not built";
        home = work.filePath(QStringLiteral("home"));
        QDir().mkpath(home);
        // Verified rips have tests of their own; these read plainly.
        ASSERT_TRUE(writeFile(home + QStringLiteral("/options.ini"), kPlainReadsIni));
        env.insert(QStringLiteral("QUILLON_HOME"), home);
        env.remove(QStringLiteral("QUILLON_CD_IMAGES"));
        cue = work.filePath(QStringLiteral("disc.cue"));
        const QStringList gen = {cue,
                                 QStringLiteral("2s:tone:440"),
                                 QStringLiteral("1.5s:noise:3"),
                                 QStringLiteral("2s:tone:880"),
                                 QStringLiteral("--titles"),
                                 home + QStringLiteral("/cdinfo.dat"),
                                 QStringLiteral("--artist"),
                                 QStringLiteral("Cli Band"),
                                 QStringLiteral("--comment"),
                                 QStringLiteral("from the store"),
                                 QStringLiteral("--title"),
                                 QStringLiteral("Opening"),
                                 QStringLiteral("--title"),
                                 QStringLiteral("Middle Ünï"),
                                 QStringLiteral("--title"),
                                 QStringLiteral("Closing")};
        ASSERT_EQ(QProcess::execute(binDir() + QStringLiteral("/quillon-discgen"), gen), 0);
    }
    ProgramRun quillon(const QStringList& args) const
    {
        return runProgram(binDir() + QStringLiteral("/quillon"), args, env);
    }
    QString out(const QString& name) const { return work.filePath(QStringLiteral("out/") + name); }
};

TEST_F(CliE2E, ExtractToEveryFormatNamesFilesAfterTheStoredTitles)
{
    struct Case {
        const char* format;
        const char* program; // needed to make the format
        QByteArray magic;    // how the files begin
        const char* codec;   // ffprobe's codec name
    } cases[] = {
        {"wav", nullptr, "RIFF", "pcm_s16le"},
        {"mp3", "lame", {}, "mp3"},
        {"wma", nullptr, QByteArray::fromHex("3026b2758e66cf11"), "wmav2"},
        {"ogg", nullptr, "OggS", "vorbis"},
        {"flac", nullptr, "fLaC", "flac"},
        {"opus", nullptr, "OggS", "opus"},
    };
    const bool probe = haveProgram(QStringLiteral("ffprobe"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        if (c.program && !haveProgram(QString::fromLatin1(c.program)))
            continue;
        QDir(work.filePath(QStringLiteral("out"))).removeRecursively();
        const ProgramRun r =
            quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                     QStringLiteral("--tracks"), QStringLiteral("1,2-3"),
                     QStringLiteral("--format"), QString::fromLatin1(c.format),
                     QStringLiteral("--output"), work.filePath(QStringLiteral("out"))});
        if (QLatin1String(c.format) == QLatin1String("ogg") &&
            r.err.contains(QStringLiteral("not available in this version"))) {
            // The OGG step is not in this build: said in one line, not a hang.
            EXPECT_EQ(r.code, 1);
            EXPECT_TRUE(endsWithOneLineReason(r.err)) << r.err.toStdString();
            continue;
        }
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QStringList titles = {u"Opening"_s, u"Middle Ünï"_s, u"Closing"_s};
        QStringList listed = r.out.trimmed().split(QLatin1Char('\n'));
        ASSERT_EQ(listed.size(), 3) << r.out.toStdString();
        for (int i = 0; i < 3; ++i) {
            const QString file = out(titles[i] + QLatin1Char('.') + QLatin1String(c.format));
            EXPECT_EQ(listed[i], file);
            const QByteArray head = readFile(file).left(8);
            if (!c.magic.isEmpty()) {
                EXPECT_TRUE(head.startsWith(c.magic)) << file.toStdString();
            }
            if (probe) {
                EXPECT_EQ(probeCodec(file), QLatin1String(c.codec)) << file.toStdString();
            }
        }
        // Work files of an encoded format are gone (options.ini keeps no WAVs).
        if (QLatin1String(c.format) != QLatin1String("wav")) {
            EXPECT_FALSE(QFile::exists(out(QStringLiteral("Opening.wav"))));
        }
        // Not a terminal: plain step lines, no drawn progress bar.
        EXPECT_TRUE(r.err.contains(QStringLiteral("Extracting(01/03): Opening")))
            << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QLatin1Char('\r')));
    }
}

TEST_F(CliE2E, ConvertAsksNothingAndOverwritesOnlyWhenTold)
{
    ASSERT_EQ(quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                       QStringLiteral("--tracks"), QStringLiteral("1"), QStringLiteral("--format"),
                       QStringLiteral("wav"), QStringLiteral("--output"), work.path()})
                  .code,
              0);
    const QString wav = work.filePath(QStringLiteral("Opening.wav"));
    ASSERT_TRUE(QFile::exists(wav));
    const QString outDir = work.filePath(QStringLiteral("out"));
    const QString wma = out(QStringLiteral("Opening.wma"));

    ProgramRun r = quillon({QStringLiteral("convert"), QStringLiteral("--to"),
                            QStringLiteral("wma"), QStringLiteral("--output"), outDir, wav});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), wma);
    ASSERT_TRUE(writeFile(wma, "old"));

    // The output exists: without --overwrite it is kept, and nothing waits on stdin.
    r = quillon({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("wma"),
                 QStringLiteral("--output"), outDir, wav});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("has existed,overite it?"))) << r.err.toStdString();
    EXPECT_EQ(readFile(wma), "old");

    r = quillon({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("wma"),
                 QStringLiteral("--overwrite"), QStringLiteral("--output"), outDir, wav});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_GT(readFile(wma).size(), 1000);

    if (haveProgram(QStringLiteral("lame"))) {
        r = quillon({QStringLiteral("convert"), QStringLiteral("--to=mp3"),
                     QStringLiteral("--output=") + outDir, wav});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QString mp3 = out(QStringLiteral("Opening.mp3"));
        r = quillon({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("wav"),
                     QStringLiteral("--output"), work.filePath(QStringLiteral("back")), mp3});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(readFile(work.filePath(QStringLiteral("back/Opening.wav"))).startsWith("RIFF"));
    }
}

// The Vorbis comments of a FLAC or Opus file as their own tools read them.
// The tags of an MP3 or OGG file as ffprobe reads them (ID3v2 TXXX frames
// by their description), keys in capitals.
QMap<QString, QString> probedTags(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("format_tags:stream_tags"), QStringLiteral("-of"),
             QStringLiteral("json"), file});
    p.waitForFinished(60000);
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    QMap<QString, QString> tags;
    const auto take = [&](const QJsonObject& o) {
        const QJsonObject t = o[QStringLiteral("tags")].toObject();
        for (auto it = t.begin(); it != t.end(); ++it)
            tags.insert(it.key().toUpper(), it.value().toString());
    };
    take(root[QStringLiteral("format")].toObject());
    for (const QJsonValue& stream : root[QStringLiteral("streams")].toArray())
        take(stream.toObject());
    return tags;
}

QMap<QString, QString> vorbisComments(const QString& file)
{
    QProcess p;
    if (file.endsWith(QStringLiteral(".mp3")) || file.endsWith(QStringLiteral(".ogg")) ||
        file.endsWith(QStringLiteral(".wma")))
        return probedTags(file);
    if (file.endsWith(QStringLiteral(".flac")))
        p.start(QStringLiteral("metaflac"), {QStringLiteral("--export-tags-to=-"), file});
    else
        p.start(QStringLiteral("opusinfo"), {file});
    p.waitForFinished(60000);
    QMap<QString, QString> tags;
    static const QRegularExpression line(QStringLiteral(R"(^\s*([A-Z0-9_]+)=(.*)$)"));
    for (const QString& l : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = line.match(l);
        if (m.hasMatch())
            tags.insert(m.captured(1), m.captured(2));
    }
    return tags;
}

// The samples of an audio file as 16-bit little-endian PCM, through ffmpeg.
QByteArray decodedPcm(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {u"-v"_s, u"error"_s, u"-i"_s, file, u"-f"_s, u"s16le"_s, u"-"_s});
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

// ffmpeg's EBU R128 integrated loudness of an audio file, in LUFS.
double ffmpegLoudness(const QString& file)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("ffmpeg"),
            {u"-nostats"_s, u"-hide_banner"_s, u"-i"_s, file, u"-af"_s,
             u"ebur128=metadata=1,ametadata=mode=print:key=lavfi.r128.I"_s, u"-f"_s, u"null"_s,
             u"-"_s});
    p.waitForFinished(60000);
    double integrated = NAN;
    for (const auto& m : QRegularExpression(QStringLiteral(R"(lavfi\.r128\.I=(-?[\d.]+))"))
                             .globalMatch(QString::fromUtf8(p.readAll())))
        integrated = m.captured(1).toDouble();
    return integrated;
}

TEST_F(CliE2E, ExtractsInEveryFormatAreTaggedNamedByTemplateAndShareTheAlbumGain)
{
    if (!haveProgram(QStringLiteral("metaflac")) || !haveProgram(QStringLiteral("opusinfo")) ||
        !haveProgram(QStringLiteral("ffmpeg")) || !haveProgram(QStringLiteral("ffprobe")) ||
        !haveProgram(QStringLiteral("lame")))
        GTEST_SKIP() << "flac, opus-tools, ffmpeg or lame missing";
    ASSERT_EQ(quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                       QStringLiteral("--format"), QStringLiteral("wav"),
                       QStringLiteral("--output"), work.filePath(QStringLiteral("wav"))})
                  .code,
              0);
    struct Case {
        const char* format;
        const char* trackGain; // the key of the track's gain
        const char* albumGain;
    } cases[] = {
        {"flac", "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"},
        {"opus", "R128_TRACK_GAIN", "R128_ALBUM_GAIN"},
        {"mp3", "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"},
        {"ogg", "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"},
        {"wma", "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"},
    };
    const QStringList titles = {u"Opening"_s, u"Middle Ünï"_s, u"Closing"_s};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QString ext = QLatin1Char('.') + QLatin1String(c.format);
        const ProgramRun r = quillon(
            {QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
             QStringLiteral("--format"), QString::fromLatin1(c.format),
             QStringLiteral("--name-template"), QStringLiteral("%albumartist%/%track% %title%"),
             QStringLiteral("--output"), work.filePath(QStringLiteral("out"))});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        QStringList albumGains;
        for (int i = 0; i < 3; ++i) {
            const QString file =
                out(QStringLiteral("Cli Band/0%1 %2").arg(i + 1).arg(titles[i]) + ext);
            ASSERT_TRUE(QFile::exists(file)) << file.toStdString() << r.out.toStdString();
            const QMap<QString, QString> tags = vorbisComments(file);
            // Without "Use ID3" an extracted MP3, OGG or WMA carries the gains only.
            if (file.endsWith(QStringLiteral(".flac")) || file.endsWith(QStringLiteral(".opus"))) {
                EXPECT_EQ(tags.value(QStringLiteral("TITLE")), titles[i]);
                EXPECT_EQ(tags.value(QStringLiteral("ARTIST")), QStringLiteral("Cli Band"));
                EXPECT_EQ(tags.value(QStringLiteral("COMMENT")), QStringLiteral("from the store"));
                EXPECT_EQ(tags.value(QStringLiteral("TRACKNUMBER")), QString::number(i + 1));
            }
            EXPECT_FALSE(tags.value(QString::fromLatin1(c.trackGain)).isEmpty())
                << tags.keys().join(u' ').toStdString();
            albumGains << tags.value(QString::fromLatin1(c.albumGain));
            const QString wav =
                work.filePath(QStringLiteral("wav/") + titles[i] + QStringLiteral(".wav"));
            if (QLatin1String(c.trackGain) == QLatin1String("REPLAYGAIN_TRACK_GAIN")) {
                // Measured on the ripped audio: as ffmpeg reads it.
                const double gain =
                    tags.value(QString::fromLatin1(c.trackGain)).section(u' ', 0, 0).toDouble();
                EXPECT_NEAR(gain, -18.0 - ffmpegLoudness(wav), 0.1);
            }
            if (QLatin1String(c.format) == QLatin1String("flac")) {
                EXPECT_EQ(QProcess::execute(QStringLiteral("flac"),
                                            {QStringLiteral("-t"), QStringLiteral("-s"), file}),
                          0);
                EXPECT_TRUE(decodedPcm(file) == decodedPcm(wav)) << "not the disc's audio";
            }
        }
        EXPECT_FALSE(albumGains[0].isEmpty());
        EXPECT_EQ(albumGains.count(albumGains[0]), 3) << albumGains.join(u' ').toStdString();
        // Nothing but the template's folder was made.
        EXPECT_EQ(QDir(work.filePath(QStringLiteral("out")))
                      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("Cli Band")});
        QDir(work.filePath(QStringLiteral("out"))).removeRecursively();
    }
}

TEST_F(CliE2E, ConversionsAreTitledByNameEmbedTheCoverBesideAndCarryTheTrackGain)
{
    if (!haveProgram(QStringLiteral("metaflac")) || !haveProgram(QStringLiteral("opusinfo")) ||
        !haveProgram(QStringLiteral("ffmpeg")) || !haveProgram(QStringLiteral("ffprobe")) ||
        !haveProgram(QStringLiteral("lame")))
        GTEST_SKIP() << "flac, opus-tools, ffmpeg or lame missing";
    const QString in = work.filePath(QStringLiteral("in"));
    ASSERT_EQ(quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                       QStringLiteral("--tracks"), QStringLiteral("2"), QStringLiteral("--format"),
                       QStringLiteral("wav"), QStringLiteral("--output"), in})
                  .code,
              0);
    const QByteArray cover = noiseJpeg(40, 30);
    ASSERT_TRUE(writeFile(in + QStringLiteral("/cover.jpg"), cover));
    const QString wav = in + QStringLiteral("/Middle Ünï.wav");
    const double loudness = ffmpegLoudness(wav);
    struct Case {
        const char* format;
        const char* trackGain; // its key
        double reference;      // the loudness it brings the track to, LUFS
        double unit;           // of its value, in dB
    } cases[] = {
        {"flac", "REPLAYGAIN_TRACK_GAIN", -18, 1}, {"opus", "R128_TRACK_GAIN", -23, 1 / 256.0},
        {"mp3", "REPLAYGAIN_TRACK_GAIN", -18, 1},  {"ogg", "REPLAYGAIN_TRACK_GAIN", -18, 1},
        {"wma", "REPLAYGAIN_TRACK_GAIN", -18, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QString format = QString::fromLatin1(c.format);
        const ProgramRun r =
            quillon({QStringLiteral("convert"), QStringLiteral("--to"), format,
                     QStringLiteral("--output"), work.filePath(QStringLiteral("out")), wav});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const QString file = out(QStringLiteral("Middle Ünï.") + format);
        EXPECT_EQ(r.out.trimmed(), file);
        const QMap<QString, QString> tags = vorbisComments(file);
        EXPECT_EQ(tags.value(QStringLiteral("TITLE")), QStringLiteral("Middle Ünï"));
        // Measured on the way to the encoder, or beside one that reads the file itself.
        const QString gain = tags.value(QString::fromLatin1(c.trackGain)).section(u' ', 0, 0);
        ASSERT_FALSE(gain.isEmpty()) << tags.keys().join(u' ').toStdString();
        EXPECT_NEAR(gain.toDouble() * c.unit, c.reference - loudness, 0.1);
        if (format == QLatin1String("opus")) {
            EXPECT_TRUE(tags.contains(QStringLiteral("METADATA_BLOCK_PICTURE")));
        }
        if (format != QLatin1String("flac"))
            continue;
        const QString picture = work.filePath(QStringLiteral("picture"));
        ASSERT_EQ(QProcess::execute(QStringLiteral("metaflac"),
                                    {QStringLiteral("--export-picture-to=") + picture, file}),
                  0);
        EXPECT_TRUE(readFile(picture) == cover) << "the cover is not the image beside";
    }
}

TEST_F(CliE2E, BadArgumentsAndMissingFilesGiveOneLineAndAStatus)
{
    const QString missing = work.filePath(QStringLiteral("nothing.cue"));
    const QString notes = work.filePath(QStringLiteral("notes.cue"));
    ASSERT_TRUE(writeFile(notes, "these are notes, not a disc\n"));
    struct Case {
        QStringList args;
        int code;
        const char* says;
        QString imagesVariable = {}; // $QUILLON_CD_IMAGES
    } cases[] = {
        {{u"rip"_s}, 2, "unknown command"},
        {{u"extract"_s, u"--format"_s, u"aiff"_s, u"--cd-image"_s, cue},
         2,
         "mp3, wav, ogg, wma, flac or opus"},
        {{u"extract"_s, u"--cd-image"_s, cue, u"--name-template"_s, u"%titel%"_s},
         2,
         "%titel% is no field"},
        {{u"extract"_s, u"--cd-image"_s, cue, u"--tracks"_s, u"2-9"_s}, 2, "tracks 1 to 3"},
        {{u"extract"_s, u"--cd-image"_s, cue, u"--tracks"_s, u"x"_s}, 2, "ranges like"},
        {{u"extract"_s, u"--cd-image"_s, cue, u"--tracks"_s, u"3-1"_s},
         2,
         "a range counts upwards, as in 1-3"},
        {{u"extract"_s, u"--cd-image"_s, cue, u"--output"_s, notes}, 1, "is a file"},
        {{u"toc"_s, u"--cd-image"_s, notes}, 1, "not a disc image that can be opened"},
        {{u"drives"_s}, 1, "no such file", missing},
        {{u"toc"_s, u"--cd-image"_s, cue}, 1, "no such file", missing},
        {{u"extract"_s, u"--drive"_s, u"0"_s}, 2, "--drive"},
        {{u"extract"_s, u"--drive"_s, u"1"_s, u"--cd-image"_s, cue}, 2, "either"},
        {{u"extract"_s, u"--cd-image"_s}, 2, "needs a value"},
        {{u"toc"_s, u"--format"_s, u"mp3"_s}, 2, "unknown option --format"},
        {{u"convert"_s, u"--to"_s, u"mp3"_s}, 2, "input file"},
        {{u"convert"_s, work.filePath(QStringLiteral("a.wav"))}, 2, "--to"},
        {{u"drives"_s, u"--overwrite"_s, u"--no-overwrite"_s}, 2, "unknown option"},
        {{u"toc"_s, u"--cd-image"_s, missing}, 1, "no such file"},
        {{u"extract"_s, u"--cd-image"_s, missing}, 1, "no such file"},
        {{u"convert"_s, u"--to"_s, u"wma"_s, work.filePath(QStringLiteral("absent.wav"))},
         1,
         "cannot read"},
        {{u"toc"_s, u"--drive"_s, u"99"_s, u"--cd-image"_s, cue, u"--cd-image"_s, cue},
         2,
         "either"},
        {{u"offset"_s, u"--cd-image"_s, cue}, 2, "offset needs --find"},
        {{u"offset"_s, u"--find"_s, u"--offset"_s, u"5"_s}, 2, "unknown option --offset"},
        {{u"verify"_s, u"--offset"_s, u"5881"_s, u"--cd-image"_s, cue},
         2,
         "samples from -5880 to +5880"},
        {{u"verify"_s, u"--read-mode"_s, u"fast"_s, u"--cd-image"_s, cue},
         2,
         "burst, secure or auto"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QProcessEnvironment runEnv = env;
        if (!c.imagesVariable.isEmpty())
            runEnv.insert(QStringLiteral("QUILLON_CD_IMAGES"), c.imagesVariable);
        const ProgramRun r = runProgram(binDir() + QStringLiteral("/quillon"), c.args, runEnv);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_TRUE(endsWithOneLineReason(r.err)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.says))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        // A path is named once, not once by us and again by the library.
        for (const QString& path : {missing, notes})
            EXPECT_LE(r.err.count(path), 1) << r.err.toStdString();
    }
}

TEST_F(CliE2E, HelpDrivesAndToc)
{
    for (const char* command : {"", "drives", "toc", "extract", "convert", "offset", "verify"}) {
        SCOPED_TRACE(command);
        QStringList args;
        if (*command)
            args << QString::fromLatin1(command);
        args << QStringLiteral("--help");
        const ProgramRun r = quillon(args);
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: quillon"))) << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty());
    }
    ProgramRun r = quillon({QStringLiteral("drives"), QStringLiteral("--cd-image"), cue});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(cue + QStringLiteral("  "))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("(image)")));

    r = quillon({QStringLiteral("toc"), QStringLiteral("--cd-image"), cue});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression(QStringLiteral("Disc key: -?\\d+\\n"))))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QRegularExpression(QStringLiteral("CDDB disc id: [0-9a-f]{8}\\n"))))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Tracks: 3"))) << r.out.toStdString();
    // Track 2 lasts 1.5 s: 112.5 sectors, rounded by the image to whole sectors.
    EXPECT_TRUE(r.out.contains(
        QRegularExpression(QStringLiteral("\\n +2 +00:01\\.5[01] +\\d+  Middle Ünï\\n"))))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Cli Band"))) << r.out.toStdString();
}

TEST_F(CliE2E, InstalledProgramWorksAndKeepsItsFilesPerUser)
{
    if (!haveProgram(QStringLiteral("cmake")))
        GTEST_SKIP() << "cmake is not installed";
    const QString build = QDir::cleanPath(binDir() + QStringLiteral("/.."));
    const QString prefix = work.filePath(QStringLiteral("prefix"));
    QProcess install;
    install.start(QStringLiteral("cmake"),
                  {QStringLiteral("--install"), build, QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(240000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
    for (const char* path :
         {"bin/quillon", "bin/quillon-wmaenc", "share/applications/quillon.desktop",
          "share/icons/hicolor/scalable/apps/quillon.svg", "share/quillon/lang/CLan_English.ini",
          "share/quillon/help/index.html", "share/man/man1/quillon.1"})
        EXPECT_TRUE(QFileInfo::exists(prefix + QLatin1Char('/') + QLatin1String(path))) << path;
    // The manual page says word for word what --help says.
    QString manual =
        QString::fromUtf8(readFile(prefix + QStringLiteral("/share/man/man1/quillon.1")));
    manual.replace(QStringLiteral("\\-"), QStringLiteral("-"))
        .replace(QStringLiteral("\\&"), QString())
        .replace(QStringLiteral("\\e"), QStringLiteral("\\"));
    for (const char* command : {"", "drives", "toc", "extract", "convert", "resample"}) {
        QStringList args;
        if (*command)
            args << QString::fromLatin1(command);
        const ProgramRun help = quillon(args << QStringLiteral("--help"));
        ASSERT_EQ(help.code, 0);
        EXPECT_TRUE(manual.contains(help.out)) << command;
    }
    const QStringList binBefore = QDir(prefix + QStringLiteral("/bin")).entryList(QDir::Files);

    // The per-user folder holds the settings: its output folder is used.
    QProcessEnvironment userEnv = env;
    userEnv.remove(QStringLiteral("QUILLON_HOME"));
    const QString data = work.filePath(QStringLiteral("xdg"));
    userEnv.insert(QStringLiteral("XDG_DATA_HOME"), data);
    userEnv.insert(QStringLiteral("HOME"), work.filePath(QStringLiteral("userhome")));
    QDir().mkpath(data + QStringLiteral("/quillon"));
    const QString outDir = work.filePath(QStringLiteral("from-ini"));
    ASSERT_TRUE(writeFile(
        data + QStringLiteral("/quillon/options.ini"),
        // No titles are stored for the disc here: no lookup on the network either.
        (QStringLiteral("[CommonOptions]\nOutputFolder=%1\nOutputFormat=3\n[Lookup]\nAuto=0\n")
             .arg(outDir) +
         QLatin1String(quillon::test::kPlainReadsIni))
            .toUtf8()));
    const ProgramRun r = runProgram(prefix + QStringLiteral("/bin/quillon"),
                                    {QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                                     QStringLiteral("--tracks"), QStringLiteral("3")},
                                    userEnv);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_GT(QFileInfo(outDir + QStringLiteral("/Track03.wma")).size(), 1000)
        << r.out.toStdString();
    EXPECT_EQ(QDir(prefix + QStringLiteral("/bin")).entryList(QDir::Files), binBefore);
}

} // namespace
