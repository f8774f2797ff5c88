// TAudioOut through ALSA's file plugin: what the device is given is written to
// a file, byte for byte, so the tests compare it with what went in.

#include "alsa_test_util.h"
#include "audio_test_util.h"

#include "audio/audio_out.h"
#include "audio/pcm_exception.h"

#include <gtest/gtest.h>

#include <QtEndian>

#include <memory>

using namespace audiotest;

namespace {

// The end of one run as its handlers saw it. Shared with the handlers, which
// the worker may still be leaving when a test has moved on.
struct RunEnd {
    EventCounter done;
    EventCounter failed;
    std::atomic<qint64> playedAtDone{-1};
};

std::shared_ptr<RunEnd> watch(TAudioOut& out, const AlsaPlayback* alsa = nullptr)
{
    auto end = std::make_shared<RunEnd>();
    const QString file = alsa ? alsa->file() : QString();
    out.OnDone = [end, file](QObject*) {
        if (!file.isEmpty())
            end->playedAtDone = QFileInfo(file).size();
        end->done.hit();
    };
    out.OnThreadException = [end](QObject*, const std::exception& e) { end->failed.hit(e.what()); };
    return end;
}

QByteArray playThrough(TPcmInput& source, quint8 volume = 255)
{
    AlsaPlayback alsa;
    TAudioOut out;
    auto end = watch(out, &alsa);
    out.SetVolume(volume);
    out.SetInput(&source);
    out.Run();
    EXPECT_TRUE(end->done.waitFor(1)) << end->failed.last();
    EXPECT_EQ(end->failed.count(), 0) << end->failed.last();
    // OnDone comes after the queued audio has played: everything is there.
    EXPECT_EQ(end->playedAtDone, alsa.playedSize());
    return alsa.played();
}

} // namespace

TEST(AudioOut, WaveFilePlaysExactlyItsPcm)
{
    struct Case {
        int bits, channels, rate, frames;
    } cases[] = {
        {16, 2, 44100, 3 * 2048}, // exactly three blocks
        {16, 2, 44100, 30001},    // many blocks, a short last one
        {16, 1, 22050, 4099},     // mono
        {8, 2, 8000, 5000},       // 8-bit
        {8, 1, 11025, 8193},      // one byte past a block
        {16, 2, 48000, 1},        // a single frame
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bit, " << c.channels << " ch, " << c.frames);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.wav"));
        const QByteArray pcm = testSignal(c.frames, c.bits, c.channels, unsigned(c.frames));
        PcmSource generated(pcm, c.bits, c.channels, c.rate);
        TWaveOut writer;
        writer.SetFileName(path);
        ASSERT_EQ(writeWave(writer, generated), "");

        TWaveIn wave;
        wave.SetFileName(path);
        EXPECT_EQ(playThrough(wave), pcm);
    }
}

TEST(AudioOut, VolumeScalesSamples)
{
    const QByteArray pcm16 = testSignal(10000, 16, 2);
    const QByteArray pcm8 = testSignal(10000, 8, 1);
    QByteArray half16 = pcm16;
    for (qsizetype i = 0; i < half16.size(); i += 2) {
        const int s = qFromLittleEndian<qint16>(half16.constData() + i);
        qToLittleEndian<qint16>(qint16(s * 100 / 255), half16.data() + i);
    }
    struct Case {
        QByteArray in;
        int bits, channels;
        quint8 volume;
        QByteArray expected;
    } cases[] = {
        {pcm16, 16, 2, 255, pcm16},
        {pcm16, 16, 2, 0, QByteArray(pcm16.size(), 0)},
        {pcm16, 16, 2, 100, half16},
        {pcm8, 8, 1, 0, QByteArray(pcm8.size(), char(128))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bit, volume " << int(c.volume));
        PcmSource source(c.in, c.bits, c.channels, 44100);
        EXPECT_EQ(playThrough(source, c.volume), c.expected);
    }
}

TEST(AudioOut, DeviceGetsTheInputFormat)
{
    // 16-bit stereo 44100 Hz: block alignment 4, 176400 bytes per second.
    AlsaPlayback alsa("quillon_wav");
    PcmSource source(testSignal(3000, 16, 2), 16, 2, 44100);
    TAudioOut out;
    auto end = watch(out);
    out.SetInput(&source);
    out.Run();
    ASSERT_TRUE(end->done.waitFor(1));
    const QByteArray wav = alsa.played();
    ASSERT_GE(wav.size(), 44);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 20), 1); // PCM
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 22), 2); // channels
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 24), 44100u);
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 28), 176400u);
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 32), 4); // block alignment
    EXPECT_EQ(qFromLittleEndian<quint16>(wav.constData() + 34), 16);
}

