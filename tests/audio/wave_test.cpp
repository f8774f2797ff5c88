// WAV reader and writer on files this test builds: round trips, header
// layouts, the header scan's edge cases and malformed files.

#include "audio_test_util.h"
#include "support/test_support.h"

#include "audio/adpcm.h"
#include "audio/wave_converter.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace audiotest;
using quillon::test::readFile;
using quillon::test::writeFile;

namespace {

QByteArray le16(int v)
{
    char b[2];
    qToLittleEndian<quint16>(quint16(v), b);
    return QByteArray(b, 2);
}
QByteArray le32(qint64 v)
{
    char b[4];
    qToLittleEndian<quint32>(quint32(v), b);
    return QByteArray(b, 4);
}
QByteArray chunk(const char* id, const QByteArray& body, qint64 length = -1)
{
    return QByteArray(id, 4) + le32(length < 0 ? body.size() : length) + body;
}
QByteArray fmtBody(int tag, int channels, int rate, int blockAlign, int bits,
                   const QByteArray& extra = {})
{
    QByteArray b = le16(tag) + le16(channels) + le32(rate) + le32(rate * blockAlign) +
                   le16(blockAlign) + le16(bits);
    if (!extra.isNull())
        b += le16(int(extra.size())) + extra;
    return b;
}
QByteArray riff(const QByteArray& chunks, const char* riffId = "RIFF", const char* waveId = "WAVE",
                const QByteArray& junk = {})
{
    return QByteArray(riffId, 4) + le32(4 + chunks.size()) + junk + QByteArray(waveId, 4) + chunks;
}
QByteArray pcmWave(const QByteArray& data, int channels = 1, int bits = 16, int rate = 8000)
{
    return riff(chunk("fmt ", fmtBody(1, channels, rate, channels * bits / 8, bits)) +
                chunk("data", data));
}

// The extra bytes of a WAVE_FORMAT_EXTENSIBLE format: valid bits, channel
// mask and the sub-format GUID of tag.
QByteArray extensible(int validBits, int tag)
{
    return le16(validBits) + le32(0) + le16(tag) +
           QByteArray::fromHex("000000001000800000aa00389b71");
}

// Microsoft ADPCM format body with the standard seven coefficient pairs.
QByteArray msFmtBody(int channels, int blockAlign, int samplesPerBlock, int count = 7)
{
    static const int pairs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                    {240, 0}, {460, -208}, {392, -232}};
    QByteArray extra = le16(samplesPerBlock) + le16(count);
    for (int i = 0; i < count; ++i)
        extra += le16(pairs[i % 7][0]) + le16(pairs[i % 7][1]);
    return fmtBody(2, channels, 8000, blockAlign, 4, extra);
}

struct Reader {
    QBuffer buffer;
    TWaveIn in;
    explicit Reader(const QByteArray& bytes)
    {
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        in.setStream(&buffer);
    }
};

} // namespace

TEST(WaveOut, PcmRoundTripIsByteExact)
{
    quillon::test::TempHome home;
    for (int bits : {8, 16}) {
        for (int channels : {1, 2}) {
            const QByteArray pcm = testSignal(12345, bits, channels);
            for (bool sizeKnown : {true, false}) {
                PcmSource source(pcm, bits, channels, 22050);
                source.sizeUnknown = !sizeKnown;
                TWaveOut out;
                out.SetFileName(home.file(QStringLiteral("pcm.wav")));
                ASSERT_EQ(writeWave(out, source), "");
                const QByteArray file = readFile(home.file(QStringLiteral("pcm.wav")));
                ASSERT_EQ(file.size(), 44 + pcm.size());
                EXPECT_EQ(file.mid(44), pcm);
                EXPECT_EQ(file.left(44),
                          pcmWave(pcm, channels, bits, 22050).left(4) + le32(36 + pcm.size()) +
                              QByteArray("WAVEfmt ") + le32(16) +
                              fmtBody(1, channels, 22050, channels * bits / 8, bits) + "data" +
                              le32(pcm.size()));
                TWaveIn in;
                in.SetFileName(home.file(QStringLiteral("pcm.wav")));
                EXPECT_EQ(in.GetWavType(), wtPCM);
                EXPECT_EQ(in.GetBitsPerSample(), bits);
                EXPECT_EQ(in.GetChannels(), channels);
                EXPECT_EQ(in.GetSampleRate(), 22050);
                EXPECT_EQ(readWave(in), pcm) << bits << " bits, " << channels << " channels";
            }
        }
    }
}

