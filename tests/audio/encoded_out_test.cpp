// FLAC and Opus writers and the ReplayGain meter, checked by the reference
// tools: flac/metaflac, opusinfo, ffmpeg (decoding, ebur128 loudness).

#include "audio/flac_out.h"
#include "audio/opus_out.h"
#include "audio/replay_gain_meter.h"

#include "audio/audio_test_util.h"
#include "audio/converter_test_util.h"
#include "audio/vorbis_test_util.h"
#include "support/test_support.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

using namespace audiotest;
using quillon::test::readFile;
using quillon::test::ScopedFileSizeLimit;
using quillon::test::writeFile;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TTrackTags someTags()
{
    TTrackTags t;
    t.Title = s("Тест 東京 🎵");
    t.Artist = s("Artist");
    t.TrackNumber = 1;
    t.TrackTotal = 9;
    t.Cover = quillon::test::noiseJpeg(64, 48);
    t.CoverMime = s("image/jpeg");
    return t;
}

// ffmpeg's EBU R128 reading of raw 16-bit PCM: the integrated loudness in
// LUFS (the last value its metadata gives, three decimals).
double ffmpegLoudness(const QString& rawFile, int channels)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("ffmpeg"),
            {u"-nostats"_s, u"-hide_banner"_s, u"-f"_s, u"s16le"_s, u"-ar"_s, u"44100"_s, u"-ac"_s,
             QString::number(channels), u"-i"_s, rawFile, u"-af"_s,
             u"ebur128=metadata=1,ametadata=mode=print:key=lavfi.r128.I"_s, u"-f"_s, u"null"_s,
             u"-"_s});
    p.waitForFinished(120000);
    const QString out = QString::fromUtf8(p.readAll());
    double integrated = NAN;
    for (const auto& m :
         QRegularExpression(QStringLiteral(R"(lavfi\.r128\.I=(-?[\d.]+))")).globalMatch(out))
        integrated = m.captured(1).toDouble();
    return integrated;
}

class EncodedOutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString file(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QStringList partFiles() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::Files | QDir::Hidden)
            .filter(QStringLiteral(".part"));
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(EncodedOutTest, FlacIsLosslessVerifiedAndSeekable)
{
    const struct {
        int bits, channels, rate, frames;
        qint64 chunk;
        bool sizeUnknown;
        int level;
    } cases[] = {
        {16, 2, 44100, 3 * 44100 + 17, 5001, false, 5},
        {16, 1, 22050, 30011, 4096, false, 0},
        {8, 2, 44100, 20000, 333, false, 8},
        {16, 2, 44100, 50000, 4096, true, 5},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(++n);
        const QByteArray pcm = testSignal(c.frames, c.bits, c.channels, unsigned(n));
        PcmSource source(pcm, c.bits, c.channels, c.rate, c.chunk);
        source.sizeUnknown = c.sizeUnknown;
        TReplayGainMeter meter;
        meter.SetInput(&source);
        TFlacOut out;
        const QString path = file("out.flac");
        out.SetFileName(path);
        out.SetCompressionLevel(c.level);
        out.SetTags(someTags());
        out.SetGainMeter(&meter);
        ASSERT_EQ(writeWave(out, meter), "");
        EXPECT_TRUE(out.Completed());
        EXPECT_TRUE(partFiles().isEmpty());

        EXPECT_FALSE(runProgram(QStringLiteral("flac"), {u"-t"_s, u"-s"_s, path}).isNull())
            << "flac -t failed";
        QByteArray decoded =
            runProgram(QStringLiteral("flac"), {u"-d"_s, u"-c"_s, u"-s"_s, u"--force-raw-format"_s,
                                                u"--endian=little"_s, u"--sign=signed"_s, path});
        if (c.bits == 8) {
            for (char& b : decoded)
                b = char(static_cast<unsigned char>(b) ^ 0x80); // signed back to unsigned
        }
        EXPECT_TRUE(decoded == pcm) << decoded.size() << " vs " << pcm.size();
        EXPECT_EQ(
            runProgram(QStringLiteral("metaflac"), {u"--show-total-samples"_s, path}).trimmed(),
            QByteArray::number(c.frames));
        const QByteArray seekTable = runProgram(QStringLiteral("metaflac"),
                                                {u"--list"_s, u"--block-type=SEEKTABLE"_s, path});
        EXPECT_EQ(seekTable.contains("point 0:"), !c.sizeUnknown);
        const QString tags = QString::fromUtf8(
            runProgram(QStringLiteral("metaflac"), {u"--export-tags-to=-"_s, path}));
        EXPECT_TRUE(tags.contains(s("TITLE=Тест 東京 🎵\n")));
        EXPECT_TRUE(tags.contains(QStringLiteral("REPLAYGAIN_TRACK_GAIN=") +
                                  GainText(meter.TrackGain().Gain)))
            << tags.toStdString();
        EXPECT_EQ(runProgram(QStringLiteral("metaflac"), {u"--export-picture-to=-"_s, path}),
                  someTags().Cover);
    }
}

