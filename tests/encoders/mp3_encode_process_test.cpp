// The MP3 encoder process with Debian's real lame: encode, decode, a missing
// lame, a failing lame, and stopping a step.

#include "encoder_fixtures.h"
#include "report_sink.h"

#include "encoders/mp3_encode_process.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using quillon::test::haveProgram;
using quillon::test::readFile;
using quillon::test::writeFile;

namespace {

class Mp3Process : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveProgram(QStringLiteral("lame")))
            GTEST_SKIP() << "lame is not installed";
        OptionsSetting = TOptionsSetting{};
        ASSERT_TRUE(dir.isValid());
        encoder.ProgramFolders = {dir.filePath(QStringLiteral("beside"))};
    }
    QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }
    // lame prints many lines per percent (one per frame when decoding): a
    // step reports each percentage once, rising.
    void expectEachPercentOnce() const
    {
        const std::vector<int> p = sink.progress();
        EXPECT_TRUE(std::adjacent_find(p.begin(), p.end(), std::greater_equal<>()) == p.end());
    }
    void prepare(const QString& in, const QString& out, bool encode, quint8 kind)
    {
        prepareStep(encoder, &sink, in, out, encode, kind);
    }

    QTemporaryDir dir;
    ReportSink sink;
    ScopedPrompts prompts;
    TMp3EncodeProcess encoder;
};

} // namespace

TEST_F(Mp3Process, EncodesAndDecodesWithRealLame)
{
    const QString wav = file("tone.wav");
    ASSERT_TRUE(writeWav(wav, 44100, 2, 16, 5.0));

    prepare(wav, file("tone.mp3"), true, 2);
    encoder.StartEncoder();
    EXPECT_TRUE(encoder.isRunning());
    EXPECT_EQ(encoder.lastCommandLine().left(17), QStringLiteral("/usr/bin/lame -b "));
    ASSERT_TRUE(sink.waitFor(scMp3Done));
    const auto* end = sink.last(scMp3Done);
    EXPECT_EQ(end->info.StepResult, 2);
    EXPECT_TRUE(end->info.Message.isEmpty()) << end->info.Message.toStdString();
    ASSERT_FALSE(sink.progress().empty());
    EXPECT_EQ(sink.progress().back(), 100);
    expectEachPercentOnce();
    EXPECT_FALSE(encoder.isRunning());
    EXPECT_TRUE(encoder.Active); // only StopEncoder clears it

    const QByteArray mp3 = readFile(file("tone.mp3"));
    ASSERT_GT(mp3.size(), 4000);
    // The lame tag frame starts the file: an MPEG-1 layer III frame sync.
    EXPECT_EQ(static_cast<quint8>(mp3[0]), 0xFF);
    EXPECT_EQ(static_cast<quint8>(mp3[1]) & 0xFE, 0xFA);

    sink.reports.clear();
    prepare(file("tone.mp3"), file("back.wav"), false, 3);
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scMp3Done));
    EXPECT_EQ(sink.last(scMp3Done)->info.StepResult, 2);
    ASSERT_FALSE(sink.progress().empty());
    EXPECT_EQ(sink.progress().back(), 100);
    expectEachPercentOnce();
    const QByteArray back = readFile(file("back.wav"));
    ASSERT_GT(back.size(), 44);
    EXPECT_EQ(back.left(4), QByteArray("RIFF"));
    EXPECT_EQ(back.mid(8, 4), QByteArray("WAVE"));
    // Five seconds of 16-bit stereo, give or take the codec's padding.
    EXPECT_NEAR(static_cast<double>(back.size()), 5.0 * 176400, 176400 * 0.1);
}

TEST_F(Mp3Process, WritesTheFileItIsGivenAndNeverAsks)
{
    // The job engine asks about the final name and hands over a temporary
    // file that already exists.
    const QString wav = file("tone.wav");
    ASSERT_TRUE(writeWav(wav, 44100, 1, 16, 0.5));
    for (const quint8 kind : {1, 2, 4}) {
        const QString out = file("given.mp3");
        ASSERT_TRUE(writeFile(out, ""));
        sink.reports.clear();
        prepare(wav, out, true, kind);
        encoder.StartEncoder();
        ASSERT_TRUE(sink.waitFor(scMp3Done)) << int(kind);
        EXPECT_EQ(sink.last(scMp3Done)->info.StepResult, 2);
        EXPECT_TRUE(sink.last(scMp3Done)->info.Message.isEmpty());
        EXPECT_GT(readFile(out).size(), 1000);
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Mp3Process, MissingLameIsAnErrorAtOnce)
{
    const QString empty = file("emptybin");
    ASSERT_TRUE(QDir().mkpath(empty));
    ScopedPath path(empty);
    encoder.ProgramFolders = {empty};
    ASSERT_TRUE(writeWav(file("a.wav"), 44100, 2, 16, 0.2));

    prepare(file("a.wav"), file("a.mp3"), true, 1);
    try {
        encoder.StartEncoder();
        FAIL() << "no error";
    } catch (const EEncoderError& e) {
        EXPECT_STREQ(e.what(), "Error while creating mp3 encoding process!2");
    }
    EXPECT_FALSE(encoder.isRunning());
    sink.settle(200);
    EXPECT_TRUE(sink.reports.empty());
    EXPECT_FALSE(QFile::exists(file("a.mp3")));
}

TEST_F(Mp3Process, LameThatFailsEndsWithoutProgressAndSaysWhy)
{
    // lame takes nearly anything as raw PCM; a file that is not there fails.
    prepare(file("gone.wav"), file("x.mp3"), true, 2);
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scMp3Done));
    EXPECT_EQ(sink.last(scMp3Done)->info.StepResult, 2);
    EXPECT_TRUE(sink.progress().empty());
    EXPECT_TRUE(sink.last(scMp3Done)->info.Message.startsWith(
        QStringLiteral("lame failed with exit code 255: Can't init infile")))
        << sink.last(scMp3Done)->info.Message.toStdString();
}