TEST(WaveOut, OneSecondOfCdAudioHasTheExpectedLengths)
{
    quillon::test::TempHome home;
    PcmSource source(QByteArray(176400, '\1'), 16, 2, 44100);
    TWaveOut out;
    out.SetFileName(home.file(QStringLiteral("second.wav")));
    ASSERT_EQ(writeWave(out, source), "");
    const QByteArray file = readFile(home.file(QStringLiteral("second.wav")));
    EXPECT_EQ(file.size(), 176444);
    EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 40), 176400u);
    EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 4), 176400u + 36);
    TWaveIn in;
    in.SetFileName(home.file(QStringLiteral("second.wav")));
    EXPECT_EQ(in.GetTotalTime(), 1);
    EXPECT_EQ(in.TotalSamples(), 44100);
}

TEST(WaveOut, DviAdpcmHeaderAndDecodingWithinTheCodecError)
{
    quillon::test::TempHome home;
    struct Case {
        int channels, blockSize, samplesPerBlock, averageBytes;
    };
    const Case cases[] = {
        {1, 512, 1017, 22016}, {2, 512, 505, 44544}, {1, 256, 505, 22272}, {2, 2048, 2041, 43008}};
    for (const Case& c : cases) {
        const QByteArray pcm = testSignal(30000, 16, c.channels);
        PcmSource source(pcm, 16, c.channels, 44100, 777);
        TWaveOut out;
        out.SetWavType(wtDVIADPCM);
        out.SetBlockSize(quint16(c.blockSize));
        out.SetFileName(home.file(QStringLiteral("ima.wav")));
        ASSERT_EQ(writeWave(out, source), "");
        const QByteArray file = readFile(home.file(QStringLiteral("ima.wav")));
        const int blocks = (30000 + c.samplesPerBlock - 1) / c.samplesPerBlock;
        EXPECT_EQ(file.size(), 60 + blocks * c.blockSize);
        EXPECT_EQ(qFromLittleEndian<quint16>(file.constData() + 38), c.samplesPerBlock);
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 28), quint32(c.averageBytes));
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 48), 30000u);
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 56), quint32(blocks * c.blockSize));
        EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 4), quint32(file.size() - 8));

        const QByteArray decoded = readWaveFile(home.file(QStringLiteral("ima.wav")));
        ASSERT_EQ(decoded.size(), pcm.size());
        double error = 0, signal = 0;
        for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
            const double d = sampleAt(decoded, i) - sampleAt(pcm, i);
            error += d * d;
            signal += double(sampleAt(pcm, i)) * sampleAt(pcm, i);
        }
        // 4-bit ADPCM on this signal keeps well above 25 dB.
        EXPECT_GT(10 * std::log10(signal / error), 25.0) << c.channels << "/" << c.blockSize;
    }
}

TEST(WaveOut, WriterRefusals)
{
    quillon::test::TempHome home;
    struct Case {
        TWavType type;
        int bits, channels, blockSize;
        QString fileName;
        std::string message;
    };
    const Case cases[] = {
        {wtPCM, 16, 1, 512, QString(), "File name is not assigned."},
        {wtDVIADPCM, 8, 1, 512, home.file(QStringLiteral("a.wav")),
         "Cannot encode 8 bit sound into ADPCM."},
        {wtDVIADPCM, 16, 2, 516, home.file(QStringLiteral("b.wav")),
         "Cannot encode ADPCM with this block size."},
        {wtPCM, 16, 1, 512, home.file(QStringLiteral("missing/c.wav")),
         "Cannot open the output file."},
    };
    for (const Case& c : cases) {
        PcmSource source(testSignal(100, c.bits, c.channels), c.bits, c.channels, 8000);
        TWaveOut out;
        out.SetWavType(c.type);
        out.SetBlockSize(quint16(c.blockSize));
        out.SetFileName(c.fileName);
        EXPECT_EQ(writeWave(out, source), c.message);
        EXPECT_FALSE(source.Busy()); // the input was ended
    }
}

