// The resampling step of WAV to MP3 conversions: which items are resampled,
// what the encoder is given, the temporary file's lifetime, failures and Stop.

#include "jobs/job_engine.h"

#include "audio/wave_in.h"
#include "audio/wave_out.h"
#include "job_test_support.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>

using namespace quillon::test;

namespace {

// A 16- or 8-bit sine WAV file written by our own writer.
class ToneSource : public TPcmInput {
public:
    ToneSource(int rate, int channels, int bits, int seconds)
        : m_rate(rate), m_channels(channels), m_bits(bits),
          m_total(qint64(rate) * seconds * channels * bits / 8)
    {}
    ~ToneSource() override { NotifyRemoval(); }
    int GetBitsPerSample() override { return m_bits; }
    int GetChannels() override { return m_channels; }
    int GetSampleRate() override { return m_rate; }
    void BeginRead() override
    {
        m_position = 0;
        m_size = m_total;
        m_busy = true;
    }
    void EndRead() override { m_busy = false; }
    qint64 ReadData(char* buffer, qint64 size) override
    {
        const int bytes = m_bits / 8;
        qint64 n = std::min(size, m_total - m_position);
        n -= n % bytes;
        for (qint64 i = 0; i < n; i += bytes) {
            const qint64 value = (m_position + i) / bytes;
            const double v = 0.5 * std::sin(2 * M_PI * 440.0 * double(value / m_channels) / m_rate);
            if (m_bits == 16)
                qToLittleEndian<qint16>(qint16(std::lrint(v * 32767)), buffer + i);
            else
                buffer[i] = char(std::lrint(128 + v * 127));
        }
        m_position += n;
        return n;
    }

private:
    int m_rate, m_channels, m_bits;
    qint64 m_total;
};

void writeTone(const QString& path, int rate, int channels, int bits, int seconds)
{
    ToneSource tone(rate, channels, bits, seconds);
    TWaveOut out;
    out.SetFileName(path);
    std::mutex lock;
    std::condition_variable cv;
    bool done = false;
    auto finish = [&] {
        std::lock_guard g(lock);
        done = true;
        cv.notify_all();
    };
    out.OnDone = [&](QObject*) { finish(); };
    out.OnThreadException = [&](QObject*, const std::exception&) { finish(); };
    out.SetInput(&tone);
    out.Run();
    std::unique_lock g(lock);
    cv.wait(g, [&] { return done; });
}

// Records the format of every encoder input at the moment it is started.
class FormatRecordingEncoder : public ScriptedEncoder {
public:
    std::vector<std::tuple<int, int, int>> formats; // rate, channels, bits
    void start(QObject* receiver, const QString& input, const QString& output, bool encode,
               TJobKind kind) override
    {
        TWaveIn in;
        in.SetFileName(input);
        formats.emplace_back(in.Valid() ? in.GetSampleRate() : 0, in.GetChannels(),
                             in.GetBitsPerSample());
        ScriptedEncoder::start(receiver, input, output, encode, kind);
    }
};

struct ResampleFixture : ::testing::Test {
    QTemporaryDir out, in;
    TOptionsSetting saved = OptionsSetting;
    RecordingView view;
    ScopedPrompts prompts;

    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        OptionsSetting.CommonOptions.OutputFolder = out.path();
    }
    void TearDown() override { OptionsSetting = saved; }
    QString temp() const { return out.filePath(QStringLiteral("DiZE3ReTemp.wav")); }
};

