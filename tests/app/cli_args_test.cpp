#include "cli_args.h"

#include <gtest/gtest.h>

namespace {

QStringList words(const char* line)
{
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A compact summary of the fields a case may set, so one table covers them all.
QString summary(const TCliRequest& r)
{
    QStringList s{QString::number(int(r.Command))};
    const auto add = [&s](const char* name, const QString& value) {
        if (!value.isEmpty())
            s << QLatin1String(name) + QLatin1Char('=') + value;
    };
    const auto number = [&add](const char* name, int value) {
        if (value != 0)
            add(name, QString::number(value));
    };
    const auto flag = [&add](const char* name, bool value) {
        if (value)
            add(name, QStringLiteral("1"));
    };
    flag("help", r.Help);
    number("drive", r.Drive);
    add("images", r.Images.join(QLatin1Char('|')));
    add("image", r.Image);
    add("tracks", r.Tracks);
    add("format", r.Format);
    add("template", r.NameTemplate);
    add("output", r.Output);
    add("metadata", r.Metadata);
    number("release", r.Release);
    flag("overwrite", r.Overwrite);
    flag("no-overwrite", r.NoOverwrite);
    add("files", r.Files.join(QLatin1Char('|')));
    number("rate", r.Rate);
    number("channels", r.Channels);
    number("bits", r.Bits);
    flag("adpcm", r.Adpcm);
    flag("find", r.Find);
    flag("verify", r.Verify);
    if (r.ReadOffset)
        add("offset", QString::number(*r.ReadOffset));
    add("mode", r.ReadMode);
    return s.join(QLatin1Char(' '));
}

TEST(CliArguments, ParsedRequestsAndUsageErrors)
{
    // Command numbers as in TCliCommand: 1 help, 2 drives, 3 toc, 4 lookup,
    // 5 extract, 6 convert, 7 resample, 8 offset, 9 verify.
    const struct {
        const char* args;
        const char* parsed; // summary(); empty when an error is expected
        const char* error;  // the start of the error
    } cases[] = {
        {"drives --cd-image a.cue --cd-image b.toc", "2 images=a.cue|b.toc image=b.toc", ""},
        {"toc --drive=2", "3 drive=2", ""},
        {"extract --tracks 1,3-5 --format MP3 --output out --overwrite --cddb",
         "5 tracks=1,3-5 format=mp3 output=out metadata=cddb overwrite=1", ""},
        {"extract --metadata MusicBrainz --release 2 --offset -5880 --verify",
         "5 metadata=musicbrainz release=2 verify=1 offset=-5880", ""},
        {"extract --name-template %artist%/%title%", "5 template=%artist%/%title%", ""},
        {"convert --to flac -- --odd.wav -", "6 format=flac files=--odd.wav|-", ""},
        {"resample --rate 22050 --channels 1 --bits 16 --adpcm a.wav",
         "7 files=a.wav rate=22050 channels=1 bits=16 adpcm=1", ""},
        {"offset --find", "8 find=1", ""},
        {"verify --read-mode SECURE --offset 6", "9 offset=6 mode=secure", ""},
        {"help extract", "5 help=1", ""},
        {"--help", "0 help=1", ""},
        {"extract -h --tracks", "", "option --tracks needs a value"},
        {"", "", "no command given"},
        {"rip", "", "unknown command 'rip'"},
        {"--drive 1", "", "unknown option --drive (see quillon --help)"},
        {"convert --drive 1", "", "unknown option --drive for this command"},
        {"toc extra", "", "unexpected argument 'extra'"},
        {"toc --drive 0", "", "--drive takes a drive number from 1"},
        {"toc --drive x", "", "--drive takes a drive number from 1"},
        {"toc --drive 1 --cd-image a.cue", "", "give either --drive or --cd-image"},
        {"extract --overwrite --no-overwrite", "", "--overwrite and --no-overwrite exclude"},
        {"extract --overwrite=yes", "", "option --overwrite takes no value"},
        {"extract --format aac", "", "--format takes mp3, wav, ogg, wma, flac or opus, not 'aac'"},
        {"extract --name-template %titel%", "", "--name-template: %titel% is no field"},
        {"extract --output=", "", "--output needs a folder"},
        {"extract --metadata x", "", "--metadata takes auto, musicbrainz, cdtext, cddb or stored"},
        {"lookup --metadata stored", "", "--metadata takes auto, musicbrainz, cdtext or cddb,"},
        {"extract --metadata cdtext --cddb", "", "--cddb is --metadata cddb"},
        {"extract --metadata stored --release 1", "", "--release picks a looked-up candidate"},
        {"extract --release 0", "", "--release takes a number from 1"},
        {"extract --offset 5881", "", "--offset takes samples from -5880 to +5880"},
        {"verify --read-mode fast", "", "--read-mode takes burst, secure or auto"},
        {"convert a.wav", "", "convert needs --to"},
        {"convert --to wav", "", "convert needs at least one input file"},
        {"offset", "", "offset needs --find"},
        {"resample a.wav", "", "resample needs --rate HZ"},
        {"resample --rate 999 a.wav", "", "--rate takes a number from 1000 to 384000, not '999'"},
        {"resample --rate 8000 --channels 3 a.wav", "", "--channels takes 1 or 2, not '3'"},
        {"resample --rate 8000 --bits 8 --adpcm a.wav", "", "--adpcm writes 16 bit samples only"},
        {"resample --rate 8000", "", "resample needs at least one input file"},
        {"help rip", "", "unknown command 'rip'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        QString error;
        const auto request = ParseCliArguments(words(c.args), error);
        if (*c.parsed) {
            ASSERT_TRUE(request.has_value()) << error.toStdString();
            EXPECT_EQ(summary(*request), QString::fromUtf8(c.parsed));
        } else {
            EXPECT_FALSE(request.has_value());
            EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.error))) << error.toStdString();
        }
    }
}

TEST(CliArguments, TrackLists)
{
    const struct {
        const char* text;
        std::vector<int> tracks; // empty: refused
        const char* error;
    } cases[] = {
        {"1,3-5", {1, 3, 4, 5}, ""},
        {" 5 , 2-3 ,3", {5, 2, 3}, ""}, // order kept, repeats dropped
        {"8", {8}, ""},
        {"9", {}, "the disc has tracks 1 to 8"},
        {"0-2", {}, "the disc has tracks 1 to 8"},
        {"5-3", {}, "a range counts upwards, as in 3-5"},
        {"1,,2", {}, "use numbers and ranges like 1,3-5"},
        {"1-2-3", {}, "use numbers and ranges like 1,3-5"},
        {"-1", {}, "use numbers and ranges like 1,3-5"},
        {"two", {}, "use numbers and ranges like 1,3-5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        QString error;
        const auto tracks = ParseTrackList(QString::fromUtf8(c.text), 8, error);
        if (c.tracks.empty()) {
            EXPECT_FALSE(tracks.has_value());
            EXPECT_TRUE(error.endsWith(QString::fromUtf8(c.error))) << error.toStdString();
        } else {
            ASSERT_TRUE(tracks.has_value()) << error.toStdString();
            EXPECT_EQ(*tracks, c.tracks);
        }
    }
}

} // namespace
