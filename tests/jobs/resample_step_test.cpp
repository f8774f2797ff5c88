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
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>

using namespace Qt::StringLiterals;

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
               TJobKind kind, const TOptionsSetting& options) override
    {
        TWaveIn in;
        in.SetFileName(input);
        formats.emplace_back(in.Valid() ? in.GetSampleRate() : 0, in.GetChannels(),
                             in.GetBitsPerSample());
        ScriptedEncoder::start(receiver, input, output, encode, kind, options);
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
};

TEST_F(ResampleFixture, ItemsBelow44100OrWiderThan16BitsArePreparedFirst)
{
    const QString low = in.filePath(QStringLiteral("low.wav")),
                  cd = in.filePath(QStringLiteral("cd.wav")),
                  narrow = in.filePath(QStringLiteral("narrow.wav")),
                  wide = in.filePath(QStringLiteral("wide.wav")),
                  high = in.filePath(QStringLiteral("high.wav"));
    writeTone(low, 22050, 2, 16, 1);
    writeTone(cd, 44100, 2, 16, 1);
    writeTone(narrow, 11025, 1, 8, 1);
    writeTone(high, 48000, 1, 16, 1);
    // 24-bit samples: lame would read them itself, but only as 16-bit PCM
    // does every input reach it the same way.
    {
        QByteArray wav = readFile(high);
        QByteArray data;
        for (qsizetype i = 44; i + 1 < wav.size(); i += 2)
            data += QByteArray(1, '\0') + wav.mid(i, 2);
        QByteArray h = wav.left(44);
        qToLittleEndian<quint32>(quint32(36 + data.size()), h.data() + 4);
        qToLittleEndian<quint32>(48000 * 3, h.data() + 28);
        qToLittleEndian<quint16>(3, h.data() + 32);
        qToLittleEndian<quint16>(24, h.data() + 34);
        qToLittleEndian<quint32>(quint32(data.size()), h.data() + 40);
        ASSERT_TRUE(writeFile(wide, h + data));
    }
    FormatRecordingEncoder encoder;
    OptionsSetting.Encoders = 1; // one item after the other: calls in item order
    TJobEngine engine(TJobKind::WavToMp3, 0, {low, cd, narrow, wide, high}, view, &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));

    struct Expected {
        bool prepared;
        std::tuple<int, int, int> format;
    };
    const Expected expected[] = {
        {true, {44100, 2, 16}}, {false, {44100, 2, 16}}, {true, {44100, 1, 16}},
        {true, {48000, 1, 16}}, {false, {48000, 1, 16}},
    };
    const QStringList items = {low, cd, narrow, wide, high};
    ASSERT_EQ(encoder.calls.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(encoder.calls[i].input.endsWith(QStringLiteral(".part")), expected[i].prepared);
        if (!expected[i].prepared) {
            EXPECT_EQ(encoder.calls[i].input, items[int(i)]);
        }
        EXPECT_EQ(encoder.formats[i], expected[i].format);
        EXPECT_EQ(
            engine.OutputPath(int(i)),
            out.filePath(QFileInfo(items[int(i)]).completeBaseName() + QStringLiteral(".mp3")));
    }
    EXPECT_EQ(view.statusLines.value(0), QStringLiteral("Resampling(01/05): ") + low);
    EXPECT_EQ(view.statusLines.value(1), QStringLiteral("Encoding(01/05): ") + low);
    EXPECT_EQ(view.captions.mid(0, 2), QStringList({u"Resampling WAV"_s, u"Encoding"_s}));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(partFiles(out.path()).isEmpty());
    EXPECT_EQ(engine.Summary().count(TItemOutcome::Made), 5);
}

TEST_F(ResampleFixture, RealLameMakesA44100Mp3AndTheTemporaryFileGoes)
{
    if (QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty())
        GTEST_SKIP() << "lame or ffprobe missing";
    const QString low = in.filePath(QStringLiteral("voice.wav"));
    writeTone(low, 22050, 1, 16, 3);
    TJobEngine engine(TJobKind::WavToMp3, 0, {low}, view);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    const QString mp3 = out.filePath(QStringLiteral("voice.mp3"));
    ASSERT_TRUE(QFile::exists(mp3));
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {u"-v"_s, u"error"_s, u"-show_entries"_s, u"stream=sample_rate"_s, u"-of"_s,
                 u"default=noprint_wrappers=1:nokey=1"_s, mp3});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.readAllStandardOutput().trimmed(), "44100");
    EXPECT_TRUE(partFiles(out.path()).isEmpty());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(view.statusLines.value(0).startsWith(QStringLiteral("Resampling(01/01): ")));
    // Progress of the resampling and of lame reached the view.
    EXPECT_FALSE(view.times.isEmpty());
}

TEST_F(ResampleFixture, AFailedRunSaysWhyAndTheJobGoesOn)
{
    const QString low = in.filePath(QStringLiteral("low.wav")),
                  cd = in.filePath(QStringLiteral("cd.wav"));
    writeTone(low, 22050, 2, 16, 1);
    writeTone(cd, 44100, 2, 16, 1);
    ScriptedEncoder encoder;
    TJobEngine engine(TJobKind::WavToMp3, 0, {low, cd}, view, &encoder);
    {
        // The resampled file (176 kB) cannot be written in full.
        ScopedFileSizeLimit limit(50000);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
    }
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(engine.Summary().items()[0].Outcome, TItemOutcome::Failed);
    EXPECT_EQ(engine.Summary().items()[0].Reason,
              QStringLiteral("cannot write into %1: File too large").arg(out.path()));
    ASSERT_EQ(encoder.calls.size(), 1u);
    EXPECT_EQ(encoder.calls[0].input, cd);
    EXPECT_TRUE(partFiles(out.path()).isEmpty());
}

TEST_F(ResampleFixture, StopWhileResamplingRemovesTheTemporaryFile)
{
    const QString low = in.filePath(QStringLiteral("long.wav"));
    writeTone(low, 22050, 2, 16, 120);
    ScriptedEncoder encoder;
    TJobEngine engine(TJobKind::WavToMp3, 0, {low}, view, &encoder);
    engine.Start();
    // Stop once the temporary file is being written.
    ASSERT_TRUE(runUntilClosed(view, 60000, [&] { return !view.gauge.empty(); }));
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(encoder.calls.empty());
    // Reports still in the queue change nothing.
    QCoreApplication::processEvents();
    EXPECT_TRUE(encoder.calls.empty());
}

} // namespace
