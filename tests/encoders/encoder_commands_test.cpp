// Command lines of lame and of the WMA utility for the settings combinations
// that matter.

#include "encoders/encoder_commands.h"
#include "settings/options_setting.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

const QString in = QStringLiteral("/music/in put.wav");
const QString out = QStringLiteral("/out/Track 1.mp3");

} // namespace

TEST(EncoderCommands, Mp3EncodeLines)
{
    const struct {
        const char* name;
        void (*change)(TOptionsSetting&);
        const char* expected;
    } cases[] = {
        {"defaults", [](TOptionsSetting&) {},
         R"(lame -b 128 -m j "/music/in put.wav" "/out/Track 1.mp3")"},
        {"VBR q4 max 320, VBR tag off",
         [](TOptionsSetting& o) {
             o.IsSelectVBR = true;
             o.IsVBRHead = true;
         },
         R"(lame -b 128 -m j -V 4 -B 320 -t "/music/in put.wav" "/out/Track 1.mp3")"},
        {"VBR tag flag without VBR adds nothing", [](TOptionsSetting& o) { o.IsVBRHead = true; },
         R"(lame -b 128 -m j "/music/in put.wav" "/out/Track 1.mp3")"},
        {"VBR with the tag kept",
         [](TOptionsSetting& o) {
             o.IsSelectVBR = true;
             o.VBRQuality = 0;
             o.MaxBitRate = 256;
         },
         R"(lame -b 128 -m j -V 0 -B 256 "/music/in put.wav" "/out/Track 1.mp3")"},
        {"stereo modes",
         [](TOptionsSetting& o) {
             o.StereoMode = 0;
             o.BitRate = 320;
         },
         R"(lame -b 320 -m s "/music/in put.wav" "/out/Track 1.mp3")"},
        {"forced stereo, fast",
         [](TOptionsSetting& o) {
             o.StereoMode = 2;
             o.MpegQuality = 1;
         },
         R"(lame -b 128 -m f -f "/music/in put.wav" "/out/Track 1.mp3")"},
        {"dual, high quality",
         [](TOptionsSetting& o) {
             o.StereoMode = 3;
             o.MpegQuality = 2;
         },
         R"(lame -b 128 -m d -h "/music/in put.wav" "/out/Track 1.mp3")"},
        {"stereo mode 5 and quality 3 add no switch",
         [](TOptionsSetting& o) {
             o.StereoMode = 5;
             o.MpegQuality = 3;
         },
         R"(lame -b 128 "/music/in put.wav" "/out/Track 1.mp3")"},
    };
    for (const auto& c : cases) {
        TOptionsSetting options;
        c.change(options);
        EXPECT_EQ(CommandLineText(QStringLiteral("lame"), Mp3EncodeArguments(options, in, out)),
                  QString::fromUtf8(c.expected))
            << c.name;
    }
}

TEST(EncoderCommands, DecodeIgnoresEverySetting)
{
    const QStringList expected{QStringLiteral("--decode"), in, out};
    EXPECT_EQ(Mp3DecodeArguments(in, out), expected);
    EXPECT_EQ(CommandLineText(QStringLiteral("lame"), expected),
              QStringLiteral(R"(lame --decode "/music/in put.wav" "/out/Track 1.mp3")"));
}

TEST(EncoderCommands, PathsAreSingleArgumentsWhateverTheyHold)
{
    const QString odd = QStringLiteral("/o/a \"b\" $(rm -rf x) ;|&.wav");
    const QStringList args = Mp3EncodeArguments(TOptionsSetting{}, odd, out);
    EXPECT_EQ(args.at(args.size() - 2), odd);
    EXPECT_EQ(CommandLineText(QStringLiteral("lame"), {odd}),
              QStringLiteral(R"(lame "/o/a \"b\" $(rm -rf x) ;|&.wav")"));
}

TEST(EncoderCommands, WmaLines)
{
    const QString wav = QStringLiteral("/w/a.wav");
    const QString wma = QStringLiteral("/w/a.wma");
    const struct {
        const char* name;
        qint32 bitRate;
        bool useId3;
        const char* artist;
        const char* comment;
        QStringList tail; // after -a_setting
        qint32 storedAfter;
    } cases[] = {
        {"default profile", 8, false, "", "", {QStringLiteral("64_44_2")}, 8},
        {"first profile", 0, false, "", "", {QStringLiteral("192_48_2")}, 0},
        {"last profile", 32, false, "", "", {QStringLiteral("5_8_1")}, 32},
        {"33 is corrected to the default", 33, false, "", "", {QStringLiteral("64_44_2")}, 8},
        {"negative is corrected too", -1, false, "", "", {QStringLiteral("64_44_2")}, 8},
        {"author of two words, no comment",
         8,
         true,
         "Two Words",
         "",
         {QStringLiteral("64_44_2"), QStringLiteral("-author"), QStringLiteral("Two Words")},
         8},
        {"author and description with quotes and dashes",
         8,
         true,
         "A \"B\"",
         "-x; y",
         {QStringLiteral("64_44_2"), QStringLiteral("-author"), QStringLiteral("A \"B\""),
          QStringLiteral("-description"), QStringLiteral("-x; y")},
         8},
        {"ID3 off passes neither", 8, false, "Artist", "Comment", {QStringLiteral("64_44_2")}, 8},
    };
    for (const auto& c : cases) {
        TOptionsSetting options;
        options.WMABitRate = c.bitRate;
        options.UseID3 = c.useId3;
        options.CDInfo.Artist = QString::fromUtf8(c.artist);
        options.CDInfo.Comment = QString::fromUtf8(c.comment);
        const QStringList expected =
            QStringList{QStringLiteral("-input"), wav, QStringLiteral("-output"), wma,
                        QStringLiteral("-a_setting")} +
            c.tail;
        EXPECT_EQ(WmaEncodeArguments(options, wav, wma), expected) << c.name;
        EXPECT_EQ(options.WMABitRate, c.storedAfter) << c.name;
    }
}
