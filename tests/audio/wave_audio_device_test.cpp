// The recorder's wave-audio device on ALSA's file plugin: what is captured is
// what lands in the file, recordings from a position replace the rest, saves
// are all-or-nothing, and playback plays the bytes of the file.
#include "audio/wave_audio_device.h"

#include "audio/wave_header.h"
#include "recorder_alsa_env.h"
#include "support/test_support.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace quillon::test;

namespace {

constexpr qint64 kCdRate = 176400;

quint32 u32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A 44100/16/stereo file holding data.
QString writeWave(const TempHome& home, const QString& name, const QByteArray& data)
{
    QByteArray file = TWaveAudioDevice::EmptyWaveHeader(2, 16, 44100);
    qToLittleEndian<quint32>(quint32(36 + data.size()), file.data() + 4);
    qToLittleEndian<quint32>(quint32(data.size()), file.data() + 40);
    file += data;
    EXPECT_TRUE(writeFile(home.file(name), file));
    return home.file(name);
}

// Checks the header sizes and returns the data.
QByteArray waveData(const QString& path)
{
    const QByteArray file = readFile(path);
    EXPECT_GE(file.size(), 44);
    EXPECT_EQ(u32(file, 4), quint32(file.size() - 8));
    EXPECT_EQ(u32(file, 40), quint32(file.size() - 44));
    return file.mid(44);
}

// Records for about ms and stops.
void recordFor(TWaveAudioDevice& dev, qint64 fromMs, int ms)
{
    dev.Record(fromMs);
    EXPECT_EQ(dev.Mode(), TWaveMode::Recording);
    sleepMs(ms);
    dev.Stop();
    EXPECT_EQ(dev.Mode(), TWaveMode::Stopped);
    EXPECT_TRUE(dev.LastError().isEmpty()) << dev.LastError().toStdString();
}

} // namespace

TEST(WaveAudioDevice, EmptyHeaderFieldsFollowTheFormat)
{
    struct Case {
        int channels, bits, rate;
        quint32 byteRate;
        quint16 align;
    } cases[] = {
        {1, 8, 8000, 8000, 1},
        {2, 16, 48000, 192000, 4},
        {2, 16, 44100, 176400, 4},
        {1, 16, 22050, 44100, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        const QByteArray h = TWaveAudioDevice::EmptyWaveHeader(c.channels, c.bits, c.rate);
        ASSERT_EQ(h.size(), 44);
        EXPECT_EQ(h.left(4), "RIFF");
        EXPECT_EQ(u32(h, 4), 36u);
        EXPECT_EQ(h.mid(8, 8), "WAVEfmt ");
        EXPECT_EQ(u32(h, 16), 16u);
        EXPECT_EQ(u16(h, 20), 1);
        EXPECT_EQ(u16(h, 22), c.channels);
        EXPECT_EQ(u32(h, 24), quint32(c.rate));
        EXPECT_EQ(u32(h, 28), c.byteRate);
        EXPECT_EQ(u16(h, 32), c.align);
        EXPECT_EQ(u16(h, 34), c.bits);
        EXPECT_EQ(h.mid(36, 4), "data");
        EXPECT_EQ(u32(h, 40), 0u);
    }
}

TEST(WaveAudioDevice, OpenRefusesWhatItCannotPlayOrRecord)
{
    TempHome home;
    QByteArray adpcm = TWaveAudioDevice::EmptyWaveHeader(1, 16, 8000);
    qToLittleEndian<quint16>(17, adpcm.data() + 20);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"garbage.wav", QByteArray("not a wave file at all, just text")},
        {"empty.wav", QByteArray()},
        {"adpcm.wav", adpcm},
    };
    TWaveAudioDevice dev;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeFile(home.file(QString::fromLatin1(c.name)), c.bytes));
        EXPECT_THROW(dev.Open(home.file(QString::fromLatin1(c.name))), EWaveDeviceError);
        EXPECT_FALSE(dev.IsOpen());
    }
    EXPECT_THROW(dev.Open(home.file(QStringLiteral("missing.wav"))), EWaveDeviceError);
}

TEST(WaveAudioDevice, PositionsMoveWithinTheFile)
{
    TempHome home;
    TWaveAudioDevice dev;
    dev.Open(writeWave(home, QStringLiteral("one.wav"), QByteArray(kCdRate, '\1')));
    EXPECT_EQ(dev.Length(), 1000);
    using Op = void (TWaveAudioDevice::*)();
    const struct {
        Op op;
        qint64 expected;
    } steps[] = {
        {&TWaveAudioDevice::Back, 0},        {&TWaveAudioDevice::Step, 100},
        {&TWaveAudioDevice::Step, 200},      {&TWaveAudioDevice::SeekToEnd, 1000},
        {&TWaveAudioDevice::Step, 1000},     {&TWaveAudioDevice::Back, 900},
        {&TWaveAudioDevice::SeekToStart, 0},
    };
    for (const auto& s : steps) {
        (dev.*s.op)();
        EXPECT_EQ(dev.Position(), s.expected);
    }
    dev.Seek(5000);
    EXPECT_EQ(dev.Position(), 1000);
}