TEST(WaveOut, SettersKeepTheOldValueOnBadInput)
{
    TWaveOut out;
    out.SetWavType(wtDVIADPCM);
    out.SetWavType(wtMSADPCM);
    EXPECT_EQ(out.WavType(), wtDVIADPCM);
    out.SetWavType(wtACM);
    EXPECT_EQ(out.WavType(), wtDVIADPCM);
    out.SetBlockSize(1024);
    for (int bad : {510, 0, 2, 1023})
        out.SetBlockSize(quint16(bad));
    EXPECT_EQ(out.BlockSize(), 1024);
    out.SetFileMode(foAppend);
    EXPECT_EQ(out.FileMode(), foAppend);
}

TEST(WaveOut, AppendingPcmAndAdpcm)
{
    quillon::test::TempHome home;
    for (TWavType type : {wtPCM, wtDVIADPCM}) {
        for (int channels : {1, 2}) {
            const QString path = home.file(QStringLiteral("append.wav"));
            QFile::remove(path);
            const QByteArray first = testSignal(5000, 16, channels, 1);
            const QByteArray second = testSignal(7000, 16, channels, 2);
            for (const QByteArray& part : {first, second}) {
                PcmSource source(part, 16, channels, 16000);
                TWaveOut out;
                out.SetWavType(type);
                out.SetFileMode(foAppend);
                out.SetFileName(path);
                ASSERT_EQ(writeWave(out, source), "");
            }
            const QByteArray file = readFile(path);
            EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 4), quint32(file.size() - 8));
            const QByteArray decoded = readWaveFile(path);
            if (type == wtPCM) {
                EXPECT_EQ(decoded, first + second);
            } else {
                // The first part's last block was padded with silence; the
                // appended part follows it.
                const int spb = adpcm::imaFramesPerBlock(512, channels);
                const qsizetype padded = qsizetype((5000 + spb - 1) / spb) * spb * 2 * channels;
                ASSERT_EQ(decoded.size(), padded + second.size());
                EXPECT_EQ(qFromLittleEndian<quint32>(file.constData() + 48),
                          quint32(padded / 2 / channels + 7000));
                const QByteArray alone = [&] {
                    PcmSource source(second, 16, channels, 16000);
                    TWaveOut out;
                    out.SetWavType(wtDVIADPCM);
                    out.SetFileName(home.file(QStringLiteral("alone.wav")));
                    EXPECT_EQ(writeWave(out, source), "");
                    return readWaveFile(home.file(QStringLiteral("alone.wav")));
                }();
                EXPECT_EQ(decoded.mid(padded), alone);
            }
        }
    }
}

TEST(WaveOut, AppendRefusalsLeaveTheFileUnchanged)
{
    quillon::test::TempHome home;
    const QByteArray pcm16 = pcmWave(testSignal(100, 16, 1), 1, 16, 8000);
    const QByteArray trailingChunk = pcm16 + chunk("LIST", QByteArray(10, 'x'));
    const QByteArray msAdpcm =
        riff(chunk("fmt ", msFmtBody(1, 256, 500)) + chunk("fact", le32(500)) +
             chunk("data", QByteArray(256, '\0')));
    struct Case {
        QByteArray existing;
        int rate, bits;
        std::string message;
    };
    const Case cases[] = {
        {pcm16, 22050, 16, "Cannot append data in different audio format."},
        {pcm16, 8000, 8, "Cannot append data in different audio format."},
        {trailingChunk, 8000, 16, "Cannot append data to this .wav file."},
        {msAdpcm, 8000, 16, "Cannot append data to this .wav file."},
        {QByteArray("not a wave file at all"), 8000, 16, "Cannot append data to this .wav file."},
    };
    for (const Case& c : cases) {
        const QString path = home.file(QStringLiteral("existing.wav"));
        ASSERT_TRUE(writeFile(path, c.existing));
        PcmSource source(testSignal(50, c.bits, 1), c.bits, 1, c.rate);
        TWaveOut out;
        out.SetFileMode(foAppend);
        out.SetFileName(path);
        EXPECT_EQ(writeWave(out, source), c.message);
        EXPECT_EQ(readFile(path), c.existing);
    }
}