TEST_F(EncodedOutTest, OpusCarriesTagsCoverAndR128Gain)
{
    const int frames = 5 * 44100;
    const QByteArray pcm = testSignal(frames, 16, 2);
    PcmSource source(pcm, 16, 2, 44100, 4100);
    TReplayGainMeter meter;
    meter.SetInput(&source);
    TOpusOut out;
    const QString path = file("out.opus");
    out.SetFileName(path);
    out.SetBitRate(128);
    out.SetTags(someTags());
    out.SetGainMeter(&meter);
    ASSERT_EQ(writeWave(out, meter), "");
    EXPECT_TRUE(out.Completed());
    EXPECT_TRUE(partFiles().isEmpty());

    QProcess info;
    info.setProcessChannelMode(QProcess::MergedChannels);
    info.start(QStringLiteral("opusinfo"), {path});
    info.waitForFinished(60000);
    const QString text = QString::fromUtf8(info.readAll());
    EXPECT_EQ(info.exitCode(), 0) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("WARNING")) || text.contains(QStringLiteral("ERROR")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(s("TITLE=Тест 東京 🎵")));
    EXPECT_TRUE(text.contains(
        QStringLiteral("R128_TRACK_GAIN=%1").arg(R128GainFromReplayGain(meter.TrackGain().Gain))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Original sample rate: 44100")));
    EXPECT_EQ(runProgram(QStringLiteral("ffmpeg"),
                         {u"-v"_s, u"error"_s, u"-i"_s, path, u"-an"_s, u"-map"_s, u"0:v:0"_s,
                          u"-c"_s, u"copy"_s, u"-f"_s, u"image2pipe"_s, u"-"_s}),
              someTags().Cover);

    // Lossy, but the same music, in time and of the same length.
    const QByteArray decoded =
        runProgram(QStringLiteral("ffmpeg"), {u"-v"_s, u"error"_s, u"-i"_s, path, u"-ar"_s,
                                              u"44100"_s, u"-f"_s, u"s16le"_s, u"-"_s});
    EXPECT_NEAR(double(decoded.size()), double(pcm.size()), 4.0 * 44100 * 0.01);
    EXPECT_GT(vorbistest::correlation(pcm, decoded), 0.98);
}

TEST_F(EncodedOutTest, StoppedOrFailedRunsLeaveNothingBehind)
{
    using Factory = std::function<std::unique_ptr<TEncodedFileOut>()>;
    const struct {
        const char* what;
        Factory make;
    } outputs[] = {
        {"flac", [] { return std::make_unique<TFlacOut>(); }},
        {"opus", [] { return std::make_unique<TOpusOut>(); }},
    };
    const struct {
        const char* what;
        int bits;
        qint64 sizeLimit; // 0: none
        bool stop;
        const char* error; // part of the message; empty: ends with OnDone
    } cases[] = {
        {"stopped", 16, 0, true, ""},
        {"disk full", 16, 20000, false, "annot"},
        {"24-bit input", 24, 0, false, "Cannot encode this audio format."},
    };
    for (const auto& o : outputs) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(o.what) + ": " + c.what);
            const QString path = file("kept.out");
            ASSERT_TRUE(writeFile(path, "an older file of the user"));
            std::unique_ptr<TEncodedFileOut> out = o.make();
            out->SetFileName(path);
            std::unique_ptr<TPcmInput> source;
            if (c.stop)
                source = std::make_unique<ByteSource>('\x11', -1); // never ends
            else
                source = std::make_unique<PcmSource>(testSignal(200000, 16, 2), c.bits, 2, 44100);
            EventCounter progress;
            out->OnProgress = [&](QObject*) { progress.hit(); };
            std::unique_ptr<ScopedFileSizeLimit> limit;
            if (c.sizeLimit)
                limit = std::make_unique<ScopedFileSizeLimit>(c.sizeLimit);
            std::string error;
            if (c.stop) {
                EventCounter done;
                out->OnDone = [&](QObject*) { done.hit(); };
                out->SetInput(source.get());
                out->Run();
                EXPECT_TRUE(waitUntil([&] { return out->Status() == osBusy; }));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                out->Stop();
                EXPECT_TRUE(done.waitFor(1));
            } else {
                error = writeWave(*out, *source);
            }
            limit.reset();
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            EXPECT_EQ(error.empty(), *c.error == '\0') << error;
            EXPECT_FALSE(out->Completed());
            EXPECT_EQ(readFile(path), QByteArray("an older file of the user"));
            EXPECT_TRUE(partFiles().isEmpty()) << partFiles().join(u' ').toStdString();
            out->SetInput(nullptr);
        }
    }
}

