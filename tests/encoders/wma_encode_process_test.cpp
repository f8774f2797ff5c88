// The WMA encoder process with the real quillon-wmaenc (found beside the test
// executable, as beside the program), and with small fake utilities for the
// output orders a real run cannot produce on demand.

#include "encoder_fixtures.h"
#include "report_sink.h"

#include "encoders/wma_encode_process.h"
#include "encoders/wma_output_parser.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "settings/wma_profile_table.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using quillon::test::binDir;
using quillon::test::readFile;
using quillon::test::writeFile;

namespace {

class WmaProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        ASSERT_TRUE(dir.isValid());
        encoder.ProgramFolders = {binDir()};
        ASSERT_FALSE(encoder.findProgram().isEmpty()) << "quillon-wmaenc is not built";
        ASSERT_TRUE(writeWav(file("tone.wav"), 44100, 2, 16, 2.0));
    }
    QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }
    void prepare(const QString& in, const QString& out, quint8 kind = 6)
    {
        prepareStep(encoder, &sink, in, out, true, kind);
    }

    QTemporaryDir dir;
    ReportSink sink;
    ScopedPrompts prompts;
    TWMAEncodeProcess encoder;
};

} // namespace

TEST_F(WmaProcess, EncodesAndReportsFinishThenEnd)
{
    OptionsSetting.UseID3 = true;
    OptionsSetting.CDInfo.Artist = QStringLiteral("Two Words");
    OptionsSetting.WMABitRate = 40; // outside the table: the default profile is used
    prepare(file("tone.wav"), file("tone.wma"));
    encoder.StartEncoder();
    EXPECT_EQ(OptionsSetting.WMABitRate, 40); // the user's settings are not ours to change
    const auto defaultCode = kWmaProfileCodes[kDefaultWmaProfile];
    EXPECT_TRUE(encoder.lastCommandLine().contains(
        QStringLiteral("-a_setting ") +
        QString::fromLatin1(defaultCode.data(), defaultCode.size())));
    ASSERT_TRUE(sink.waitFor(scWmaDone));

    ASSERT_EQ(sink.reports.size(), 2u);
    const TProcessInfo& finished = sink.reports[0].info;
    EXPECT_EQ(finished.Percent, 100);
    EXPECT_EQ(finished.ElapsedText, finished.EstimatedText);
    EXPECT_NE(finished.ElapsedText, QStringLiteral("00:00")); // a finished step took time
    EXPECT_EQ(sink.reports[1].info.StepResult, 2);
    EXPECT_TRUE(readFile(file("tone.wma"))
                    .startsWith(QByteArray::fromHex(
                        "3026b2758e66cf11a6d900aa0062ce6c"))); // ASF header object
    EXPECT_TRUE(encoder.lastCommandLine().contains(QStringLiteral("-author \"Two Words\"")));
}

TEST_F(WmaProcess, ErrorLineEndsTheStepOnce)
{
    prepare(file("missing.wav"), file("missing.wma"));
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scWmaDone));
    sink.settle(300);
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].info.StepResult, 8);
    EXPECT_TRUE(sink.reports[0].info.Message.startsWith(QStringLiteral("ERROR")))
        << sink.reports[0].info.Message.toStdString();
    EXPECT_FALSE(encoder.isRunning());
}

TEST_F(WmaProcess, AMissingUtilityEndsTheStepWithItsMessageAndNoBox)
{
    const QString empty = file("emptybin");
    ASSERT_TRUE(QDir().mkpath(empty));
    ScopedPath path(empty);
    encoder.ProgramFolders = {empty};
    prepare(file("tone.wav"), file("out.wma"));
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scWmaDone));
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].info.StepResult, 0);
    EXPECT_TRUE(sink.reports[0].info.Message.contains(
        QStringLiteral("The WMA encoder (quillon-wmaenc) can not be found")));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(encoder.isRunning());
}