TEST(WaveIn, WiderAndFloatSamplesAreNarrowedTo16Bits)
{
    // Rounded to nearest (halves up) and clipped, as sox -D does.
    const auto i24 = [](qint32 v) { return le32(v).left(3); };
    const auto f32 = [](float v) {
        char b[4];
        qToLittleEndian<float>(v, b);
        return QByteArray(b, 4);
    };
    const auto f64 = [](double v) {
        char b[8];
        qToLittleEndian<double>(v, b);
        return QByteArray(b, 8);
    };
    struct Case {
        const char* name;
        int tag, bits;
        bool extensibleHeader;
        QByteArray samples;
        std::vector<qint16> expected;
    } cases[] = {
        {"24-bit",
         1,
         24,
         false,
         i24(0x7FFFFF) + i24(-0x800000) + i24(128) + i24(127) + i24(-128) + i24(-129),
         {32767, -32768, 1, 0, 0, -1}},
        {"24-bit extensible", 0xFFFE, 24, true, i24(0x123456) + i24(-0x123456), {4660, -4660}},
        {"32-bit",
         1,
         32,
         false,
         le32(0x7FFFFFFF) + le32(-0x7FFFFFFF - 1) + le32(0x8000) + le32(0x7FFF),
         {32767, -32768, 1, 0}},
        {"32-bit float",
         3,
         32,
         false,
         f32(1.0f) + f32(-1.0f) + f32(0.5f) + f32(-2.0f) + f32(std::nanf("")),
         {32767, -32768, 16384, -32768, 0}},
        {"64-bit float extensible", 0xFFFE, 64, true, f64(0.25) + f64(-0.25), {8192, -8192}},
    };
    for (const Case& c : cases) {
        const int bytes = c.bits / 8;
        const QByteArray extra =
            c.extensibleHeader ? extensible(c.bits, c.bits == 64 ? 3 : 1) : QByteArray();
        Reader r(riff(chunk("fmt ", fmtBody(c.tag, 1, 44100, bytes, c.bits, extra)) +
                      chunk("data", c.samples)));
        ASSERT_TRUE(r.in.Valid()) << c.name;
        EXPECT_EQ(r.in.GetBitsPerSample(), 16) << c.name;
        EXPECT_EQ(r.in.TotalSamples(), qint64(c.expected.size())) << c.name;
        const QByteArray out = readWave(r.in);
        ASSERT_EQ(out.size(), qsizetype(c.expected.size() * 2)) << c.name;
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(qFromLittleEndian<qint16>(out.constData() + 2 * i), c.expected[i])
                << c.name << " " << i;
    }
}

