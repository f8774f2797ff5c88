// WAV decoding checked against sox and ffmpeg: files they make are decoded by
// us to the samples they decode, and ADPCM files we make are decoded by them
// to ours. DVI ADPCM is compared with sox, whose decoder uses the same
// shift-and-add step arithmetic as ours; ffmpeg computes the step product
// exactly, so its decoding of DVI ADPCM is only checked against the original
// signal. Fixtures are made in a temporary folder.

#include "audio_test_util.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace audiotest;
using quillon::test::haveProgram;
using quillon::test::readFile;
using quillon::test::TempHome;
using quillon::test::writeFile;

namespace {

// A 1.5 s two-tone source file made by sox (no dither, reproducible), 6 dB
// below full scale: sox's DVI decoder clamps to -32768 where ours stops at
// -32767.
QString makeSource(const TempHome& home, int channels, int rate = 22050)
{
    const QString path = home.file(QStringLiteral("source%1.wav").arg(channels));
    const QByteArray ok =
        runProgram(QStringLiteral("sox"),
                   {u"-D"_s, u"-n"_s, u"-r"_s, QString::number(rate), u"-c"_s,
                    QString::number(channels), u"-b"_s, u"16"_s, path, u"synth"_s, u"1.5"_s,
                    u"sine"_s, u"440"_s, u"sine"_s, u"1234"_s, u"gain"_s, u"-6"_s});
    return ok.isNull() ? QString() : path;
}

bool haveTools()
{
    return haveProgram(QStringLiteral("sox")) && haveProgram(QStringLiteral("ffmpeg"));
}

} // namespace

TEST(WaveTools, ForeignAdpcmFilesDecodeToFfmpegsSamples)
{
    if (!haveTools())
        GTEST_SKIP() << "sox and ffmpeg are needed";
    TempHome home;
    struct Case {
        const char* name;
        QStringList command; // {in} and {out} are replaced
        TWavType type;
        bool soxReference;
    };
    const Case cases[] = {
        {"sox ima-adpcm",
         {u"sox"_s, u"{in}"_s, u"-e"_s, u"ima-adpcm"_s, u"{out}"_s},
         wtDVIADPCM,
         true},
        {"sox ms-adpcm",
         {u"sox"_s, u"{in}"_s, u"-e"_s, u"ms-adpcm"_s, u"{out}"_s},
         wtMSADPCM,
         false},
        {"ffmpeg adpcm_ima_wav",
         {u"ffmpeg"_s, u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, u"{in}"_s, u"-c:a"_s,
          u"adpcm_ima_wav"_s, u"{out}"_s},
         wtDVIADPCM,
         true},
        {"ffmpeg adpcm_ms",
         {u"ffmpeg"_s, u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, u"{in}"_s, u"-c:a"_s, u"adpcm_ms"_s,
          u"{out}"_s},
         wtMSADPCM,
         false},
        {"sox a-law", {u"sox"_s, u"{in}"_s, u"-e"_s, u"a-law"_s, u"{out}"_s}, wtACM, false},
        {"sox u-law", {u"sox"_s, u"{in}"_s, u"-e"_s, u"u-law"_s, u"{out}"_s}, wtACM, false},
        {"ffmpeg gsm_ms",
         {u"ffmpeg"_s, u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, u"{in}"_s, u"-ar"_s, u"8000"_s,
          u"-ac"_s, u"1"_s, u"-c:a"_s, u"libgsm_ms"_s, u"{out}"_s},
         wtACM,
         false},
    };
    for (int channels : {1, 2}) {
        const QString source = makeSource(home, channels);
        ASSERT_FALSE(source.isEmpty());
        for (const Case& c : cases) {
            const QString out = home.file(QStringLiteral("foreign.wav"));
            QStringList args = c.command;
            const QString program = args.takeFirst();
            for (QString& a : args)
                a = a == QStringLiteral("{in}") ? source : a == QStringLiteral("{out}") ? out : a;
            ASSERT_FALSE(runProgram(program, args).isNull()) << c.name;
            TWaveIn in;
            in.SetFileName(out);
            EXPECT_EQ(in.GetWavType(), c.type) << c.name;
            const QByteArray theirs = c.soxReference ? soxDecode(out) : ffmpegDecode(out);
            ASSERT_FALSE(theirs.isEmpty()) << c.name;
            const QByteArray header = readFile(out).left(40);
            const qsizetype blockBytes = 4 * qFromLittleEndian<quint16>(header.constData() + 32);
            EXPECT_EQ(prefixDifference(readWave(in), theirs, blockBytes), "")
                << c.name << ", " << channels << " channels";
        }
    }
}

