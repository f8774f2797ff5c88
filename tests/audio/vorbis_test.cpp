// Ogg Vorbis writer and reader: round trips checked against the
// vorbis-tools (ogginfo, oggdec, vorbiscomment) and ffmpeg, the bit-rate
// setters, appending, the reader's ranges, jumps and loops, refused files and
// missing libraries.
#include "vorbis_test_util.h"

#include "audio/pcm_exception.h"
#include "audio/vorbis_library.h"
#include "support/test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <optional>

using namespace audiotest;
using namespace quillon::test;
using namespace vorbistest;

namespace {

bool haveTools()
{
    return haveProgram(QStringLiteral("ogginfo")) && haveProgram(QStringLiteral("oggdec")) &&
           haveProgram(QStringLiteral("vorbiscomment")) && haveProgram(QStringLiteral("ffmpeg"));
}

struct RoundTripCase {
    const char* name;
    int channels;
    int rate;
    int frames;
    float quality;          // used when nominal is brAutoSelect
    TVorbisBitRate maximum; // set before the nominal, as the job does
    TVorbisBitRate nominal;
    TVorbisBitRate minimum;
    double minCorrelation;
    long headerNominal; // bit rate our reader must find in the header (0: any)
};

TEST(VorbisRoundTrip, EncodedFilesDecodeToTheSameLengthEverywhere)
{
    if (!haveTools())
        GTEST_SKIP() << "vorbis-tools or ffmpeg missing";
    const RoundTripCase cases[] = {
        {"quality 0.2 stereo", 2, 44100, 100003, 0.2f, brAutoSelect, brAutoSelect, brAutoSelect,
         0.99, 0},
        {"quality 0.9 stereo", 2, 44100, 44100, 0.9f, brAutoSelect, brAutoSelect, brAutoSelect,
         0.999, 0},
        {"quality mono 22050", 1, 22050, 30001, 0.5f, brAutoSelect, brAutoSelect, brAutoSelect,
         0.99, 0},
        {"managed 128 only", 2, 44100, 70000, 0.2f, brAutoSelect, br128, brAutoSelect, 0.99,
         128000},
        {"managed 96..160", 2, 48000, 50000, 0.2f, br160, br96, br64, 0.98, 96000},
        {"managed 56 (46000)", 2, 44100, 40000, 0.2f, brAutoSelect, br56, brAutoSelect, 0.9, 46000},
        {"shorter than a block", 2, 44100, 100, 0.2f, brAutoSelect, brAutoSelect, brAutoSelect, 0.0,
         0},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".ogg"));
        const QByteArray pcm = testSignal(c.frames, 16, c.channels, 3);
        ASSERT_EQ(encode(path, pcm, c.channels, c.rate,
                         [&](TVorbisOut& out) {
                             out.SetCompression(c.quality);
                             out.SetDesiredMaximumBitrate(c.maximum);
                             out.SetDesiredNominalBitrate(c.nominal);
                             out.SetMinimumBitrate(c.minimum);
                         }),
                  "");
        EXPECT_EQ(oggInfoComplaint(path), "");

        TVorbisIn in;
        in.SetFileName(path);
        ASSERT_TRUE(in.Valid());
        EXPECT_EQ(in.GetChannels(), c.channels);
        EXPECT_EQ(in.GetSampleRate(), c.rate);
        EXPECT_EQ(in.GetBitsPerSample(), 16);
        EXPECT_EQ(in.TotalSamples(), c.frames);
        EXPECT_EQ(in.GetTotalTime(), int(std::nearbyint(double(c.frames) / c.rate)));
        if (c.headerNominal) {
            EXPECT_EQ(in.BitrateNominal(), c.headerNominal);
        }
        const QByteArray ours = readAll(in);
        ASSERT_EQ(ours.size(), pcm.size());
        if (c.minCorrelation > 0) {
            EXPECT_GT(correlation(pcm, ours), c.minCorrelation);
        }
        // oggdec decodes with the same library: the very same samples.
        EXPECT_EQ(sampleDifference(ours, oggdecDecode(path)), "");
        // ffmpeg has a decoder of its own: the same length. (It does not
        // trim a stream whose only audio page ends before its first full
        // block, so the 100-frame file is left to the others.)
        if (c.frames > 4096) {
            EXPECT_EQ(ffmpegDecode(path).size(), pcm.size());
        }
    }
}

