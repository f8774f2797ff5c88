// quillon resample as a user runs it: the binary on WAV files made by sox,
// with the files it writes, what it prints and its exit status checked.
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

struct CliResample : ::testing::Test {
    QTemporaryDir work;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    void SetUp() override
    {
        if (!QFile::exists(binDir() + QStringLiteral("/quillon")) ||
            !haveProgram(QStringLiteral("sox")))
            GTEST_SKIP() << "quillon or sox is missing";
        env.insert(QStringLiteral("QUILLON_HOME"), work.filePath(QStringLiteral("home")));
        QDir().mkpath(work.filePath(QStringLiteral("home")));
    }
    QString wav(const QString& name, int rate, int channels, int bits) const
    {
        const QString path = work.filePath(name);
        QProcess::execute(QStringLiteral("sox"),
                          {u"-n"_s, u"-r"_s, QString::number(rate), u"-c"_s,
                           QString::number(channels), u"-b"_s, QString::number(bits), u"-e"_s,
                           bits == 8 ? u"unsigned-integer"_s : u"signed-integer"_s, path,
                           u"synth"_s, u"1"_s, u"sine"_s, u"440"_s, u"vol"_s, u"0.5"_s});
        return path;
    }
    Outcome quillon(const QStringList& args) const
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(binDir() + QStringLiteral("/quillon"), QStringList{u"resample"_s} + args);
        p.closeWriteChannel();
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    static QString soxInfo(const QString& path)
    {
        QStringList info;
        for (const char* what : {"-r", "-c", "-b", "-e"}) {
            QProcess p;
            p.start(QStringLiteral("sox"), {u"--i"_s, QLatin1String(what), path});
            p.waitForFinished(60000);
            info << QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        }
        return info.join(QLatin1Char(' '));
    }
};

TEST_F(CliResample, WritesTheWantedFormatAndReplacesOnlyWhenTold)
{
    const QString a = wav(QStringLiteral("a.wav"), 22050, 2, 16);
    const QString b = wav(QStringLiteral("b.wav"), 48000, 1, 8);
    const QString outDir = work.filePath(QStringLiteral("out"));
    struct Case {
        QStringList options;
        QString aInfo, bInfo; // what sox reads in the outputs
    } cases[] = {
        {{u"--rate"_s, u"44100"_s},
         QStringLiteral("44100 2 16 Signed Integer PCM"),
         QStringLiteral("44100 1 8 Unsigned Integer PCM")},
        {{u"--rate=32000"_s, u"--channels"_s, u"1"_s, u"--bits"_s, u"8"_s},
         QStringLiteral("32000 1 8 Unsigned Integer PCM"),
         QStringLiteral("32000 1 8 Unsigned Integer PCM")},
        {{u"--rate"_s, u"16000"_s, u"--channels"_s, u"2"_s, u"--adpcm"_s},
         QStringLiteral("16000 2 4 IMA ADPCM"),
         QStringLiteral("16000 2 4 IMA ADPCM")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(QLatin1Char(' ')).toStdString());
        const Outcome r =
            quillon(c.options + QStringList{u"--overwrite"_s, u"--output"_s, outDir, a, b});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, outDir + QStringLiteral("/a.wav\n") + outDir + QStringLiteral("/b.wav\n"));
        EXPECT_EQ(soxInfo(outDir + QStringLiteral("/a.wav")), c.aInfo);
        EXPECT_EQ(soxInfo(outDir + QStringLiteral("/b.wav")), c.bInfo);
    }
    // Without --overwrite (and no terminal to ask on) an existing output is
    // kept and the file skipped; the rest is made. No temporary file stays.
    ASSERT_TRUE(writeFile(outDir + QStringLiteral("/a.wav"), "mine"));
    QFile::remove(outDir + QStringLiteral("/b.wav"));
    const Outcome r = quillon({QStringLiteral("--rate"), u"44100"_s, u"--output"_s, outDir, a, b});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, outDir + QStringLiteral("/b.wav\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("1 of 2 files made; 1 skipped")))
        << r.err.toStdString();
    EXPECT_EQ(readFile(outDir + QStringLiteral("/a.wav")), "mine");
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files | QDir::Hidden),
              QStringList({u"a.wav"_s, u"b.wav"_s}));
}

TEST_F(CliResample, BadArgumentsAndInputsGiveAReasonAndAStatus)
{
    const QString a = wav(QStringLiteral("a.wav"), 22050, 1, 16);
    const QString junk = work.filePath(QStringLiteral("junk.wav"));
    ASSERT_TRUE(writeFile(junk, "RIFF....not really"));
    const QString outDir = work.filePath(QStringLiteral("out"));
    struct Case {
        QStringList args;
        int code;
        const char* says;
        bool aMade; // out/a.wav is made all the same
    } cases[] = {
        {{a}, 2, "needs --rate", false},
        {{u"--rate"_s, u"44100"_s}, 2, "at least one input file", false},
        {{u"--rate"_s, u"fast"_s, a}, 2, "--rate takes a number", false},
        {{u"--rate"_s, u"100"_s, a}, 2, "--rate takes a number from 1000", false},
        {{u"--rate"_s, u"44100"_s, u"--channels"_s, u"3"_s, a},
         2,
         "--channels takes 1 or 2",
         false},
        {{u"--rate"_s, u"44100"_s, u"--bits"_s, u"24"_s, a}, 2, "--bits takes 8 or 16", false},
        {{u"--rate"_s, u"44100"_s, u"--bits"_s, u"8"_s, u"--adpcm"_s, a}, 2, "16 bit", false},
        {{u"--rate"_s, u"44100"_s, u"--to"_s, u"mp3"_s, a}, 2, "unknown option --to", false},
        {{u"--rate"_s, u"44100"_s, u"--output"_s, work.path(), a},
         2,
         "would replace an input",
         false},
        {{u"--rate"_s, u"44100"_s, u"--output"_s, outDir,
          work.filePath(QStringLiteral("absent.wav"))},
         1,
         "cannot read",
         false},
        {{u"--rate"_s, u"44100"_s, u"--output"_s, outDir, junk, a},
         1,
         "1 of 2 files made; 1 failed",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QDir(outDir).removeRecursively();
        const Outcome r = quillon(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.err.trimmed().split(u'\n').last().startsWith(u"quillon: "))
            << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.says))) << r.err.toStdString();
        EXPECT_EQ(QFile::exists(outDir + QStringLiteral("/a.wav")), c.aMade);
        EXPECT_EQ(r.out, c.aMade ? outDir + QStringLiteral("/a.wav\n") : QString());
    }
}

TEST_F(CliResample, InputsOfOneNameAreNamedAsAConversionJobNamesThem)
{
    const QString a = wav(QStringLiteral("a.wav"), 22050, 1, 16);
    QDir().mkpath(work.filePath(QStringLiteral("other")));
    const QString other = work.filePath(QStringLiteral("other/a.wav"));
    ASSERT_TRUE(QFile::copy(a, other));
    const QString outDir = work.filePath(QStringLiteral("out"));
    const Outcome r = quillon({u"--rate"_s, u"44100"_s, u"--output"_s, outDir, a, other});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, outDir + u"/a.wav\n"_s + outDir + u"/a (2).wav\n"_s);
}

} // namespace
