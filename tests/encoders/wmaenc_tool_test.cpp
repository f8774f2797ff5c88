// quillon-wmaenc itself: every profile of the table on a short WAV, checked
// with ffprobe (an independent reader); the kinds of WAV it must read; and
// every failure ending in an ERROR line and a non-zero exit.

#include "encoder_fixtures.h"

#include "settings/wma_profile_table.h"

#include "support/test_support.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using quillon::test::binDir;
using quillon::test::haveProgram;
using quillon::test::writeFile;

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

ToolRun wmaenc(const QStringList& args)
{
    return run(binDir() + QStringLiteral("/quillon-wmaenc"), args);
}

// ffprobe's view of the file's first stream and its tags.
QJsonObject probe(const QString& path)
{
    const ToolRun r =
        run(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
             QStringLiteral("-show_format"), QStringLiteral("-of"), QStringLiteral("json"), path});
    return QJsonDocument::fromJson(r.out).object();
}

class WmaEncTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::exists(binDir() + QStringLiteral("/quillon-wmaenc")));
    }
    QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(WmaEncTool, EveryProfileGivesItsRateChannelsAndTags)
{
    if (!haveProgram(QStringLiteral("ffprobe")))
        GTEST_SKIP() << "ffprobe is not installed";
    const QString wav = file("in.wav");
    ASSERT_TRUE(writeWav(wav, 44100, 2, 16, 1.0));
    const QString author = QStringLiteral("Ünïcode Artist \"quoted\"");
    const QString description = QStringLiteral("-not an option; $(nor a command)");
    for (const auto code : kWmaProfileCodes) {
        const QString profile = QString::fromLatin1(code.data(), code.size());
        const QStringList parts = profile.split(QLatin1Char('_'));
        const QString out = file("out.wma");
        const ToolRun r = wmaenc({QStringLiteral("-input"), wav, QStringLiteral("-output"), out,
                                  QStringLiteral("-a_setting"), profile, QStringLiteral("-author"),
                                  author, QStringLiteral("-description"), description});
        ASSERT_EQ(r.exitCode, 0) << profile.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("100%")) << profile.toStdString();
        EXPECT_FALSE(r.out.contains("ERROR") || r.err.contains("ERROR"));

        const QJsonObject info = probe(out);
        const QJsonObject stream = info[QStringLiteral("streams")].toArray().at(0).toObject();
        EXPECT_EQ(stream[QStringLiteral("codec_name")].toString(), QStringLiteral("wmav2"));
        EXPECT_EQ(stream[QStringLiteral("sample_rate")].toString().toInt(),
                  WmaProfileSampleRate(parts[1].toInt()))
            << profile.toStdString();
        EXPECT_EQ(stream[QStringLiteral("channels")].toInt(), parts[2].toInt())
            << profile.toStdString();
        EXPECT_EQ(stream[QStringLiteral("bit_rate")].toString().toInt(),
                  std::max(parts[0].toInt(), 24) * 1000)
            << profile.toStdString();
        const QJsonObject tags =
            info[QStringLiteral("format")].toObject()[QStringLiteral("tags")].toObject();
        QStringList values;
        for (auto it = tags.begin(); it != tags.end(); ++it)
            values << it.value().toString();
        EXPECT_TRUE(values.contains(author)) << profile.toStdString();
        EXPECT_TRUE(values.contains(description)) << profile.toStdString();
        QFile::remove(out);
    }
}