TEST(VorbisOut, ManagedSetupFollowsTheSetterRules)
{
    struct Step {
        char which; // 'x' maximum, 'n' nominal, 'm' minimum
        TVorbisBitRate value;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        TVorbisBitRate maximum, nominal, minimum;
        long setupMax, setupNominal, setupMin;
    };
    const Case cases[] = {
        {"defaults are quality-driven", {}, brAutoSelect, brAutoSelect, brAutoSelect, -1, -1, -1},
        {"maximum ignored while nominal is auto",
         {{'x', br192}},
         brAutoSelect,
         brAutoSelect,
         brAutoSelect,
         -1,
         -1,
         -1},
        {"minimum above nominal ignored",
         {{'m', br64}},
         brAutoSelect,
         brAutoSelect,
         brAutoSelect,
         -1,
         -1,
         -1},
        {"nominal alone: all three equal",
         {{'n', br128}},
         br128,
         br128,
         brAutoSelect,
         128000,
         128000,
         128000},
        {"nominal raises a lower maximum",
         {{'n', br128}, {'x', br128}, {'n', br160}},
         br160,
         br160,
         brAutoSelect,
         160000,
         160000,
         160000},
        {"maximum below nominal ignored",
         {{'n', br128}, {'x', br96}},
         br128,
         br128,
         brAutoSelect,
         128000,
         128000,
         128000},
        {"maximum above nominal kept",
         {{'n', br128}, {'x', br256}},
         br256,
         br128,
         brAutoSelect,
         256000,
         128000,
         128000},
        {"nominal lowers a higher minimum",
         {{'n', br160}, {'m', br128}, {'n', br96}},
         br160,
         br96,
         br96,
         160000,
         96000,
         96000},
        {"minimum below nominal kept",
         {{'n', br128}, {'m', br64}},
         br128,
         br128,
         br64,
         128000,
         128000,
         64000},
        {"nominal back to auto clears maximum and minimum",
         {{'n', br128}, {'x', br256}, {'m', br64}, {'n', brAutoSelect}},
         brAutoSelect,
         brAutoSelect,
         brAutoSelect,
         -1,
         -1,
         -1},
        {"br56 asks for 46000", {{'n', br56}}, br56, br56, brAutoSelect, 46000, 46000, 46000},
        {"job order: max, nominal, min",
         {{'x', br192}, {'n', br128}, {'m', br96}},
         br128,
         br128,
         br96,
         128000,
         128000,
         96000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TVorbisOut out;
        for (const Step& s : c.steps) {
            if (s.which == 'x')
                out.SetDesiredMaximumBitrate(s.value);
            else if (s.which == 'n')
                out.SetDesiredNominalBitrate(s.value);
            else
                out.SetMinimumBitrate(s.value);
        }
        EXPECT_EQ(out.DesiredMaximumBitrate(), c.maximum);
        EXPECT_EQ(out.DesiredNominalBitrate(), c.nominal);
        EXPECT_EQ(out.MinimumBitrate(), c.minimum);
        const auto setup = out.EncoderSetup();
        EXPECT_EQ(setup.maximum, c.setupMax);
        EXPECT_EQ(setup.nominal, c.setupNominal);
        EXPECT_EQ(setup.minimum, c.setupMin);
    }
    EXPECT_EQ(VorbisBitRateFromIndex(-3), brAutoSelect);
    EXPECT_EQ(VorbisBitRateFromIndex(14), br320);
    EXPECT_EQ(VorbisBitRateFromIndex(99), br499);
}

TEST(VorbisOut, CommentsAreWrittenAndReadBackAndClearedAfterTheRun)
{
    if (!haveTools())
        GTEST_SKIP() << "vorbis-tools missing";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.ogg"));
    const QStringList lines = {QStringLiteral("TITLE=Café ünder=way"),
                               QStringLiteral("ARTIST=Somebody"), QStringLiteral("no equals sign"),
                               QStringLiteral("=no name"), QStringLiteral("TRACKNUMBER=7")};
    audiotest::PcmSource source(testSignal(20000, 16, 2), 16, 2, 44100);
    TVorbisOut out;
    out.SetFileName(path);
    out.SetComments(lines);
    ASSERT_EQ(runOutput(out, source), "");
    EXPECT_TRUE(out.Comments().isEmpty());
    const QStringList expected = {QStringLiteral("TITLE=Café ünder=way"),
                                  QStringLiteral("ARTIST=Somebody"),
                                  QStringLiteral("TRACKNUMBER=7")};
    EXPECT_EQ(listComments(path), expected);
    TVorbisIn in;
    in.SetFileName(path);
    EXPECT_EQ(in.Comments(), expected);
}

TEST(VorbisOut, AppendWritesASecondLogicalStream)
{
    if (!haveTools())
        GTEST_SKIP() << "vorbis-tools missing";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chain.ogg"));
    const QByteArray first = testSignal(30000, 16, 2, 1);
    const QByteArray second = testSignal(20000, 16, 2, 2);
    ASSERT_EQ(encode(path, first, 2, 44100, [](TVorbisOut& out) { out.SetSerial(5); }), "");
    const qint64 firstSize = QFile(path).size();
    // The same serial twice: the writer picks a free one for the new stream.
    ASSERT_EQ(encode(path, second, 2, 44100,
                     [](TVorbisOut& out) {
                         out.SetSerial(5);
                         out.SetFileMode(foAppend);
                     }),
              "");
    EXPECT_GT(QFile(path).size(), firstSize);
    EXPECT_EQ(oggInfoComplaint(path), "");
    const ToolResult info = runTool(QStringLiteral("ogginfo"), {path});
    EXPECT_EQ(info.output.count(QStringLiteral("New logical stream")), 2)
        << info.output.toStdString();

    TVorbisIn in;
    in.SetFileName(path);
    EXPECT_EQ(in.TotalSamples(), 50000);
    EXPECT_EQ(readAll(in).size(), first.size() + second.size());

    // A fresh file in foAppend is simply written.
    const QString fresh = dir.filePath(QStringLiteral("fresh.ogg"));
    ASSERT_EQ(encode(fresh, first, 2, 44100, [](TVorbisOut& out) { out.SetFileMode(foAppend); }),
              "");
    EXPECT_EQ(oggInfoComplaint(fresh), "");
}

TEST(VorbisOut, SerialNumbersAreRandomUnlessSet)
{
    QTemporaryDir dir;
    const QByteArray pcm = testSignal(5000, 16, 2);
    // The serial of the file's first page (bytes 14 to 17, little-endian).
    const auto serialOf = [&](const char* name, std::optional<qint32> set) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_EQ(encode(path, pcm, 2, 44100,
                         [&](TVorbisOut& out) {
                             if (set)
                                 out.SetSerial(*set);
                         }),
                  "");
        const QByteArray file = readFile(path);
        EXPECT_TRUE(file.startsWith("OggS"));
        return qFromLittleEndian<qint32>(file.constData() + 14);
    };
    const qint32 a = serialOf("a.ogg", std::nullopt);
    const qint32 b = serialOf("b.ogg", std::nullopt);
    EXPECT_NE(a, b);
    EXPECT_NE(a, 0);
    EXPECT_EQ(serialOf("c.ogg", 0), 0);
    EXPECT_EQ(serialOf("d.ogg", -7), -7);
}