TEST_F(Mp3Process, AFailureIsToldByTheLastLineThatIsNoProgressLine)
{
    const QString beside = file("beside");
    ASSERT_TRUE(QDir().mkpath(beside));
    // lame's words on a full disk, then a coloured progress line.
    ASSERT_TRUE(
        writeScript(beside + QStringLiteral("/lame"),
                    "printf 'Error writing mp3 output\\n' >&2\n"
                    "printf '\\033[1m   10/767   ( 1%%)|    0:00/    0:07|\\033[0m\\r' >&2\n"
                    "exit 1\n"));
    ASSERT_TRUE(writeWav(file("a.wav"), 44100, 2, 16, 0.2));
    prepare(file("a.wav"), file("a.mp3"), true, 1);
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scMp3Done));
    EXPECT_EQ(sink.last(scMp3Done)->info.Message,
              QStringLiteral("lame failed with exit code 1: Error writing mp3 output"));
}

TEST_F(Mp3Process, ProgramBesideTheExecutableComesBeforePath)
{
    const QString beside = file("beside");
    ASSERT_TRUE(QDir().mkpath(beside));
    // Prints one progress line cut in the middle, as two pipe writes would.
    ASSERT_TRUE(writeScript(beside + QStringLiteral("/lame"),
                            "printf '   767/767   (10'; sleep 0.2\n"
                            "printf '0%%)|    0:07/    0:07|\\r' >&2\n"
                            "printf '0%%)|    0:07/    0:07|\\r'\n"));
    ASSERT_TRUE(writeWav(file("a.wav"), 44100, 2, 16, 0.2));
    prepare(file("a.wav"), file("a.mp3"), true, 1);
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scMp3Done));
    // stdout's line is whole once joined; stderr's lone half has no column.
    ASSERT_EQ(sink.progress(), std::vector<int>{100});
    EXPECT_EQ(sink.reports.front().info.ElapsedText, QStringLiteral("0:07"));
    EXPECT_TRUE(encoder.lastCommandLine().startsWith(beside));
}

TEST_F(Mp3Process, StopTerminatesTheChildAndReportsNothing)
{
    const QString wav = file("long.wav");
    ASSERT_TRUE(writeWav(wav, 44100, 2, 16, 120.0, true));
    OptionsSetting.MpegQuality = 2; // -h: slow enough to be stopped half way
    prepare(wav, file("long.mp3"), true, 2);
    encoder.StartEncoder();
    QElapsedTimer guard;
    guard.start();
    while (sink.progress().empty() && sink.count(scMp3Done) == 0 && guard.elapsed() < 60000)
        sink.settle(20);
    ASSERT_FALSE(sink.progress().empty());
    ASSERT_EQ(sink.count(scMp3Done), 0) << "finished before it could be stopped";

    encoder.StopEncoder();
    EXPECT_FALSE(encoder.Active);
    EXPECT_FALSE(encoder.isRunning());
    sink.settle(500);
    EXPECT_EQ(sink.count(scMp3Done), 0);
    // What was written stays for the job engine, which removes it.
    EXPECT_LT(readFile(file("long.mp3")).size(), 120 * 16000);

    // A second stop does nothing.
    encoder.StopEncoder();
}

TEST_F(Mp3Process, DestroyingARunningEncoderEndsTheChild)
{
    const QString wav = file("long.wav");
    ASSERT_TRUE(writeWav(wav, 44100, 2, 16, 60.0, true));
    auto running = std::make_unique<TMp3EncodeProcess>();
    prepareStep(*running, &sink, wav, file("long.mp3"), true, 1);
    running->StartEncoder();
    running.reset();
    sink.settle(300);
    EXPECT_EQ(sink.count(scMp3Done), 0);
}