TEST(WaveIn, HeaderScanEdgeCases)
{
    const QByteArray pcm = testSignal(64, 16, 1);
    const QByteArray fmt = chunk("fmt ", fmtBody(1, 1, 8000, 2, 16));
    const QByteArray imaFmt = chunk("fmt ", fmtBody(17, 1, 8000, 256, 4, le16(505)));
    const QByteArray imaBlock = QByteArray(256, '\0');
    struct Case {
        const char* name;
        QByteArray file;
        TWavType type; // a file that cannot be read is reported as unsupported
        bool valid;
    };
    const Case cases[] = {
        {"plain", pcmWave(pcm), wtPCM, true},
        {"lower case ids",
         riff(chunk("FMT ", fmtBody(1, 1, 8000, 2, 16)) + chunk("DATA", pcm), "riff", "wave"),
         wtPCM, true},
        {"mixed case ids",
         riff(chunk("Fmt ", fmtBody(1, 1, 8000, 2, 16)) + chunk("dAtA", pcm), "RiFf", "WaVe"),
         wtPCM, true},
        {"LIST between fmt and data",
         riff(fmt + chunk("LIST", QByteArray(33, 'i')) + chunk("data", pcm)), wtPCM, true},
        {"junk between RIFF and WAVE", riff(fmt + chunk("data", pcm), "RIFF", "WAVE", "junk!"),
         wtPCM, true},
        {"chunk before fmt", riff(chunk("bext", QByteArray(100, 'b')) + fmt + chunk("data", pcm)),
         wtPCM, true},
        {"no RIFF", QByteArray("RIFX") + pcmWave(pcm).mid(4), wtUnsupported, false},
        {"no data chunk", riff(fmt), wtUnsupported, false},
        {"fmt shorter than 16",
         riff(chunk("fmt ", fmtBody(1, 1, 8000, 2, 16).left(12)) + chunk("data", pcm)),
         wtUnsupported, false},
        {"fmt length beyond the file", riff(chunk("fmt ", fmtBody(1, 1, 8000, 2, 16), 0xFFFFFFF0)),
         wtUnsupported, false},
        {"skipped chunk beyond the limit",
         riff(fmt + chunk("LIST", QByteArray(9000, 'i')) + chunk("data", pcm)), wtUnsupported,
         false},
        {"unknown format tag",
         riff(chunk("fmt ", fmtBody(0x1234, 1, 8000, 2, 16)) + chunk("data", pcm)), wtUnsupported,
         false},
        {"20-bit PCM", riff(chunk("fmt ", fmtBody(1, 1, 8000, 3, 20)) + chunk("data", pcm)),
         wtUnsupported, false},
        {"16-bit float", riff(chunk("fmt ", fmtBody(3, 1, 8000, 2, 16)) + chunk("data", pcm)),
         wtUnsupported, false},
        {"extensible 16-bit PCM",
         riff(chunk("fmt ", fmtBody(0xFFFE, 1, 8000, 2, 16, extensible(16, 1))) +
              chunk("data", pcm)),
         wtPCM, true},
        {"extensible with a foreign GUID",
         riff(chunk("fmt ", fmtBody(0xFFFE, 1, 8000, 2, 16,
                                    extensible(16, 1).left(8) + QByteArray(14, 'x'))) +
              chunk("data", pcm)),
         wtUnsupported, false},
        {"three channels", riff(chunk("fmt ", fmtBody(1, 3, 8000, 6, 16)) + chunk("data", pcm)),
         wtUnsupported, false},
        {"DVI ADPCM", riff(imaFmt + chunk("fact", le32(505)) + chunk("data", imaBlock)), wtDVIADPCM,
         true},
        {"DVI ADPCM, 8 bits per coded sample",
         riff(chunk("fmt ", fmtBody(17, 1, 8000, 256, 8, le16(505))) + chunk("fact", le32(505)) +
              chunk("data", imaBlock)),
         wtUnsupported, false},
        {"DVI ADPCM without fact", riff(imaFmt + chunk("data", imaBlock)), wtUnsupported, false},
        {"DVI ADPCM with a 4-byte block",
         riff(chunk("fmt ", fmtBody(17, 1, 8000, 4, 4, le16(1))) + chunk("fact", le32(1)) +
              chunk("data", imaBlock)),
         wtUnsupported, false},
        {"MS ADPCM",
         riff(chunk("fmt ", msFmtBody(1, 256, 500)) + chunk("fact", le32(500)) +
              chunk("data", QByteArray(256, '\0'))),
         wtMSADPCM, true},
        {"MS ADPCM without fact",
         riff(chunk("fmt ", msFmtBody(1, 256, 500)) + chunk("data", QByteArray(256, '\0'))),
         wtUnsupported, false},
        {"MS ADPCM with 33 coefficient pairs",
         riff(chunk("fmt ", msFmtBody(1, 256, 500, 33)) + chunk("fact", le32(500)) +
              chunk("data", QByteArray(256, '\0'))),
         wtUnsupported, false},
        {"MS ADPCM pairs past the chunk",
         riff(chunk("fmt ", msFmtBody(1, 256, 500).left(40)) + chunk("fact", le32(500)) +
              chunk("data", QByteArray(256, '\0'))),
         wtUnsupported, false},
        {"MS ADPCM samples beyond the block",
         riff(chunk("fmt ", msFmtBody(1, 256, 600)) + chunk("fact", le32(600)) +
              chunk("data", QByteArray(256, '\0'))),
         wtUnsupported, false},
        {"empty", QByteArray(), wtUnsupported, false},
    };
    for (const Case& c : cases) {
        Reader r(c.file);
        EXPECT_EQ(r.in.GetWavType(), c.type) << c.name;
        EXPECT_EQ(r.in.Valid(), c.valid) << c.name;
        if (c.valid && c.type == wtPCM) {
            EXPECT_EQ(readWave(r.in), pcm) << c.name;
        }
    }
}