TEST(WaveAudioDevice, RecordingANewFileSavesExactlyTheCapturedBytes)
{
    TempHome home;
    const QByteArray input = RecorderInputPattern(10 * kCdRate);
    RecorderAlsaEnv alsa(input);
    const QString path = home.file(QStringLiteral("new.wav"));
    TWaveAudioDevice::CreateEmptyWave(path, 2, 16, 44100);
    TWaveAudioDevice dev;
    dev.Open(path);
    EXPECT_EQ(dev.Length(), 0);
    recordFor(dev, -1, 400);
    EXPECT_TRUE(dev.HasUnsavedRecording());
    EXPECT_EQ(readFile(path).size(), 44) << "nothing reaches the file before Save";
    const qint64 length = dev.Length();
    EXPECT_GT(length, 0);
    dev.Save();
    EXPECT_FALSE(dev.HasUnsavedRecording());
    const QByteArray data = waveData(path);
    ASSERT_GT(data.size(), 0);
    EXPECT_EQ(data.size() % 4, 0);
    EXPECT_EQ(data, input.left(data.size()));
    EXPECT_EQ(dev.Length(), length);

    dev.Open(path);
    EXPECT_EQ(dev.Length(), length);
}

TEST(WaveAudioDevice, RecordingFromAPositionReplacesTheRest)
{
    // Each run records from the given places in turn, then saves once. The
    // file plugin starts its input again for every recording.
    const std::vector<std::vector<qint64>> runs = {{500}, {200, 300}, {300, 100}, {0}};
    for (const auto& starts : runs) {
        SCOPED_TRACE(starts.size());
        TempHome home;
        const QByteArray input = RecorderInputPattern(10 * kCdRate);
        RecorderAlsaEnv alsa(input);
        const QByteArray old(kCdRate, '\x55');
        const QString path = writeWave(home, QStringLiteral("old.wav"), old);
        TWaveAudioDevice dev;
        dev.Open(path);
        for (qint64 from : starts)
            recordFor(dev, from, 300);
        const qint64 length = dev.Length();
        dev.Save();
        const QByteArray data = waveData(path);
        EXPECT_EQ(length, data.size() * 1000 / kCdRate);
        // What each recording left: the old file before the first start,
        // the start of the input up to the next start, and so on.
        QByteArray expected = old.left(starts[0] * kCdRate / 1000);
        for (size_t i = 1; i < starts.size(); ++i) {
            const qsizetype at = qsizetype(starts[i] * kCdRate / 1000);
            expected = at > expected.size() ? expected + input.left(at - expected.size())
                                            : expected.left(at);
        }
        ASSERT_GT(data.size(), expected.size());
        EXPECT_EQ(data.left(expected.size()), expected);
        EXPECT_EQ(data.mid(expected.size()), input.left(data.size() - expected.size()));
    }
}

TEST(WaveAudioDevice, PlaybackPlaysTheFileAndTheUnsavedRecording)
{
    TempHome home;
    const QByteArray input = RecorderInputPattern(10 * kCdRate);
    RecorderAlsaEnv alsa(input);
    const QByteArray old = RecorderInputPattern(kCdRate / 2).toBase64().left(kCdRate / 2);
    const QString path = writeWave(home, QStringLiteral("old.wav"), old);
    TWaveAudioDevice dev;
    dev.Open(path);

    dev.Play(100);
    while (dev.Mode() == TWaveMode::Playing)
        sleepMs(20);
    EXPECT_TRUE(dev.LastError().isEmpty());
    EXPECT_EQ(dev.Position(), 500);
    EXPECT_EQ(readFile(alsa.playedPath()), old.mid(kCdRate / 10));

    recordFor(dev, 250, 200);
    const qint64 recorded = dev.Length() * kCdRate / 1000 - kCdRate / 4;
    dev.Play(0);
    while (dev.Mode() == TWaveMode::Playing)
        sleepMs(20);
    const QByteArray played = readFile(alsa.playedPath());
    ASSERT_GE(played.size(), kCdRate / 4);
    EXPECT_EQ(played.left(kCdRate / 4), old.left(kCdRate / 4));
    EXPECT_EQ(played.mid(kCdRate / 4), input.left(played.size() - kCdRate / 4));
    EXPECT_GE(played.size() - kCdRate / 4, recorded);
}

TEST(WaveAudioDevice, AFailedCaptureOpenChangesNothing)
{
    TempHome home;
    RecorderAlsaEnv alsa(RecorderInputPattern(kCdRate));
    alsa.set("QUILLON_ALSA_CAPTURE_DEVICE", "quillon_nocap");
    const QString path = writeWave(home, QStringLiteral("old.wav"), QByteArray(kCdRate, '\1'));
    TWaveAudioDevice dev;
    dev.Open(path);
    dev.Seek(300);
    EXPECT_THROW(dev.Record(), EWaveDeviceError);
    EXPECT_EQ(dev.Mode(), TWaveMode::Stopped);
    EXPECT_FALSE(dev.HasUnsavedRecording());
    EXPECT_EQ(dev.Length(), 1000);
    EXPECT_EQ(dev.Position(), 300);
}

TEST(WaveAudioDevice, AFailedSaveLeavesTheFileAsItWas)
{
    TempHome home;
    const QByteArray input = RecorderInputPattern(10 * kCdRate);
    RecorderAlsaEnv alsa(input);
    const QString path = writeWave(home, QStringLiteral("old.wav"), QByteArray(kCdRate / 10, '\1'));
    const QByteArray before = readFile(path);
    TWaveAudioDevice dev;
    dev.Open(path);
    recordFor(dev, -1, 300);
    {
        ScopedFileSizeLimit limit(before.size() + 1000);
        EXPECT_THROW(dev.Save(), EWaveDeviceError);
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_TRUE(dev.HasUnsavedRecording());
    dev.Save();
    EXPECT_GT(readFile(path).size(), before.size());
}