TEST(ReplayGain, TrackAndAlbumGainAgreeWithFfmpeg)
{
    QTemporaryDir dir;
    // Steady tones, so that the blocks a concatenation adds at the joint
    // (which an album measurement leaves out) change little; and a mono one.
    const struct {
        double hz;
        double amplitude;
        int channels;
    } tracks[] = {{440, 20000, 2}, {1000, 8000, 2}, {97, 12000, 1}};
    std::vector<std::unique_ptr<TLoudness>> measured;
    QByteArray stereoAlbum;
    int n = 0;
    for (const auto& t : tracks) {
        SCOPED_TRACE(++n);
        const QByteArray pcm = convtest::sine(t.hz, 44100, 6 * 44100, t.channels, t.amplitude);
        PcmSource source(pcm, 16, t.channels, 44100, 3333); // reads split frames
        TReplayGainMeter meter;
        meter.SetInput(&source);
        CollectingOut sink;
        ASSERT_EQ(writeWave(sink, meter), "");
        EXPECT_TRUE(sink.data() == pcm) << "the meter changes nothing";

        const QString rawFile = dir.filePath(QStringLiteral("%1.raw").arg(n));
        ASSERT_TRUE(writeFile(rawFile, pcm));
        const double reference = ffmpegLoudness(rawFile, t.channels);
        const TGainValue gain = meter.TrackGain();
        ASSERT_TRUE(gain.Valid);
        if (t.channels == 2) {
            EXPECT_NEAR(gain.Gain, -18.0 - reference, 0.1);
            const std::vector<int> values = convtest::values16(pcm);
            const int highest =
                std::abs(*std::max_element(values.begin(), values.end(),
                                           [](int a, int b) { return std::abs(a) < std::abs(b); }));
            EXPECT_DOUBLE_EQ(gain.Peak, highest / 32768.0);
            stereoAlbum += pcm;
            measured.push_back(meter.TakeLoudness());
        } else {
            // A mono track counts twice (both speakers): 3 dB louder than
            // ffmpeg's reading of one channel.
            EXPECT_NEAR(gain.Gain, -18.0 - reference - 3.01, 0.1);
        }
    }
    const QString albumFile = dir.filePath(QStringLiteral("album.raw"));
    ASSERT_TRUE(writeFile(albumFile, stereoAlbum));
    const double album = ffmpegLoudness(albumFile, 2);
    const TGainValue albumGain = AlbumGain({measured[0].get(), measured[1].get()});
    ASSERT_TRUE(albumGain.Valid);
    EXPECT_NEAR(albumGain.Gain, -18.0 - album, 0.1);
    EXPECT_DOUBLE_EQ(albumGain.Peak, std::max(measured[0]->peak(), measured[1]->peak()));

    // Silence has no loudness to correct: no gain at all.
    PcmSource silence(QByteArray(4 * 44100 * 2, '\0'), 16, 2, 44100);
    TReplayGainMeter meter;
    meter.SetInput(&silence);
    CollectingOut sink;
    ASSERT_EQ(writeWave(sink, meter), "");
    EXPECT_FALSE(meter.TrackGain().Valid);
    EXPECT_FALSE(AlbumGain({}).Valid);
}