TEST_F(WmaProcess, NextStepStartedFromTheEndReportRuns)
{
    // As the job window does: every end report starts the next item at once.
    const QStringList inputs{file("missing.wav"), file("tone.wav")};
    int next = 0;
    sink.onReport = [&](const TProcessInfo& info) {
        if (info.Percent != scWmaDone || next >= inputs.size())
            return;
        const QString in = inputs[next++];
        prepare(in, in.left(in.size() - 4) + QStringLiteral(".wma"));
        encoder.StartEncoder();
    };
    prepare(inputs[next], file("missing.wma"));
    ++next;
    encoder.StartEncoder();
    QElapsedTimer guard;
    guard.start();
    while (sink.count(scWmaDone) < 2 && guard.elapsed() < 60000)
        sink.settle(20);
    sink.settle(300);
    std::vector<std::pair<int, int>> seen;
    for (const auto& r : sink.reports)
        seen.emplace_back(r.info.Percent, r.info.StepResult);
    const std::vector<std::pair<int, int>> expected{{5000, 8}, {100, 0}, {5000, 2}};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(QFile::exists(file("tone.wma")));
}

TEST_F(WmaProcess, ErrorBeforeFinishInOneChunkGivesOnlyTheError)
{
    const QString fake = file("fake");
    ASSERT_TRUE(QDir().mkpath(fake));
    ASSERT_TRUE(writeScript(fake + QStringLiteral("/quillon-wmaenc"),
                            "printf 'ERROR: disk full\\n100%%\\n'\nsleep 0.3\n"));
    encoder.ProgramFolders = {fake};
    prepare(file("tone.wav"), file("fake.wma"));
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scWmaDone));
    sink.settle(600);
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].info.StepResult, 8);
    EXPECT_EQ(sink.reports[0].info.Message, QStringLiteral("ERROR: disk full"));
}

TEST_F(WmaProcess, UtilityDyingWithoutErrorLineSaysSo)
{
    const QString fake = file("fake");
    ASSERT_TRUE(QDir().mkpath(fake));
    ASSERT_TRUE(writeScript(fake + QStringLiteral("/quillon-wmaenc"),
                            "echo 'cannot allocate' >&2\necho 'Encoding: 40%'\nexit 3\n"));
    encoder.ProgramFolders = {fake};
    prepare(file("tone.wav"), file("fake.wma"));
    encoder.StartEncoder();
    ASSERT_TRUE(sink.waitFor(scWmaDone));
    EXPECT_EQ(sink.last(scWmaDone)->info.StepResult, 2);
    EXPECT_EQ(sink.last(scWmaDone)->info.Message,
              QStringLiteral("quillon-wmaenc failed with exit code 3: cannot allocate"));
}

TEST_F(WmaProcess, StopEndsTheStepWithoutReport)
{
    const QString fake = file("fake");
    ASSERT_TRUE(QDir().mkpath(fake));
    ASSERT_TRUE(writeScript(fake + QStringLiteral("/quillon-wmaenc"), "exec sleep 30\n"));
    encoder.ProgramFolders = {fake};
    prepare(file("tone.wav"), file("slow.wma"));
    encoder.StartEncoder();
    EXPECT_TRUE(encoder.isRunning());
    encoder.StopEncoder();
    EXPECT_FALSE(encoder.isRunning());
    sink.settle(300);
    EXPECT_TRUE(sink.reports.empty());
}

TEST(WmaOutputParser, Lines)
{
    const struct {
        const char* line;
        TWmaLineKind kind;
    } cases[] = {
        {"Encoding: 100% done", TWmaLineKind::Finished},
        {"100%", TWmaLineKind::Finished},
        {"Encoding: 10%", TWmaLineKind::Other},
        {"ERROR: cannot read input file a.wav", TWmaLineKind::Error},
        {"100% ERROR", TWmaLineKind::Error},
        {"error in lower case", TWmaLineKind::Other},
        {"   ", TWmaLineKind::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyWmaLine(c.line), c.kind) << c.line;

    const struct {
        double elapsed;
        qint64 seconds;
    } times[] = {{0.0, 1}, {0.4, 1}, {0.5, 1}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {61.2, 61}};
    for (const auto& t : times)
        EXPECT_EQ(WmaFinishedSeconds(t.elapsed), t.seconds) << t.elapsed;
}