TEST_F(ResampleFixture, ItemsBelow44100AreResampledFirst)
{
    const QString low = in.filePath("low.wav"), cd = in.filePath("cd.wav"),
                  narrow = in.filePath("narrow.wav"), broken = in.filePath("broken.wav"),
                  high = in.filePath("high.wav");
    writeTone(low, 22050, 2, 16, 1);
    writeTone(cd, 44100, 2, 16, 1);
    writeTone(narrow, 11025, 1, 8, 1);
    writeTone(high, 48000, 1, 16, 1);
    writeFile(broken, "not a wave file");
    FormatRecordingEncoder encoder;
    TJobEngine engine(TJobKind::WavToMp3, 0, {low, cd, narrow, broken, high}, view, &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));

    struct Expected {
        QString input, output;
        std::tuple<int, int, int> format;
    };
    const Expected expected[] = {
        {temp(), out.filePath("low.mp3"), {44100, 2, 16}},
        {cd, out.filePath("cd.mp3"), {44100, 2, 16}},
        {temp(), out.filePath("narrow.mp3"), {44100, 1, 16}},
        {broken, out.filePath("broken.mp3"), {0, 0, 0}},
        {high, out.filePath("high.mp3"), {48000, 1, 16}},
    };
    ASSERT_EQ(encoder.calls.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(encoder.calls[i].input, expected[i].input);
        EXPECT_EQ(encoder.calls[i].output, expected[i].output);
        EXPECT_EQ(std::get<0>(encoder.formats[i]), std::get<0>(expected[i].format));
        if (std::get<0>(expected[i].format) != 0) {
            EXPECT_EQ(std::get<1>(encoder.formats[i]), std::get<1>(expected[i].format));
            EXPECT_EQ(std::get<2>(encoder.formats[i]), std::get<2>(expected[i].format));
        }
    }
    EXPECT_EQ(view.statusLines.value(0), "Resampling(01/05): " + low);
    EXPECT_EQ(view.statusLines.value(1), "Encoding(01/05): " + low);
    EXPECT_EQ(view.captions.mid(0, 2), QStringList({"Resampling WAV", "Encoding"}));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(QFile::exists(temp()));
}

TEST_F(ResampleFixture, RealLameMakesA44100Mp3AndTheTemporaryFileGoes)
{
    if (QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty())
        GTEST_SKIP() << "lame or ffprobe missing";
    const QString low = in.filePath("voice.wav");
    writeTone(low, 22050, 1, 16, 3);
    TJobEngine engine(TJobKind::WavToMp3, 0, {low}, view);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    const QString mp3 = out.filePath("voice.mp3");
    ASSERT_TRUE(QFile::exists(mp3));
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "stream=sample_rate",
                                            "-of", "default=noprint_wrappers=1:nokey=1", mp3});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.readAllStandardOutput().trimmed(), "44100");
    EXPECT_FALSE(QFile::exists(temp()));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(view.statusLines.value(0).startsWith("Resampling(01/01): "));
    // Progress of the resampling and of lame reached the view.
    EXPECT_FALSE(view.times.isEmpty());
}

TEST_F(ResampleFixture, AFailedRunIsShownAndTheJobGoesOn)
{
    const QString low = in.filePath("low.wav"), cd = in.filePath("cd.wav");
    writeTone(low, 22050, 2, 16, 1);
    writeTone(cd, 44100, 2, 16, 1);
    // The temporary file cannot be created: its name is taken by a folder.
    QDir(out.path()).mkdir(QStringLiteral("DiZE3ReTemp.wav"));
    ScriptedEncoder encoder;
    TJobEngine engine(TJobKind::WavToMp3, 0, {low, cd}, view, &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(low));
    EXPECT_TRUE(prompts.shown[0].text.contains("Cannot open the output file."));
    ASSERT_EQ(encoder.calls.size(), 1u);
    EXPECT_EQ(encoder.calls[0].input, cd);
}

TEST_F(ResampleFixture, StopWhileResamplingClosesAndDeletesTheTemporaryFile)
{
    const QString low = in.filePath("long.wav");
    writeTone(low, 22050, 2, 16, 120);
    ScriptedEncoder encoder;
    TJobEngine engine(TJobKind::WavToMp3, 0, {low}, view, &encoder);
    engine.Start();
    // Stop once the temporary file is being written.
    ASSERT_TRUE(runUntilClosed(view, 60000, [&] { return QFile::exists(temp()); }));
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    EXPECT_FALSE(QFile::exists(temp()));
    EXPECT_TRUE(encoder.calls.empty());
    // Reports still in the queue change nothing.
    QCoreApplication::processEvents();
    EXPECT_TRUE(encoder.calls.empty());
}

} // namespace
