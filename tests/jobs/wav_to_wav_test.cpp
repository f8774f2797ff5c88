// A WAV to WAV conversion replaces its destination only with a complete
// file: however a run ends, the folder holds either the old file or the whole
// new one, and no temporary file.

#include "jobs/wav_to_wav.h"

#include "support/test_support.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

TEST(WavToWav, TheDestinationIsTheOldFileOrTheWholeNewOne)
{
    if (!haveProgram(QStringLiteral("sox")))
        GTEST_SKIP() << "sox is missing";
    enum class End { Completes, WriterRefuses, DiskFills, Stopped, Destroyed };
    struct Case {
        End end;
        TWavType type;
        int bits;
        QString error; // OnEnded's ("*": any); not checked for Destroyed
    };
    const Case cases[] = {
        {End::Completes, wtPCM, 16, {}},
        {End::WriterRefuses, wtDVIADPCM, 8,
         QStringLiteral("Cannot encode 8 bit sound into ADPCM.")},
        {End::DiskFills, wtPCM, 16, QStringLiteral("*")},
        {End::Stopped, wtPCM, 16, TWavToWav::kStopped},
        {End::Destroyed, wtPCM, 16, {}},
    };
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("in.wav"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("sox"),
                                {u"-n"_s, u"-r"_s, u"22050"_s, u"-c"_s, u"2"_s, u"-b"_s, u"16"_s,
                                 input, u"synth"_s, u"5"_s, u"sine"_s, u"440"_s}),
              0);
    const QString output = dir.filePath(QStringLiteral("out.wav"));
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.end));
        ASSERT_TRUE(writeFile(output, "old"));
        auto conversion = std::make_unique<TWavToWav>();
        std::mutex lock;
        std::condition_variable changed;
        bool ended = false;
        QString error;
        conversion->OnEnded = [&](const QString& e) {
            std::lock_guard guard(lock);
            error = e;
            ended = true;
            changed.notify_all();
        };
        // Slow enough that Stop and destruction come during the run.
        if (c.end == End::Stopped || c.end == End::Destroyed)
            conversion->WaveOut1.SetDelay(50);
        std::unique_ptr<ScopedFileSizeLimit> limit;
        if (c.end == End::DiskFills)
            limit = std::make_unique<ScopedFileSizeLimit>(200000);
        conversion->Chain.WaveIn1.SetFileName(input);
        QString startError;
        ASSERT_TRUE(conversion->Start(output, {2, 44100, c.bits}, c.type, startError));
        if (c.end == End::Stopped)
            conversion->Stop();
        if (c.end == End::Destroyed) {
            conversion.reset();
        } else {
            std::unique_lock guard(lock);
            changed.wait(guard, [&] { return ended; });
            if (c.error == QLatin1String("*"))
                EXPECT_FALSE(error.isEmpty());
            else
                EXPECT_EQ(error, c.error);
        }
        limit.reset();
        if (c.end == End::Completes)
            EXPECT_EQ(readFile(output).size(), 44 + 5 * 44100 * 4);
        else
            EXPECT_EQ(readFile(output), "old");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({QStringLiteral("in.wav"), QStringLiteral("out.wav")}));
    }
}

} // namespace
