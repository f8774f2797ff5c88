// WMA end to end: a generated disc image extracted to WMA through the job
// engine and the real quillon-wmaenc, checked with ffprobe; conversions whose
// input the utility cannot read; a missing utility.
#include "jobs/job_engine.h"
#include "jobs/wma_job_encoder.h"

#include "encoders/wma_encode_process.h"

#include "disc_image_fixture.h"
#include "encoders/encoder_fixtures.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "settings/wma_profile_table.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillon::test;

namespace {

QJsonObject probe(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
             QStringLiteral("-show_format"), QStringLiteral("-of"), QStringLiteral("json"), path});
    p.waitForFinished(60000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QStringList tagValues(const QJsonObject& info)
{
    QStringList values;
    const QJsonObject tags =
        info[QStringLiteral("format")].toObject()[QStringLiteral("tags")].toObject();
    for (auto it = tags.begin(); it != tags.end(); ++it)
        values << it.value().toString();
    return values;
}

struct WmaE2E : DiscImageFixture {
    void SetUp() override
    {
        if (!QFile::exists(binDir() + QStringLiteral("/quillon-wmaenc")))
            GTEST_SKIP() << "quillon-wmaenc is not built";
        if (!haveProgram(QStringLiteral("ffprobe")))
            GTEST_SKIP() << "ffprobe is not installed";
        makeDisc({QStringLiteral("2s:tone:440"), QStringLiteral("1.5s:noise:3")});
        if (IsSkipped() || HasFatalFailure())
            return;
        OptionsSetting.CDInfo.Artist = QStringLiteral("Wma Artist");
        OptionsSetting.CDInfo.Comment = QStringLiteral("wma comment");
    }
    QString out(const QString& name) const { return outDir + QLatin1Char('/') + name; }
    bool run(TJobKind kind, HCDROM h, const QStringList& items)
    {
        view = RecordingView{};
        TJobEngine engine(kind, h, items, view);
        engine.Start();
        return runUntilClosed(view, 180000);
    }
};

TEST_F(WmaE2E, ExtractionToWmaGivesTheProfileAndTheTags)
{
    struct Case {
        int profile;
        bool useId3;
    } cases[] = {{kDefaultWmaProfile, true}, {20, false}, {0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        OptionsSetting.CommonOptions.OutputFormat = ofWMA;
        OptionsSetting.WMABitRate = c.profile;
        OptionsSetting.UseID3 = c.useId3;
        ASSERT_TRUE(run(TJobKind::Extract, handle,
                        {QStringLiteral("01Tone"), QStringLiteral("02Noise Ünï")}));
        EXPECT_TRUE(prompts.shown.empty()) << prompts.lastText().toStdString();
        const auto code = kWmaProfileCodes[size_t(c.profile)];
        const QStringList parts =
            QString::fromLatin1(code.data(), code.size()).split(QLatin1Char('_'));
        for (const QString& title : {QStringLiteral("Tone"), QStringLiteral("Noise Ünï")}) {
            EXPECT_FALSE(QFile::exists(out(title + QStringLiteral(".wav")))) << title.toStdString();
            const QJsonObject info = probe(out(title + QStringLiteral(".wma")));
            const QJsonObject stream = info[QStringLiteral("streams")].toArray().at(0).toObject();
            EXPECT_EQ(stream[QStringLiteral("codec_name")].toString(), QStringLiteral("wmav2"));
            EXPECT_EQ(stream[QStringLiteral("sample_rate")].toString().toInt(),
                      WmaProfileSampleRate(parts[1].toInt()));
            EXPECT_EQ(stream[QStringLiteral("channels")].toInt(), parts[2].toInt());
            const QStringList tags = tagValues(info);
            EXPECT_EQ(tags.contains(QStringLiteral("Wma Artist")), c.useId3) << title.toStdString();
            EXPECT_EQ(tags.contains(QStringLiteral("wma comment")), c.useId3)
                << title.toStdString();
        }
        // The status line went through the encoding of both tracks.
        EXPECT_TRUE(view.statusLines.contains(QStringLiteral("Encoding(02/02): Noise Ünï")));
        QDir(outDir).removeRecursively();
        QDir().mkpath(outDir);
    }
}

TEST_F(WmaE2E, UnreadableInputIsRefusedAndTheJobGoesOn)
{
    // A WAV made by extraction serves as the good input of the conversion.
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    ASSERT_TRUE(run(TJobKind::Extract, handle, {QStringLiteral("01Good")}));
    const QString bad = work.filePath(QStringLiteral("broken.wav"));
    ASSERT_TRUE(writeFile(bad, QByteArray("RIFF\x10\0\0\0WAVEjunkjunk", 20)));
    const QString good = work.filePath(QStringLiteral("good.wav"));
    ASSERT_TRUE(QFile::rename(out(QStringLiteral("Good.wav")), good));

    view = RecordingView{};
    TJobEngine engine(TJobKind::WavToWma, 0, {bad, good}, view);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view, 180000));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(engine.Summary().items()[0].Reason,
              bad + QStringLiteral(" is a WAV file in an encoding that cannot be read"));
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("broken.wma"))));
    const QJsonObject info = probe(out(QStringLiteral("good.wma")));
    EXPECT_EQ(info[QStringLiteral("streams")]
                  .toArray()
                  .at(0)
                  .toObject()[QStringLiteral("codec_name")]
                  .toString(),
              QStringLiteral("wmav2"));
}

TEST_F(WmaE2E, MissingUtilityIsSaidOnceWithoutHanging)
{
    // An encoder object that looks for the utility in an empty folder only.
    QTemporaryDir empty;
    TWmaJobEncoder encoder;
    encoder.ProgramFolders = {empty.path()};
    setJobWmaEncoder(&encoder);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    const QString wav = work.filePath(QStringLiteral("x.wav"));
    ASSERT_TRUE(writeWav(wav, 44100, 2, 16, 0.1));
    TJobEngine engine(TJobKind::WavToWma, 0, {wav, wav}, view);
    engine.Start();
    const bool closed = runUntilClosed(view, 180000);
    qputenv("PATH", path);
    setJobWmaEncoder(nullptr);
    ASSERT_TRUE(closed);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(engine.Summary().items()[0].Reason.contains(QStringLiteral("quillon-wmaenc")))
        << engine.Summary().items()[0].Reason.toStdString();
    EXPECT_EQ(engine.Summary().items()[1].Outcome, TItemOutcome::Pending);
    EXPECT_TRUE(QDir(outDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

} // namespace
