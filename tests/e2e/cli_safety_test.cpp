// Nothing lost, nothing half-made: the quillon binary on generated disc
// images and sox-made WAV files. A user's own files survive, --no-overwrite
// keeps existing outputs byte for byte, an interrupt at any step leaves only
// complete files, a size limit is reported with the system's reason, odd
// titles make one file per track, and WAV files wider than 16 bits are
// converted as sox converts them (or refused with a reason).
#include "encoders/encoder_commands.h"
#include "program_run.h"
#include "settings/options_setting.h"
#include "support/test_support.h"

#include "../audio/vorbis_test_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

constexpr qint64 kBytesPerSecond = 176400;
// lame's decoder may add or drop up to a frame's worth at either end.
constexpr qint64 kMp3Slack = 2 * 1152 * 4;

struct CliSafety : ::testing::Test {
    QTemporaryDir work;
    QString home;
    QString cue;
    QString outDir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    void SetUp() override
    {
        if (!QFile::exists(binDir() + QStringLiteral("/quillon")))
            GTEST_SKIP() << "quillon is not built";
        home = work.filePath(QStringLiteral("home"));
        outDir = work.filePath(QStringLiteral("out"));
        QDir().mkpath(home);
        QDir().mkpath(outDir);
        // These tests are about files, not verification: plain reads, no log.
        ASSERT_TRUE(writeFile(home + QStringLiteral("/options.ini"), kPlainReadsIni));
        env.insert(QStringLiteral("QUILLON_HOME"), home);
        env.remove(QStringLiteral("QUILLON_CD_IMAGES"));
    }
    // A disc of whole-second tracks ("2s:tone:440") with stored titles.
    void makeDisc(const QStringList& tracks, const QStringList& titles)
    {
        cue = work.filePath(QStringLiteral("disc.cue"));
        QStringList args = QStringList{cue} + tracks;
        args << QStringLiteral("--titles") << home + QStringLiteral("/cdinfo.dat");
        for (const QString& t : titles)
            args << QStringLiteral("--title") << t;
        ASSERT_EQ(QProcess::execute(binDir() + QStringLiteral("/quillon-discgen"), args), 0);
    }
    ProgramRun quillon(const QStringList& args, const std::function<void()>& childSetup = {}) const
    {
        return runProgram(binDir() + QStringLiteral("/quillon"), args, env, childSetup);
    }
    ProgramRun extract(const QString& format, const QStringList& more = {}) const
    {
        return quillon(QStringList{QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                                   QStringLiteral("--format"), format, QStringLiteral("--output"),
                                   outDir} +
                       more);
    }
    QString out(const QString& name) const { return outDir + QLatin1Char('/') + name; }
    QStringList filesInOut() const
    {
        return QDir(outDir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

// Bytes of 16-bit stereo sound a file holds when decoded (its WAV data for a
// WAV file), or -1 when it cannot be decoded.
qint64 decodedBytes(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix();
    if (suffix == QLatin1String("ogg"))
        return vorbistest::oggdecDecode(file).size();
    QByteArray wav;
    if (suffix == QLatin1String("mp3")) {
        QProcess lame;
        lame.start(QStringLiteral("lame"), {QStringLiteral("--decode"), QStringLiteral("--quiet"),
                                            file, QStringLiteral("-")});
        lame.waitForFinished(60000);
        wav = lame.readAllStandardOutput();
    } else {
        wav = readFile(file);
    }
    if (wav.size() < 44 || !wav.startsWith("RIFF"))
        return -1;
    // lame writes 0 for a length it could not seek back to.
    const quint32 stated = qFromLittleEndian<quint32>(wav.constData() + 40);
    return stated == 0 || suffix == QLatin1String("mp3") ? wav.size() - 44 : qint64(stated);
}

TEST_F(CliSafety, AUsersFilesSurviveAndNoOverwriteKeepsThemByteForByte)
{
    if (!haveProgram(QStringLiteral("lame")))
        GTEST_SKIP() << "lame is not installed";
    makeDisc({QStringLiteral("2s:tone:440"), QStringLiteral("2s:noise:3"),
              QStringLiteral("2s:tone:880")},
             {QStringLiteral("Opening"), QStringLiteral("Middle"), QStringLiteral("Closing")});
    ASSERT_TRUE(writeFile(out(QStringLiteral("Opening.wav")), "my own recording"));
    ASSERT_TRUE(writeFile(out(QStringLiteral("Closing.mp3")), "an older closing"));

    ProgramRun r = extract(QStringLiteral("mp3"), {QStringLiteral("--no-overwrite")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, out(QStringLiteral("Opening.mp3")) + QLatin1Char('\n') +
                         out(QStringLiteral("Middle.mp3")) + QLatin1Char('\n'));
    EXPECT_TRUE(
        r.err.contains(out(QStringLiteral("Closing.mp3")) + QStringLiteral(" exists and was kept")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("2 of 3 tracks made; 1 skipped")));
    EXPECT_EQ(readFile(out(QStringLiteral("Opening.wav"))), "my own recording");
    EXPECT_EQ(readFile(out(QStringLiteral("Closing.mp3"))), "an older closing");
    EXPECT_EQ(decodedBytes(out(QStringLiteral("Middle.mp3"))), 2 * kBytesPerSecond);

    // Without a terminal and without flags nothing is replaced either, files
    // of an earlier run included.
    const QByteArray opening = readFile(out(QStringLiteral("Opening.mp3")));
    r = extract(QStringLiteral("mp3"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(readFile(out(QStringLiteral("Opening.mp3"))), opening);
    EXPECT_EQ(readFile(out(QStringLiteral("Closing.mp3"))), "an older closing");

    r = extract(QStringLiteral("mp3"), {QStringLiteral("--overwrite")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(decodedBytes(out(QStringLiteral("Closing.mp3"))), 2 * kBytesPerSecond);
    EXPECT_EQ(readFile(out(QStringLiteral("Opening.wav"))), "my own recording");
    EXPECT_EQ(filesInOut(),
              QStringList({u"Closing.mp3"_s, u"Middle.mp3"_s, u"Opening.mp3"_s, u"Opening.wav"_s}));
}

TEST_F(CliSafety, TitlesWithSlashesAndTwinsGiveOneFilePerTrack)
{
    makeDisc({QStringLiteral("1s:tone:440"), QStringLiteral("1s:tone:550"),
              QStringLiteral("1s:tone:660"), QStringLiteral("1s:tone:770"),
              QStringLiteral("1s:tone:880")},
             {QStringLiteral("AC/DC"), QStringLiteral("Same"), QStringLiteral("Same"),
              QStringLiteral("..."), QStringLiteral("Back In Black / Live")});
    const ProgramRun r = extract(QStringLiteral("wav"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList names = {u"AC-DC.wav"_s, u"Same.wav"_s, u"Same (2).wav"_s, u"Track04.wav"_s,
                               u"Back In Black - Live.wav"_s};
    QStringList listed;
    for (const QString& n : names) {
        listed << out(n);
        EXPECT_EQ(decodedBytes(out(n)), kBytesPerSecond) << n.toStdString();
    }
    EXPECT_EQ(r.out, listed.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    EXPECT_EQ(filesInOut().size(), 5);
    // The status lines keep the real titles.
    EXPECT_TRUE(r.err.contains(QStringLiteral("Extracting(01/05): AC/DC"))) << r.err.toStdString();
}

// SIGINT at a chosen step: when stderr shows the step's line, the signal is
// sent. Whatever the moment, every file left is complete and no temporary
// file remains, and after an interrupt no later track is begun.
TEST_F(CliSafety, InterruptAtAnyStepLeavesOnlyCompleteFiles)
{
    makeDisc({QStringLiteral("20s:noise:1"), QStringLiteral("20s:tone:440"),
              QStringLiteral("20s:noise:2")},
             {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
    struct Case {
        const char* format;
        const char* program; // needed to decode and check the files
        const char* line;    // the step to interrupt
        int track;           // the track of that step
        bool normalize;
    } cases[] = {
        {"wav", nullptr, "Extracting(02/03): Two", 2, false},
        {"wav", nullptr, "Normalizing(02/03): Two", 2, true},
        {"mp3", "lame", "Encoding(01/03): One", 1, false},
        {"mp3", "lame", "Extracting(02/03): Two", 2, false},
        {"mp3", "lame", "Encoding(03/03): Three", 3, false},
        {"ogg", "oggdec", "Encoding(02/03): Two", 2, false},
        {"ogg", "oggdec", "Extracting(03/03): Three", 3, false},
    };
    const QStringList titles = {u"One"_s, u"Two"_s, u"Three"_s};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SCOPED_TRACE(c.format);
        if (c.program && !haveProgram(QString::fromLatin1(c.program)))
            continue;
        QDir(outDir).removeRecursively();
        QDir().mkpath(outDir);
        ASSERT_TRUE(writeFile(
            home + QStringLiteral("/options.ini"),
            (QStringLiteral("[CommonOptions]\nIsNormalize=%1\n").arg(c.normalize ? 1 : 0) +
             QLatin1String(quillon::test::kPlainReadsIni))
                .toUtf8()));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(binDir() + QStringLiteral("/quillon"),
                {QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                 QStringLiteral("--format"), QString::fromLatin1(c.format),
                 QStringLiteral("--output"), outDir});
        p.closeWriteChannel();
        QByteArray err;
        while (!err.contains(c.line) && p.state() != QProcess::NotRunning) {
            p.waitForReadyRead(100);
            err += p.readAllStandardError();
        }
        ASSERT_TRUE(err.contains(c.line)) << err.toStdString();
        ::kill(pid_t(p.processId()), SIGINT);
        ASSERT_TRUE(p.waitForFinished(60000));
        err += p.readAllStandardError();
        const QStringList listed =
            QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(p.exitStatus(), QProcess::NormalExit);
        // The job may have ended on its own just before the signal arrived.
        ASSERT_TRUE(p.exitCode() == 130 || p.exitCode() == 0) << err.toStdString();
        if (p.exitCode() == 130) {
            EXPECT_TRUE(err.contains("quillon: Stopped;")) << err.toStdString();
        }
        QStringList made;
        for (int t = 0; t < 3; ++t) {
            const QString file = out(titles[t] + QLatin1Char('.') + QLatin1String(c.format));
            if (!QFile::exists(file))
                continue;
            made << file;
            const qint64 expected = 20 * kBytesPerSecond;
            const qint64 got = decodedBytes(file);
            const qint64 slack = QLatin1String(c.format) == QLatin1String("mp3") ? kMp3Slack : 0;
            EXPECT_LE(std::abs(got - expected), slack) << file.toStdString();
            if (p.exitCode() == 130) {
                EXPECT_LE(t + 1, c.track + 1) << "a track after the interrupt was begun";
            }
        }
        EXPECT_EQ(listed, made);
        EXPECT_EQ(filesInOut(), QDir(outDir).entryList(QDir::Files, QDir::Name))
            << "temporary files are left";
    }
}

TEST_F(CliSafety, AFileSizeLimitIsSaidWithTheSystemsReasonAndLeavesNoPartialFile)
{
    makeDisc({QStringLiteral("1s:tone:440"), QStringLiteral("10s:noise:4")},
             {QStringLiteral("Short"), QStringLiteral("Long")});
    // Applies to quillon and to the encoders it starts.
    const auto limitTo = [](rlim_t bytes) {
        return [bytes] {
            const rlimit limit{bytes, bytes};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        };
    };
    ProgramRun r = quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                            QStringLiteral("--format"), QStringLiteral("wav"),
                            QStringLiteral("--output"), outDir},
                           limitTo(1000000));
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    // One summary at the end, the failure's reason on the track's line.
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("quillon: 1 of 2 tracks made; 1 failed\n"
                                              "quillon: Long: cannot write %1: File too large\n")
                                   .arg(out(QStringLiteral("Long.wav")))))
        << r.err.toStdString();
    EXPECT_EQ(r.out, out(QStringLiteral("Short.wav")) + QLatin1Char('\n'));
    EXPECT_EQ(filesInOut(), QStringList{QStringLiteral("Short.wav")});

    if (!haveProgram(QStringLiteral("lame")))
        return;
    // lame itself runs into the limit: it says only "Error writing", so the
    // reason is learnt from the system.
    const QString wavDir = work.filePath(QStringLiteral("wav"));
    r = quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                 QStringLiteral("--tracks"), QStringLiteral("2"), QStringLiteral("--format"),
                 QStringLiteral("wav"), QStringLiteral("--output"), wavDir});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QDir(outDir).removeRecursively();
    r = quillon({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("mp3"),
                 QStringLiteral("--output"), outDir, wavDir + QStringLiteral("/Long.wav")},
                limitTo(60000));
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(
        QStringLiteral("cannot write %1: File too large").arg(out(QStringLiteral("Long.mp3")))))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QLatin1Char('\033')));
    EXPECT_TRUE(filesInOut().isEmpty()) << filesInOut().join(u' ').toStdString();
}

// sox's WAV files wider than 16 bits: WAVE_FORMAT_EXTENSIBLE for 24 and 32
// bits, plain IEEE float for float; and a plain 24-bit file made from the
// extensible one.
QByteArray plainFromExtensible(const QByteArray& wav)
{
    const qsizetype fmt = wav.indexOf("fmt ");
    const quint32 length = qFromLittleEndian<quint32>(wav.constData() + fmt + 4);
    QByteArray body = wav.mid(fmt + 8, 16);
    body.replace(0, 2, wav.mid(fmt + 8 + 24, 2)); // the sub-format's tag
    QByteArray rest = wav.mid(fmt + 8 + length);
    QByteArray out = wav.left(fmt) + QByteArray("fmt ") + QByteArray("\x10\0\0\0", 4) + body + rest;
    qToLittleEndian<quint32>(quint32(out.size() - 8), out.data() + 4);
    return out;
}

TEST_F(CliSafety, WideWavFilesConvertAsSoxConvertsThemOrAreRefused)
{
    if (!haveProgram(QStringLiteral("sox")) || !haveProgram(QStringLiteral("lame")) ||
        !haveProgram(QStringLiteral("oggdec")))
        GTEST_SKIP() << "sox, lame or vorbis-tools missing";
    const auto sox = [](const QStringList& args) {
        return QProcess::execute(QStringLiteral("sox"), args);
    };
    struct Case {
        const char* name;
        QStringList soxFormat; // how sox writes the input
        bool plain;            // rewritten as a plain (non-extensible) file
    } cases[] = {
        {"s24ext", {u"-b"_s, u"24"_s, u"-e"_s, u"signed-integer"_s}, false},
        {"s24", {u"-b"_s, u"24"_s, u"-e"_s, u"signed-integer"_s}, true},
        {"s32ext", {u"-b"_s, u"32"_s, u"-e"_s, u"signed-integer"_s}, false},
        {"f32", {u"-b"_s, u"32"_s, u"-e"_s, u"floating-point"_s}, false},
        {"f64", {u"-b"_s, u"64"_s, u"-e"_s, u"floating-point"_s}, false},
    };
    const QString refDir = work.filePath(QStringLiteral("ref"));
    QDir().mkpath(refDir);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        const QString in = work.filePath(name + QStringLiteral(".wav"));
        ASSERT_EQ(sox(QStringList{u"-n"_s, u"-r"_s, u"44100"_s, u"-c"_s, u"2"_s} + c.soxFormat +
                      QStringList{in, u"synth"_s, u"3"_s, u"sine"_s, u"440"_s, u"sine"_s, u"1000"_s,
                                  u"vol"_s, u"0.9"_s}),
                  0);
        if (c.plain) {
            ASSERT_TRUE(writeFile(in, plainFromExtensible(readFile(in))));
        }
        // sox's own 16-bit version, without dither, converted by lame alike.
        const QString ref16 = refDir + QLatin1Char('/') + name + QStringLiteral(".wav");
        ASSERT_EQ(sox({QStringLiteral("-D"), in, u"-b"_s, u"16"_s, ref16}), 0);
        const QString refMp3 = refDir + QLatin1Char('/') + name + QStringLiteral(".mp3");
        ASSERT_EQ(QProcess::execute(QStringLiteral("lame"),
                                    QStringList{u"--quiet"_s} +
                                        Mp3EncodeArguments(TOptionsSetting{}, ref16, refMp3)),
                  0);
        for (const char* to : {"mp3", "ogg"}) {
            SCOPED_TRACE(to);
            const ProgramRun r =
                quillon({QStringLiteral("convert"), QStringLiteral("--to"), QString::fromLatin1(to),
                         QStringLiteral("--output"), outDir, in});
            ASSERT_EQ(r.code, 0) << r.err.toStdString();
            const QString made = out(name + QLatin1Char('.') + QLatin1String(to));
            EXPECT_LE(std::abs(decodedBytes(made) - 3 * kBytesPerSecond), kMp3Slack);
        }
        // Integer samples are narrowed exactly as sox does: the MP3 is the
        // very one lame makes of sox's conversion. Float may differ by one
        // step in a rare sample; its decoded sound is compared instead.
        const QString ourMp3 = out(name + QStringLiteral(".mp3"));
        ASSERT_GT(readFile(refMp3).size(), 1000);
        if (name.startsWith(QLatin1Char('s'))) {
            // Ours carries its title in an ID3v2 tag first.
            const QByteArray ours = readFile(ourMp3);
            ASSERT_TRUE(ours.startsWith("ID3"));
            const auto tagSize = 10 + ((ours[6] & 0x7f) << 21 | (ours[7] & 0x7f) << 14 |
                                       (ours[8] & 0x7f) << 7 | (ours[9] & 0x7f));
            EXPECT_TRUE(ours.mid(tagSize) == readFile(refMp3));
        } else {
            EXPECT_EQ(decodedBytes(ourMp3), decodedBytes(refMp3));
        }
        // The Vorbis file sounds like sox's conversion.
        const QByteArray ours = vorbistest::oggdecDecode(out(name + QStringLiteral(".ogg")));
        const QByteArray theirs = readFile(ref16).mid(44);
        EXPECT_GT(vorbistest::correlation(ours, theirs), 0.99);
    }

    // What cannot be converted is said in one line each, with no file left.
    const QString five = work.filePath(QStringLiteral("five.wav"));
    ASSERT_EQ(sox({QStringLiteral("-n"), u"-r"_s, u"44100"_s, u"-c"_s, u"5"_s, u"-b"_s, u"16"_s,
                   five, u"synth"_s, u"1"_s, u"sine"_s, u"440"_s}),
              0);
    const QString mp3 = out(QStringLiteral("s24ext.mp3"));
    QDir(work.filePath(QStringLiteral("refused"))).removeRecursively();
    const QString refused = work.filePath(QStringLiteral("refused"));
    struct Refusal {
        const char* to;
        QString input;
        QString says;
    } refusals[] = {
        {"ogg", five, five + QStringLiteral(" has 5 channels")},
        {"ogg", mp3, mp3 + QStringLiteral(" is an MP3 file, not a WAV file")},
        {"wma", mp3, mp3 + QStringLiteral(" is an MP3 file, not a WAV file")},
        {"mp3", QStringLiteral("/etc/passwd"), QStringLiteral("/etc/passwd is not a WAV file")},
        {"wav", QStringLiteral("/etc/passwd"), QStringLiteral("/etc/passwd is not an MP3 file")},
    };
    for (const auto& f : refusals) {
        SCOPED_TRACE(f.says.toStdString());
        const ProgramRun r =
            quillon({QStringLiteral("convert"), QStringLiteral("--to"), QString::fromLatin1(f.to),
                     QStringLiteral("--output"), refused, f.input});
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("quillon: ") + f.says)) << r.err.toStdString();
        // Only our own lines: no library or toolkit warnings.
        for (const QString& line : r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            EXPECT_TRUE(line.startsWith(QStringLiteral("quillon: "))) << line.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(QDir(refused).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST_F(CliSafety, AnUnwritableOutputFolderIsSaidOnceBeforeAnythingIsRead)
{
    // sysfs refuses new files even to root, where permissions would not.
    const QString folder = QStringLiteral("/sys/kernel");
    if (!QFileInfo(folder).isDir())
        GTEST_SKIP() << "no sysfs";
    makeDisc({QStringLiteral("1s:tone:440"), QStringLiteral("1s:tone:550")},
             {QStringLiteral("A"), QStringLiteral("B")});
    const ProgramRun r = quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                                  QStringLiteral("--format"), QStringLiteral("wav"),
                                  QStringLiteral("--output"), folder});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("quillon: cannot write into /sys/kernel: Permission denied\n"));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CliSafety, VersionAndNoDisplay)
{
    ProgramRun r = quillon({QStringLiteral("--version")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringLiteral("quillon 2.5\n"));
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    r = quillon({});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("quillon: there is no display")))
        << r.err.toStdString();
}

} // namespace
