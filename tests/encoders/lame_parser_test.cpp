// lame's progress parsers against output captured from Debian's lame 3.100
// (tests/data/lame/README.md says how), fed whole and cut at every place.

#include "encoders/lame_output_parser.h"
#include "encoders/line_splitter.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <vector>

using quillon::test::dataDir;
using quillon::test::readFile;

namespace {

QByteArray captured(const char* name)
{
    const QByteArray data = readFile(dataDir() + QStringLiteral("/lame/") + QLatin1String(name));
    EXPECT_FALSE(data.isEmpty()) << name;
    return data;
}

struct Seen {
    int percent;
    QString elapsed;
    QString estimated;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os)
{
    *os << s.percent << " " << s.elapsed.toStdString() << "/" << s.estimated.toStdString();
}

// Feeds data in chunks of chunkSize bytes (0: all at once), as pipe reads do.
std::vector<Seen> runParser(const QByteArray& data, bool encode, qsizetype chunkSize)
{
    TLineSplitter splitter;
    TLameEncodeParser encoder;
    TLameDecodeParser decoder;
    std::vector<Seen> seen;
    const auto take = [&](const QByteArray& line) {
        // A fixed clock for the decoder: 10 s into the step.
        const auto p = encode ? encoder.parseLine(line) : decoder.parseLine(line, 10.0);
        if (p)
            seen.push_back({p->Percent, p->ElapsedText, p->EstimatedText});
    };
    const qsizetype step = chunkSize > 0 ? chunkSize : data.size();
    for (qsizetype at = 0; at < data.size(); at += step)
        for (const QByteArray& line : splitter.feed(data.mid(at, step)))
            take(line);
    take(splitter.flush());
    return seen;
}

} // namespace

TEST(LameEncodeParser, CapturedRunsGiveTheirPercentages)
{
    const struct {
        const char* file;
        std::vector<int> percents;
    } cases[] = {
        {"encode_cbr.stderr", {26, 52, 78, 100}},
        {"encode_vbr.stderr", {26, 52, 78, 100}},
    };
    for (const auto& c : cases) {
        std::vector<int> percents;
        for (const Seen& s : runParser(captured(c.file), true, 0))
            percents.push_back(s.percent);
        EXPECT_EQ(percents, c.percents) << c.file;
    }
}

TEST(LameEncodeParser, TimesComeFromTheirColumns)
{
    const std::vector<Seen> seen = runParser(captured("encode_long_hq.stderr"), true, 0);
    ASSERT_GE(seen.size(), 90u);
    EXPECT_EQ(seen.front(), (Seen{1, QStringLiteral("0:00"), QStringLiteral("0:03")}));
    EXPECT_EQ(seen.back(), (Seen{100, QStringLiteral("0:03"), QStringLiteral("0:03")}));
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i].percent, seen[i - 1].percent);
}

TEST(LameParsers, LinesCutByThePipeGiveTheSameReports)
{
    const struct {
        const char* file;
        bool encode;
    } cases[] = {
        {"encode_cbr.stderr", true},
        {"encode_long_hq.stderr", true},
        {"decode.stderr", false},
    };
    for (const auto& c : cases) {
        const QByteArray data = captured(c.file);
        const std::vector<Seen> whole = runParser(data, c.encode, 0);
        ASSERT_FALSE(whole.empty()) << c.file;
        for (const qsizetype chunk : {1, 2, 3, 7, 13, 64, 100, 511}) {
            EXPECT_EQ(runParser(data, c.encode, chunk), whole) << c.file << " chunk " << chunk;
        }
    }
}

TEST(LameDecodeParser, CapturedRunCountsFramesToTheEnd)
{
    const std::vector<Seen> seen = runParser(captured("decode.stderr"), false, 0);
    ASSERT_FALSE(seen.empty());
    // 384 frames; the first report is the first whole percent (frame 4).
    EXPECT_EQ(seen.front().percent, 1);
    // 10 s at 1 % extrapolates to 1000 s.
    EXPECT_EQ(seen.front().estimated, QStringLiteral("16:40"));
    EXPECT_EQ(seen.back(), (Seen{100, QStringLiteral("00:10"), QStringLiteral("00:10")}));
}