TEST(VorbisOut, RunFailuresComeThroughTheFailureEvent)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QString file;
        int bits, channels, rate;
        TVorbisBitRate nominal;
        const char* error;
    };
    const Case cases[] = {
        {"no file name", QString(), 16, 2, 44100, brAutoSelect, "File name is not assigned."},
        {"8-bit input", dir.filePath(QStringLiteral("a.ogg")), 8, 2, 44100, brAutoSelect,
         "Cannot encode this audio format into Ogg Vorbis."},
        {"settings the encoder refuses", dir.filePath(QStringLiteral("b.ogg")), 16, 1, 8000, br499,
         "Cannot set up the Vorbis encoder with these settings."},
        {"folder that does not exist", dir.filePath(QStringLiteral("no/such.ogg")), 16, 2, 44100,
         brAutoSelect, "Cannot open the output file."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        audiotest::PcmSource source(QByteArray(4000, 0), c.bits, c.channels, c.rate);
        TVorbisOut out;
        out.SetFileName(c.file);
        out.SetDesiredNominalBitrate(c.nominal);
        EXPECT_EQ(runOutput(out, source), c.error);
        EXPECT_FALSE(source.Busy());
    }
}

TEST(VorbisOut, CloseWrittenLeavesACompleteShorterFile)
{
    if (!haveTools())
        GTEST_SKIP() << "vorbis-tools missing";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stopped.ogg"));
    // Endless input: only the stop ends this run.
    audiotest::ByteSource source(3, -1);
    TVorbisOut out;
    out.SetFileName(path);
    EventCounter done;
    out.OnDone = [&done](QObject*) { done.hit(); };
    out.SetInput(&source);
    out.Run();
    ASSERT_TRUE(waitUntil([&] { return source.reads.load() > 20; }));
    out.CloseWritten();
    EXPECT_TRUE(done.waitFor(1));
    ASSERT_TRUE(waitUntil([&] { return !out.Busy(); }));
    out.SetInput(nullptr);
    EXPECT_EQ(oggInfoComplaint(path), "");
    TVorbisIn in;
    in.SetFileName(path);
    EXPECT_TRUE(in.Valid());
    EXPECT_GT(in.TotalSamples(), 0);
}

class VorbisInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.filePath(QStringLiteral("in.ogg"));
        ASSERT_EQ(encode(path, testSignal(kFrames, 16, 2, 9), 2, 44100), "");
        TVorbisIn in;
        in.SetFileName(path);
        whole = readAll(in);
        ASSERT_EQ(whole.size(), kFrames * 4);
    }
    static constexpr int kFrames = 60000;
    QTemporaryDir dir;
    QString path;
    QByteArray whole;
};

TEST_F(VorbisInTest, RangesDeliverExactlyTheirFrames)
{
    struct Case {
        qint32 start, end;
    };
    const Case cases[] = {{0, 5000},   {1000, 5000}, {12345, 12346},
                          {59000, -1}, {0, 2047},    {30000, 90000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.end));
        TVorbisIn in;
        in.SetFileName(path);
        in.SetStartSample(c.start);
        in.SetEndSample(c.end);
        const qint64 last = c.end == -1 ? kFrames : std::min(c.end, kFrames);
        const QByteArray got = readAll(in);
        EXPECT_EQ(got.size(), (last - c.start) * 4);
        EXPECT_EQ(sampleDifference(got, whole.mid(c.start * 4, (last - c.start) * 4)), "");
    }
}

TEST_F(VorbisInTest, JumpLoopAndReadingWhileClosed)
{
    {
        TVorbisIn in;
        in.SetFileName(path);
        char buffer[100];
        EXPECT_THROW(in.ReadData(buffer, sizeof buffer), EPcmException);
        // A jump of half the file before the first read starts delivery there.
        in.BeginRead();
        in.Jump(50);
        QByteArray got;
        qint64 n;
        while ((n = in.ReadData(buffer, sizeof buffer)) > 0)
            got.append(buffer, n);
        in.EndRead();
        EXPECT_EQ(got.size(), whole.size() / 2);
        EXPECT_EQ(sampleDifference(got, whole.mid(whole.size() / 2)), "");
    }
    {
        TVorbisIn in;
        in.SetFileName(path);
        in.SetEndSample(3000);
        in.SetLoop(true);
        const QByteArray got = readAll(in, 3 * 12000 + 500);
        ASSERT_GE(got.size(), 3 * 12000);
        for (int round = 0; round < 3; ++round)
            EXPECT_EQ(sampleDifference(got.mid(round * 12000, 12000), whole.left(12000)), "")
                << round;
    }
    {
        // A supplied stream is rewound when the reader lets go of it.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        TVorbisIn in;
        in.setStream(&file);
        EXPECT_TRUE(in.Valid());
        EXPECT_EQ(file.pos(), 0);
        EXPECT_EQ(readAll(in).size(), whole.size());
        EXPECT_EQ(file.pos(), 0);
    }
}