TEST(WaveIn, MalformedDataNeverReadsOutsideItsBuffers)
{
    // A block whose predictor index lies past the declared pairs ends the data.
    QByteArray block(256, '\x11');
    block[0] = 9;
    Reader ms(riff(chunk("fmt ", msFmtBody(1, 256, 500)) + chunk("fact", le32(1000)) +
                   chunk("data", block + block)));
    EXPECT_TRUE(ms.in.Valid());
    EXPECT_EQ(readWave(ms.in).size(), 0);

    // Length fields larger than the file: only what is there is delivered.
    const QByteArray pcm = testSignal(100, 16, 1);
    Reader longData(riff(chunk("fmt ", fmtBody(1, 1, 8000, 2, 16)) + chunk("data", pcm, 1 << 30)));
    EXPECT_EQ(readWave(longData.in), pcm);

    // A fact count beyond the data ends with the last whole block.
    QByteArray ima = QByteArray(256, '\x77');
    ima[2] = char(200); // a step index beyond the table is clamped
    Reader longFact(riff(chunk("fmt ", fmtBody(17, 1, 8000, 256, 4, le16(505))) +
                         chunk("fact", le32(100000)) + chunk("data", ima + ima.left(100))));
    EXPECT_EQ(readWave(longFact.in).size(), 505 * 2);
}

TEST(WaveIn, RangeAndLoop)
{
    quillon::test::TempHome home;
    const QByteArray pcm = testSignal(3000, 16, 2);
    ASSERT_TRUE(writeFile(home.file(QStringLiteral("pcm.wav")), pcmWave(pcm, 2, 16, 8000)));
    {
        PcmSource source(pcm, 16, 2, 8000);
        TWaveOut out;
        out.SetWavType(wtDVIADPCM);
        out.SetFileName(home.file(QStringLiteral("ima.wav")));
        ASSERT_EQ(writeWave(out, source), "");
    }
    const QByteArray imaAll = readWaveFile(home.file(QStringLiteral("ima.wav")));
    ASSERT_EQ(imaAll.size(), pcm.size());
    struct Case {
        qint32 start, end;
        qint64 size;
    };
    const Case cases[] = {
        {0, -1, 12000}, {100, 200, 400}, {600, -1, 9600}, {2990, 5000, 40}, {510, 1020, 2040}};
    for (const QString& name : {QStringLiteral("pcm.wav"), QStringLiteral("ima.wav")}) {
        const QByteArray& whole = name == QStringLiteral("pcm.wav") ? pcm : imaAll;
        for (const Case& c : cases) {
            TWaveIn in;
            in.SetFileName(home.file(name));
            in.SetStartSample(c.start);
            in.SetEndSample(c.end);
            in.BeginRead();
            EXPECT_EQ(in.Size(), c.size) << c.start << ".." << c.end;
            in.EndRead();
            EXPECT_EQ(readWave(in), whole.mid(c.start * 4, c.size))
                << name.toStdString() << " " << c.start;
        }
        TWaveIn looping;
        looping.SetFileName(home.file(name));
        looping.SetLoop(true);
        EXPECT_EQ(readWave(looping, 3 * whole.size()).left(3 * whole.size()),
                  whole + whole + whole);
    }
}