TEST_F(WmaEncTool, ReadsTheWavKindsItMeetsAndKeepsTheDuration)
{
    if (!haveProgram(QStringLiteral("ffprobe")))
        GTEST_SKIP() << "ffprobe is not installed";
    ASSERT_TRUE(writeWav(file("pcm16.wav"), 44100, 2, 16, 2.0));
    ASSERT_TRUE(writeWav(file("mono8.wav"), 22050, 1, 8, 2.0));
    ASSERT_TRUE(writeWav(file("hi48.wav"), 48000, 2, 16, 2.0));
    QStringList inputs{file("pcm16.wav"), file("mono8.wav"), file("hi48.wav")};
    if (haveProgram(QStringLiteral("sox"))) {
        ASSERT_EQ(run(QStringLiteral("sox"), {file("pcm16.wav"), QStringLiteral("-e"),
                                              QStringLiteral("ms-adpcm"), file("adpcm.wav")})
                      .exitCode,
                  0);
        inputs << file("adpcm.wav");
    }
    if (haveProgram(QStringLiteral("ffmpeg"))) {
        // Format tag 85: MP3 data inside a WAV file.
        const ToolRun made =
            run(QStringLiteral("ffmpeg"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
                 file("pcm16.wav"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                 QStringLiteral("-f"), QStringLiteral("wav"), file("tag85.wav")});
        if (made.exitCode == 0)
            inputs << file("tag85.wav");
    }
    for (const QString& in : inputs) {
        const QString out = file("out.wma");
        const ToolRun r = wmaenc({QStringLiteral("-input"), in, QStringLiteral("-output"), out,
                                  QStringLiteral("-a_setting"), QStringLiteral("64_44_2")});
        ASSERT_EQ(r.exitCode, 0) << in.toStdString() << r.err.toStdString();
        const QJsonObject format = probe(out)[QStringLiteral("format")].toObject();
        EXPECT_NEAR(format[QStringLiteral("duration")].toString().toDouble(), 2.0, 0.15)
            << in.toStdString();
        QFile::remove(out);
    }
}

TEST_F(WmaEncTool, FailuresPrintErrorAndExitNonZero)
{
    ASSERT_TRUE(writeWav(file("in.wav"), 44100, 2, 16, 0.5));
    ASSERT_TRUE(writeFile(file("text.wav"), "this is not a wave file\n"));
    const QString in = file("in.wav");
    const QString out = file("out.wma");
    const struct {
        const char* name;
        QStringList args;
    } cases[] = {
        {"missing input",
         {QStringLiteral("-input"), file("gone.wav"), QStringLiteral("-output"), out}},
        {"input that is not a WAV",
         {QStringLiteral("-input"), file("text.wav"), QStringLiteral("-output"), out}},
        {"unknown profile",
         {QStringLiteral("-input"), in, QStringLiteral("-output"), out,
          QStringLiteral("-a_setting"), QStringLiteral("65_44_2")}},
        {"malformed profile",
         {QStringLiteral("-input"), in, QStringLiteral("-output"), out,
          QStringLiteral("-a_setting"), QStringLiteral("64_44")}},
        {"unwritable output",
         {QStringLiteral("-input"), in, QStringLiteral("-output"), file("no/such/folder/out.wma")}},
        {"output is the input", {QStringLiteral("-input"), in, QStringLiteral("-output"), in}},
        {"option without its value", {QStringLiteral("-input"), in, QStringLiteral("-output")}},
        {"unknown option", {QStringLiteral("-bogus"), in}},
        {"no input", {QStringLiteral("-output"), out}},
    };
    const QByteArray before = quillon::test::readFile(in);
    for (const auto& c : cases) {
        const ToolRun r = wmaenc(c.args);
        EXPECT_NE(r.exitCode, 0) << c.name;
        // libav may have complained first; our verdict is the last line.
        const QList<QByteArray> lines = r.err.trimmed().split('\n');
        EXPECT_TRUE(lines.last().startsWith("ERROR")) << c.name << ": " << r.err.toStdString();
        EXPECT_FALSE(r.out.contains("100%")) << c.name;
        // A failed run leaves no output behind, and never touches its input.
        EXPECT_FALSE(QFile::exists(out)) << c.name;
        EXPECT_EQ(quillon::test::readFile(in), before) << c.name;
    }
}

TEST_F(WmaEncTool, HelpNamesTheSwitches)
{
    const ToolRun r = wmaenc({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* word : {"-input", "-output", "-a_setting", "-author", "-description"})
        EXPECT_TRUE(r.out.contains(word)) << word;
    EXPECT_FALSE(r.out.contains("ERROR"));
}