TEST(VorbisIn, FilesTheLibraryRefusesAreNotValid)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("x.wav"));
    ASSERT_EQ(writeWav(wav, testSignal(1000, 16, 2), 2, 44100), "");
    QByteArray truncated;
    {
        const QString good = dir.filePath(QStringLiteral("good.ogg"));
        ASSERT_EQ(encode(good, testSignal(20000, 16, 2), 2, 44100), "");
        truncated = readFile(good).left(60); // inside the first header page
    }
    struct Case {
        const char* name;
        QByteArray content; // null: no file at all
    };
    const Case cases[] = {
        {"missing", QByteArray()},
        {"empty", QByteArray("")},
        {"text", QByteArray("this is not an ogg file at all\n").repeated(50)},
        {"wav", readFile(wav)},
        {"cut inside the headers", truncated},
        {"capture pattern and garbage", QByteArray("OggS") + QByteArray(5000, '\x7f')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".ogg"));
        if (!c.content.isNull()) {
            ASSERT_TRUE(writeFile(path, c.content));
        }
        TVorbisIn in;
        in.SetFileName(path);
        EXPECT_FALSE(in.Valid());
        EXPECT_EQ(in.GetChannels(), 0);
        EXPECT_EQ(in.TotalSamples(), 0);
        EXPECT_TRUE(in.Comments().isEmpty());
        EXPECT_FALSE(in.SeekSample(10));
        EXPECT_EQ(readAll(in).size(), 0);
    }
}

TEST(VorbisLibraries, AMissingLibraryIsNamedAndNothingIsCreated)
{
    struct Case {
        const char* missing;
        const char* message;
    };
    const Case cases[] = {
        {"libogg.so.0", "libogg.so.0 library could not be loaded."},
        {"libvorbis.so.0", "libvorbis.so.0 library could not be loaded."},
        {"libvorbisfile.so.3", "libvorbisfile.so.3 library could not be loaded."},
        {"libvorbisenc.so.2", "libvorbisenc.so.2 library could not be loaded."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.missing);
        vorbis::ReloadVorbisLibraries([&](const char* file) -> void* {
            if (std::string(file) == c.missing)
                return nullptr;
            return dlopen(file, RTLD_NOW | RTLD_LOCAL);
        });
        for (int reader = 0; reader < 2; ++reader) {
            try {
                if (reader)
                    TVorbisIn in;
                else
                    TVorbisOut out;
                ADD_FAILURE() << "created without " << c.missing;
            } catch (const EPcmException& e) {
                EXPECT_STREQ(e.what(), c.message);
            }
        }
    }
    // A library that lacks an entry point counts as missing too.
    vorbis::ReloadVorbisLibraries([](const char* file) -> void* {
        return dlopen(std::string(file) == "libvorbisenc.so.2" ? "libogg.so.0" : file,
                      RTLD_NOW | RTLD_LOCAL);
    });
    EXPECT_FALSE(vorbis::IsLoaded(vorbis::Library::VorbisEnc));
    EXPECT_THROW(TVorbisOut(), EPcmException);
    vorbis::ReloadVorbisLibraries({});
    EXPECT_NO_THROW(TVorbisOut());
}

} // namespace