TEST(WaveIn, MisuseMessages)
{
    quillon::test::TempHome home;
    ASSERT_TRUE(writeFile(home.file(QStringLiteral("pcm.wav")), pcmWave(testSignal(10, 16, 1))));
    TWaveIn in;
    char buffer[16];
    const auto message = [](const std::function<void()>& f) -> std::string {
        try {
            f();
        } catch (const EPcmException& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(message([&] { in.BeginRead(); }), "The file name is not assigned");
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(message([&] { in.ReadData(buffer, 16); }), "The Stream is not opened");
    in.SetFileName(home.file(QStringLiteral("pcm.wav")));
    in.BeginRead();
    EXPECT_EQ(message([&] { in.BeginRead(); }), "The component is buisy");
    in.EndRead();
    in.SetFileName(home.file(QStringLiteral("nothing-here.wav")));
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(in.GetWavType(), wtUnsupported);
}

TEST(WaveIn, TypeTexts)
{
    const std::pair<TWavType, QString> cases[] = {{wtUnsupported, u"Unsupported"_s},
                                                  {wtPCM, u"Raw PCM"_s},
                                                  {wtDVIADPCM, u"DVI IMA ADPCM"_s},
                                                  {wtMSADPCM, u"Microsoft ADPCM"_s},
                                                  {wtACM, u"ACM"_s}};
    for (const auto& [type, text] : cases)
        EXPECT_EQ(WavTypeText(type), text);
}

TEST(WaveIn, ChainedCopyThroughTheFramework)
{
    quillon::test::TempHome home;
    const QByteArray pcm = testSignal(40000, 16, 2);
    ASSERT_TRUE(writeFile(home.file(QStringLiteral("in.wav")), pcmWave(pcm, 2, 16, 44100)));
    TWaveIn in;
    in.SetFileName(home.file(QStringLiteral("in.wav")));
    TWaveOut out;
    out.SetFileName(home.file(QStringLiteral("out.wav")));
    EventCounter progress;
    out.OnProgress = [&](QObject*) { progress.hit(); };
    ASSERT_EQ(writeWave(out, in), "");
    EXPECT_EQ(readFile(home.file(QStringLiteral("out.wav"))),
              readFile(home.file(QStringLiteral("in.wav"))));
    EXPECT_GT(progress.count(), 3);
    EXPECT_EQ(out.LastProgress(), 100);
}

TEST(Adpcm, DviNibbleNeverGivesTheMostNegativeValue)
{
    for (int index : {0, 40, 88}) {
        adpcm::ImaState state{-32767, index};
        for (int i = 0; i < 20; ++i)
            EXPECT_GE(adpcm::imaDecodeNibble(state, 0xF), -32767);
        EXPECT_EQ(state.predictor, -32767);
        adpcm::ImaState up{32767, index};
        EXPECT_LE(adpcm::imaDecodeNibble(up, 0x7), 32767);
    }
}

TEST(WaveConverter, LoadsConvertsAndSaves)
{
    // A-law (tag 6) with a LIST chunk before its data.
    QByteArray alaw(800, '\xD5'); // A-law silence
    QByteArray file =
        riff(chunk("fmt ", fmtBody(6, 1, 8000, 1, 8, QByteArray(""))) + chunk("fact", le32(800)) +
             chunk("LIST", QByteArray(21, 'l')) + chunk("data", alaw));
    QBuffer source(&file);
    source.open(QIODevice::ReadOnly);
    TWaveConverter converter;
    converter.LoadWave(source);
    EXPECT_EQ(converter.content(), alaw);
    ASSERT_EQ(converter.SuggestFormat(), 0);
    ASSERT_EQ(converter.Convert(), 0);
    EXPECT_EQ(converter.content().size(), 1600);
    QBuffer image;
    image.open(QIODevice::ReadWrite);
    ASSERT_EQ(converter.SaveWave(image), 0);
    const QByteArray bytes = image.data();
    ASSERT_EQ(bytes.size(), 44 + 1600);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 40), 1600u);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 20), 1);
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 34), 16);

    // Not RIFF/WAVE (exactly): nothing is loaded and the format request fails.
    QByteArray wrong = file;
    wrong.replace(0, 4, "riff");
    QBuffer wrongSource(&wrong);
    wrongSource.open(QIODevice::ReadOnly);
    TWaveConverter empty;
    empty.LoadWave(wrongSource);
    EXPECT_TRUE(empty.content().isEmpty());
    EXPECT_NE(empty.SuggestFormat(), 0);
    EXPECT_NE(empty.Convert(), 0);
}