TEST(WaveTools, OurDviAdpcmDecodesTheSameInFfmpegAndSox)
{
    if (!haveTools())
        GTEST_SKIP() << "sox and ffmpeg are needed";
    TempHome home;
    for (int channels : {1, 2}) {
        for (int blockSize : {256, 512, 1024}) {
            const QByteArray pcm = testSignal(20000, 16, channels, unsigned(blockSize));
            PcmSource source(pcm, 16, channels, 22050);
            TWaveOut out;
            out.SetWavType(wtDVIADPCM);
            out.SetBlockSize(quint16(blockSize));
            out.SetFileName(home.file(QStringLiteral("ours.wav")));
            ASSERT_EQ(writeWave(out, source), "");
            const QByteArray ours = readWaveFile(home.file(QStringLiteral("ours.wav")));
            ASSERT_EQ(ours.size(), pcm.size());
            const qsizetype blockBytes = 4 * blockSize;
            EXPECT_EQ(prefixDifference(ours, soxDecode(home.file(QStringLiteral("ours.wav"))),
                                       blockBytes),
                      "")
                << "sox, " << channels << "/" << blockSize;
            const QByteArray byFfmpeg = ffmpegDecode(home.file(QStringLiteral("ours.wav")));
            EXPECT_GE(byFfmpeg.size(), ours.size());
            EXPECT_LE(byFfmpeg.size() - ours.size(), blockBytes);
            EXPECT_GT(snrDb(pcm, byFfmpeg), 25.0) << "ffmpeg, " << channels << "/" << blockSize;
        }
    }
}

TEST(WaveTools, Mp3InWavIsDecodedThroughLibavcodec)
{
    if (!haveTools())
        GTEST_SKIP() << "sox and ffmpeg are needed";
    TempHome home;
    for (int channels : {1, 2}) {
        const QString source = makeSource(home, channels, 44100);
        const QString mp3wav = home.file(QStringLiteral("mp3.wav"));
        ASSERT_FALSE(runProgram(QStringLiteral("ffmpeg"),
                                {u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, source, u"-c:a"_s,
                                 u"libmp3lame"_s, u"-b:a"_s, u"128k"_s, u"-f"_s, u"wav"_s, mp3wav})
                         .isNull());
        ASSERT_EQ(qFromLittleEndian<quint16>(readFile(mp3wav).constData() + 20), 85);
        TWaveIn in;
        in.SetFileName(mp3wav);
        EXPECT_EQ(in.GetWavType(), wtACM);
        EXPECT_EQ(in.GetChannels(), channels);
        EXPECT_EQ(in.GetSampleRate(), 44100);
        EXPECT_EQ(in.GetBitsPerSample(), 16);
        const QByteArray ours = readWave(in);
        const QByteArray theirs = ffmpegDecode(mp3wav);
        ASSERT_EQ(ours.size(), theirs.size()) << channels;
        int worst = 0;
        for (qsizetype i = 0; i < ours.size() / 2; ++i)
            worst = std::max(worst, std::abs(sampleAt(ours, i) - sampleAt(theirs, i)));
        EXPECT_LE(worst, 1) << channels << " channels";
        // Start and end of a range work on the decoded image too.
        in.SetStartSample(1000);
        in.SetEndSample(2000);
        EXPECT_EQ(readWave(in), ours.mid(1000 * 2 * channels, 1000 * 2 * channels));
    }
}

TEST(WaveTools, CorruptMp3InWavIsNotValid)
{
    if (!haveTools())
        GTEST_SKIP() << "sox and ffmpeg are needed";
    TempHome home;
    const QString source = makeSource(home, 1, 44100);
    const QString mp3wav = home.file(QStringLiteral("mp3.wav"));
    ASSERT_FALSE(runProgram(QStringLiteral("ffmpeg"),
                            {u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, source, u"-c:a"_s,
                             u"libmp3lame"_s, u"-f"_s, u"wav"_s, mp3wav})
                     .isNull());
    QByteArray bytes = readFile(mp3wav);
    const qsizetype data = bytes.indexOf("data");
    ASSERT_GT(data, 0);
    // The whole data chunk replaced by noise: nothing decodes.
    for (qsizetype i = data + 8; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) & 0x7F);
    ASSERT_TRUE(writeFile(mp3wav, bytes));
    TWaveIn in;
    in.SetFileName(mp3wav);
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(in.GetWavType(), wtUnsupported);
}