TEST(LameEncodeParser, SingleLines)
{
    const QByteArray first =
        "     0/767    ( 0%)|    0:00/    0:00|    0:00/    0:00|   0.0000x|    0:00 ";
    const struct {
        const char* name;
        std::vector<QByteArray> lines; // the last line is the one judged
        int percent;                   // 0: no report
        const char* elapsed;
        const char* estimated;
    } cases[] = {
        {"hundred",
         {first, "   767/767   (100%)|    1:02/    1:02|    0:00/    0:00|   1.0000x|    0:00 "},
         100,
         "1:02",
         "1:02"},
        {"zero gives nothing", {first}, 0, "", ""},
        {"header without percent",
         {"    Frame          |  CPU time/estim | REAL time/estim | play/CPU |    ETA "},
         0,
         "",
         ""},
        {"file name with a percent on the header line",
         {"Encoding /music/50%off.wav to /music/50%off.mp3",
          "   100/767    (13%)|    0:01/    0:09|    0:01/    0:09|   9.9000x|    0:08 "},
         13,
         "0:01",
         "0:09"},
        {"histogram line with percent signs",
         {first, "   kbps        LR  %     long switch short %"},
         0,
         "",
         ""},
    };
    for (const auto& c : cases) {
        TLameEncodeParser parser;
        std::optional<TLameProgress> p;
        for (const QByteArray& line : c.lines)
            p = parser.parseLine(line);
        if (c.percent == 0) {
            EXPECT_FALSE(p.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(p.has_value()) << c.name;
        EXPECT_EQ(p->Percent, c.percent) << c.name;
        EXPECT_EQ(p->ElapsedText, QLatin1String(c.elapsed)) << c.name;
        EXPECT_EQ(p->EstimatedText, QLatin1String(c.estimated)) << c.name;
    }
}

TEST(LameDecodeParser, SingleLines)
{
    const struct {
        const char* name;
        std::vector<QByteArray> lines;
        double elapsed;
        int percent; // 0: no report
        const char* elapsedText;
        const char* estimated;
    } cases[] = {
        {"half way", {"Frame#   100/200    128 kbps  L  R"}, 30.0, 50, "00:30", "01:00"},
        {"total of zero frames", {"Frame#     1/     0    128 kbps  L  R"}, 5.0, 0, "", ""},
        {"below one percent", {"Frame#     1/   767    128 kbps  L  R"}, 5.0, 0, "", ""},
        {"elapsed rounds half to even",
         {"Frame#   767/767    128 kbps  LMSR"},
         2.5,
         100,
         "00:02",
         "00:02"},
        {"a # in the input's name",
         {"input:  /music/Track #1.mp3  (44.1 kHz, 2 channels, MPEG-1 Layer III)",
          "Frame#   384/768    128 kbps  L  R"},
         7.0,
         50,
         "00:07",
         "00:14"},
        {"lines that are not numbers are dropped",
         {"Frame#     2/767    128 kbps  L  R", "skipping final 479 samples"},
         1.0,
         0,
         "",
         ""},
    };
    for (const auto& c : cases) {
        TLameDecodeParser parser;
        std::optional<TLameProgress> p;
        for (const QByteArray& line : c.lines)
            p = parser.parseLine(line, c.elapsed);
        if (c.percent == 0) {
            EXPECT_FALSE(p.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(p.has_value()) << c.name;
        EXPECT_EQ(p->Percent, c.percent) << c.name;
        EXPECT_EQ(p->ElapsedText, QLatin1String(c.elapsedText)) << c.name;
        EXPECT_EQ(p->EstimatedText, QLatin1String(c.estimated)) << c.name;
    }
}

TEST(LineSplitter, EndsLinesAtCrLfAndBothAndHoldsTheRest)
{
    TLineSplitter splitter;
    EXPECT_EQ(splitter.feed("a\rb\nc\r\nd"), (QList<QByteArray>{
                                                 "a",
                                                 "b",
                                                 "c",
                                                 "",
                                             }));
    EXPECT_EQ(splitter.feed("e"), QList<QByteArray>{});
    EXPECT_EQ(splitter.feed("\r"), QList<QByteArray>{"de"});
    EXPECT_EQ(splitter.flush(), QByteArray());
    EXPECT_TRUE(IsBlankLine(" \t\x1b\x7f"));
    EXPECT_FALSE(IsBlankLine(" x "));

    // A program that never ends a line cannot make the buffer grow forever.
    const QList<QByteArray> lines = splitter.feed(QByteArray(TLineSplitter::kMaxLine + 5, 'x'));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines.front().size(), TLineSplitter::kMaxLine);
    EXPECT_EQ(splitter.flush().size(), 5);
}