TEST(AudioOut, BaseChannelChecksTheDeviceList)
{
    TAudioOut out;
    const int count = TAudioOut::DeviceCount();
    ASSERT_GE(count, 1);
    EXPECT_EQ(TAudioOut::DeviceNames().first(), QStringLiteral("default"));
    struct Case {
        int channel;
        bool accepted;
    } cases[] = {{count - 1, true}, {0, true}, {count, false}, {count + 5, false}, {-1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        if (c.accepted) {
            out.SetBaseChannel(c.channel);
            EXPECT_EQ(out.BaseChannel(), c.channel);
        } else {
            try {
                out.SetBaseChannel(c.channel);
                FAIL() << "accepted";
            } catch (const EPcmException& e) {
                EXPECT_EQ(std::string(e.what()),
                          "Channel " + std::to_string(c.channel) + " is not available");
            }
        }
    }

    AlsaPlayback alsa;
    ByteSource endless(1, -1);
    out.SetInput(&endless);
    auto end = watch(out);
    out.SetBaseChannel(0);
    out.Run();
    try {
        out.SetBaseChannel(0);
        ADD_FAILURE() << "accepted while busy";
    } catch (const EPcmException& e) {
        EXPECT_STREQ(e.what(), "Component is buisy");
    }
    out.Stop();
    EXPECT_TRUE(end->done.waitFor(1));
}

TEST(AudioOut, PauseHoldsTheFlowAndStopEnds)
{
    AlsaPlayback alsa;
    ByteSource endless(7, -1);
    TAudioOut out;
    auto end = watch(out, &alsa);
    out.SetInput(&endless);
    out.Run();
    ASSERT_TRUE(waitUntil([&] { return alsa.playedSize() > 0; }));

    out.Pause();
    EXPECT_EQ(out.Status(), osPaused);
    const qint64 size = alsa.playedSize();
    const int reads = endless.reads;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(alsa.playedSize(), size);
    EXPECT_EQ(endless.reads, reads);

    out.Resume();
    ASSERT_TRUE(waitUntil([&] { return alsa.playedSize() > size; }));
    out.Pause();
    out.Stop(); // a paused run can still be stopped
    ASSERT_TRUE(end->done.waitFor(1));
    EXPECT_EQ(out.Status(), osIdle);
    EXPECT_EQ(endless.beginCount, endless.endCount);
    const QByteArray played = alsa.played();
    EXPECT_EQ(played.size() % 4, 0);
    EXPECT_EQ(played.count(char(7)), played.size());
}

TEST(AudioOut, StopAndDestroyDuringPlayNeverHang)
{
    AlsaPlayback alsa;
    ByteSource endless(3, -1);
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        auto out = std::make_unique<TAudioOut>();
        auto end = watch(*out);
        out->SetInput(&endless);
        out->Run();
        if (i % 2 == 0) {
            i % 4 == 0 ? out->Stop() : out->StopNow();
            ASSERT_TRUE(end->done.waitFor(1));
        }
        out.reset(); // odd rounds: destroyed while playing
        EXPECT_EQ(endless.beginCount, endless.endCount);
    }
}

namespace {

// Delivers `good` bytes of 0x11, then every read fails.
class FailingSource : public PcmSource {
public:
    explicit FailingSource(qint64 good) : PcmSource(QByteArray(good, 0x11), 16, 2, 44100, 3000) {}
    qint64 ReadData(char* buffer, qint64 size) override
    {
        const qint64 n = PcmSource::ReadData(buffer, size);
        if (n == 0)
            throw EPcmException("read failed");
        return n;
    }
};

} // namespace

TEST(AudioOut, FailuresEndTheRunCleanly)
{
    AlsaPlayback alsa;
    struct Case {
        const char* device;
        qint64 goodBytes; // delivered before the input fails
        const char* message;
    } cases[] = {
        {"quillon_no_such_device", 0, "Cannot open sound device quillon_no_such_device"},
        {"quillon_play", 0, "read failed"},
        {"quillon_play", 3 * 8192 + 1000, "read failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.device << " " << c.goodBytes);
        AlsaPlayback::useDevice(c.device);
        FailingSource failing(c.goodBytes);
        TAudioOut out;
        auto end = watch(out);
        out.SetInput(&failing);
        out.Run();
        ASSERT_TRUE(end->failed.waitFor(1));
        EXPECT_NE(end->failed.last().find(c.message), std::string::npos) << end->failed.last();
        EXPECT_EQ(end->done.count(), 0);
        EXPECT_EQ(out.Status(), osIdle);
        EXPECT_FALSE(failing.Busy());
        // What came before the failure played, and nothing else.
        if (c.goodBytes > 0) {
            EXPECT_EQ(alsa.played(), QByteArray(c.goodBytes, 0x11));
        }

        // The output is usable again.
        AlsaPlayback::useDevice("quillon_play");
        ByteSource source(5, 1 << 20);
        out.SetInput(&source);
        out.Run();
        ASSERT_TRUE(end->done.waitFor(1)) << end->failed.last();
        EXPECT_EQ(alsa.played(), QByteArray(1 << 20, 5));
    }
}
