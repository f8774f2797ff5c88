#include "settings/options_store.h"

#include "settings/global.h"
#include "settings/ini_file.h"
#include "settings/options_setting.h"
#include "settings/wma_profiles.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Every key options.ini must hold, in file order.
const char* const kAllKeys[][2] = {
    {"CommonOptions", "OutputFolder"},
    {"CommonOptions", "OutputFormat"},
    {"CommonOptions", "IsKeepWav"},
    {"CommonOptions", "IsNormalize"},
    {"CommonOptions", "NormalizePercent"},
    {"CommonOptions", "EnableRipTime"},
    {"CommonOptions", "RipTime"},
    {"CommonOptions", "NameTemplate"},
    {"Mp3Options", "IsSelectVBR"},
    {"Mp3Options", "IsVBRHead"},
    {"Mp3Options", "BitRate"},
    {"Mp3Options", "MaxBitRate"},
    {"Mp3Options", "MpegQuality"},
    {"Mp3Options", "VBRQuality"},
    {"Mp3Options", "StereoMode"},
    {"OggOptions", "IsUseCompress"},
    {"OggOptions", "CompressPosition"},
    {"OggOptions", "MaxBitRate"},
    {"OggOptions", "NomalBitRate"},
    {"OggOptions", "MinBitRate"},
    {"WMAOptions", "BitRate"},
    {"FlacOptions", "Level"},
    {"OpusOptions", "BitRate"},
    {"ReplayGain", "Enabled"},
    {"CDOptions", "Index"},
    {"CDOptions", "CDDb"},
    {"RecordOptions", "SaveMp3"},
    {"Verify", "ReadMode"},
    {"Verify", "ReadOffset"},
    {"Verify", "AccurateRip"},
    {"Verify", "CTDB"},
    {"Verify", "AccurateRipServer"},
    {"Verify", "CTDBServer"},
    {"Verify", "RipHiddenTrack"},
    {"Verify", "CueSheet"},
    {"QueryCDDB", "Server"},
    {"QueryCDDB", "Script"},
    {"QueryCDDB", "UseProxy"},
    {"QueryCDDB", "ProxyAddress"},
    {"QueryCDDB", "Port"},
    {"QueryCDDB", "Email"},
    {"QueryCDDB", "Client"},
    {"MusicBrainz", "Server"},
    {"MusicBrainz", "CoverArtServer"},
    {"MusicBrainz", "SaveCover"},
    {"MusicBrainz", "Contact"},
    {"Lookup", "Auto"},
    {"Lookup", "Sources"},
    {"ID3", "Use"},
    {"Options", "Lan"},
};

// Loads an options.ini holding one key and returns the loaded record.
TOptionsSetting loadWith(const quillon::test::TempHome& home, const char* section, const char* key,
                         const char* value)
{
    const QByteArray text = QByteArray("[") + section + "]\n" + key + "=" + value + "\n";
    EXPECT_TRUE(quillon::test::writeFile(home.file(s("options.ini")), text));
    LoadSaveOptions(true);
    return OptionsSetting;
}

} // namespace

TEST(OptionsStore, MissingFileGivesEveryDefault)
{
    quillon::test::TempHome home;
    OptionsSetting.CommonOptions.OutputFormat = 3;
    OptionsSetting.CompressPosition = 77;
    OptionsSetting.Lan = s("German");
    OptionsSetting.CDInfo.Artist = s("untouched");
    OptionsSetting.Verify.ReadOffset = 667;
    OptionsSetting.Verify.RipHiddenTrack = true;
    LoadSaveOptions(true);

    const TOptionsSetting& o = OptionsSetting;
    EXPECT_EQ(o.CommonOptions.OutputFolder, AddBackslash(home.path()) + s("Output"));
    EXPECT_EQ(o.CommonOptions.OutputFormat, 0);
    EXPECT_FALSE(o.CommonOptions.IsKeepWav);
    EXPECT_FALSE(o.CommonOptions.IsNormalize);
    EXPECT_EQ(o.CommonOptions.NormalizePercent, 95);
    EXPECT_FALSE(o.CommonOptions.EnableRipTime);
    EXPECT_EQ(o.CommonOptions.RipTime, 0);
    EXPECT_EQ(o.CommonOptions.NameTemplate, s("%title%"));
    EXPECT_FALSE(o.IsSelectVBR);
    EXPECT_FALSE(o.IsVBRHead);
    EXPECT_EQ(o.BitRate, 128);
    EXPECT_EQ(o.MaxBitRate, 320);
    EXPECT_EQ(o.MpegQuality, 0);
    EXPECT_EQ(o.VBRQuality, 4);
    EXPECT_EQ(o.StereoMode, 1);
    EXPECT_TRUE(o.IsUseCompress);
    EXPECT_EQ(o.CompressPosition, 30);
    EXPECT_EQ(o.OggMaxBitRate, 0);
    EXPECT_EQ(o.OggNomalBitRate, 0);
    EXPECT_EQ(o.OggMinBitRate, 0);
    EXPECT_EQ(o.WMABitRate, 8);
    EXPECT_EQ(WmaProfileCode(o.WMABitRate), s("64_44_2"));
    EXPECT_EQ(o.FlacLevel, 5);
    EXPECT_EQ(o.OpusBitRate, 160);
    EXPECT_TRUE(o.ReplayGain);
    EXPECT_EQ(o.CDIndex, -1);
    EXPECT_FALSE(o.CDDb);
    EXPECT_FALSE(o.SaveMp3);
    EXPECT_EQ(o.QueryCDDB.Server, s("gnudb.gnudb.org"));
    EXPECT_EQ(o.QueryCDDB.Script, s("/~cddb/cddb.cgi"));
    EXPECT_FALSE(o.QueryCDDB.UseProxy);
    EXPECT_EQ(o.QueryCDDB.ProxyAddress, QString());
    EXPECT_EQ(o.QueryCDDB.Port, s("80"));
    EXPECT_EQ(o.QueryCDDB.Email, QString());
    EXPECT_EQ(o.QueryCDDB.Client, QString());
    EXPECT_EQ(o.MusicBrainz.Server, s("https://musicbrainz.org"));
    EXPECT_EQ(o.MusicBrainz.CoverArtServer, s("https://coverartarchive.org"));
    EXPECT_TRUE(o.MusicBrainz.SaveCover);
    EXPECT_EQ(o.MusicBrainz.Contact, QString());
    EXPECT_TRUE(o.Lookup.Auto);
    EXPECT_EQ(o.Lookup.Sources, s("musicbrainz,cdtext,cddb"));
    EXPECT_FALSE(o.UseID3);
    EXPECT_EQ(o.Lan, s("English"));
    EXPECT_EQ(o.CDInfo.Artist, s("untouched"));
    EXPECT_EQ(o.Verify.ReadMode, s("auto"));
    EXPECT_EQ(o.Verify.ReadOffset, 0);
    EXPECT_TRUE(o.Verify.AccurateRip);
    EXPECT_TRUE(o.Verify.CTDB);
    EXPECT_EQ(o.Verify.AccurateRipServer, s("http://www.accuraterip.com"));
    EXPECT_EQ(o.Verify.CTDBServer, s("http://db.cuetools.net"));
    EXPECT_FALSE(o.Verify.RipHiddenTrack);
}

TEST(OptionsStore, StoredValuesAreReadAndClamped)
{
    using Field = std::function<qint64(const TOptionsSetting&)>;
    const Field compress = [](const TOptionsSetting& o) { return o.CompressPosition; };
    const Field keepWav = [](const TOptionsSetting& o) { return o.CommonOptions.IsKeepWav; };
    const Field cdIndex = [](const TOptionsSetting& o) { return o.CDIndex; };
    const Field oggNominal = [](const TOptionsSetting& o) { return o.OggNomalBitRate; };
    const Field mp3Max = [](const TOptionsSetting& o) { return o.MaxBitRate; };
    const Field oggMax = [](const TOptionsSetting& o) { return o.OggMaxBitRate; };
    const Field wma = [](const TOptionsSetting& o) { return o.WMABitRate; };
    const Field flac = [](const TOptionsSetting& o) { return o.FlacLevel; };
    const Field opus = [](const TOptionsSetting& o) { return o.OpusBitRate; };
    const Field gain = [](const TOptionsSetting& o) { return o.ReplayGain; };
    const Field offset = [](const TOptionsSetting& o) { return o.Verify.ReadOffset; };
    const struct {
        const char* section;
        const char* key;
        const char* value;
        Field field;
        qint64 expected;
    } cases[] = {
        {"OggOptions", "CompressPosition", "10", compress, 30},
        {"OggOptions", "CompressPosition", "250", compress, 100},
        {"OggOptions", "CompressPosition", "0x40", compress, 64},
        {"OggOptions", "CompressPosition", "-7", compress, 30},
        {"OggOptions", "CompressPosition", "junk", compress, 30},
        {"CommonOptions", "IsKeepWav", "2", keepWav, 1},
        {"CommonOptions", "IsKeepWav", "yes", keepWav, 0},
        {"CommonOptions", "IsKeepWav", "-1", keepWav, 1},
        {"commonoptions", "iskeepwav", "1", keepWav, 1},
        {"CDOptions", "Index", "-5", cdIndex, -5},
        {"CDOptions", "Index", "", cdIndex, -1},
        {"OggOptions", "NomalBitRate", "4", oggNominal, 4},
        {"OggOptions", "NormalBitRate", "4", oggNominal, 0},
        // The same key name in two sections belongs to two fields.
        {"Mp3Options", "MaxBitRate", "256", mp3Max, 256},
        {"OggOptions", "MaxBitRate", "3", oggMax, 3},
        {"OggOptions", "MaxBitRate", "3", mp3Max, 320},
        {"WMAOptions", "BitRate", "12", wma, 12},
        {"FlacOptions", "Level", "12", flac, 8},
        {"FlacOptions", "Level", "-1", flac, 0},
        {"OpusOptions", "BitRate", "1000", opus, 510},
        {"OpusOptions", "BitRate", "96", opus, 96},
        {"ReplayGain", "Enabled", "0", gain, 0},
        {"Verify", "ReadOffset", "-667", offset, -667},
        {"Verify", "ReadOffset", "99999", offset, 5880},
        {"Verify", "ReadOffset", "-99999", offset, -5880},
    };
    for (const auto& c : cases) {
        quillon::test::TempHome home;
        const TOptionsSetting loaded = loadWith(home, c.section, c.key, c.value);
        EXPECT_EQ(c.field(loaded), c.expected) << c.section << "/" << c.key << "=" << c.value;
    }
}

TEST(OptionsStore, PresentEmptyTextStaysEmpty)
{
    quillon::test::TempHome home;
    EXPECT_EQ(loadWith(home, "Options", "Lan", "").Lan, QString());
    EXPECT_EQ(loadWith(home, "QueryCDDB", "Port", "8080").QueryCDDB.Port, s("8080"));
}

TEST(OptionsStore, SaveWritesEveryKeyAndRoundTrips)
{
    quillon::test::TempHome home;
    const QString path = home.file(s("options.ini"));
    ASSERT_TRUE(quillon::test::writeFile(path, "[Mine]\nKeep=me\n[Mp3Options]\nExtra=1\n"));
    LoadSaveOptions(true);
    OptionsSetting.CommonOptions.OutputFolder = s("/music/Ünïcödé out");
    OptionsSetting.CommonOptions.IsKeepWav = true;
    OptionsSetting.BitRate = 192;
    OptionsSetting.CompressPosition = 55;
    OptionsSetting.OggNomalBitRate = 7;
    OptionsSetting.CDIndex = -4;
    OptionsSetting.QueryCDDB.ProxyAddress = s("  proxy.local  ");
    OptionsSetting.Lan = s("Deutsch");
    const TOptionsSetting saved = OptionsSetting;
    LoadSaveOptions(false);
    EXPECT_EQ(OptionsFilePath(), path);

    const TIniFile ini(path);
    for (const auto& k : kAllKeys) {
        EXPECT_TRUE(ini.valueExists(s(k[0]), s(k[1]))) << k[0] << "/" << k[1];
    }
    EXPECT_EQ(ini.readString(s("CommonOptions"), s("IsKeepWav"), {}), s("1"));
    EXPECT_EQ(ini.readString(s("CommonOptions"), s("IsNormalize"), {}), s("0"));
    EXPECT_EQ(ini.readString(s("Mine"), s("Keep"), {}), s("me"));
    EXPECT_EQ(ini.readString(s("Mp3Options"), s("Extra"), {}), s("1"));

    OptionsSetting = TOptionsSetting{};
    LoadSaveOptions(true);
    const TOptionsSetting& o = OptionsSetting;
    EXPECT_EQ(o.CommonOptions.OutputFolder, saved.CommonOptions.OutputFolder);
    EXPECT_TRUE(o.CommonOptions.IsKeepWav);
    EXPECT_EQ(o.BitRate, 192);
    EXPECT_EQ(o.CompressPosition, 55);
    EXPECT_EQ(o.OggNomalBitRate, 7);
    EXPECT_EQ(o.CDIndex, -4);
    EXPECT_EQ(o.QueryCDDB.ProxyAddress, s("  proxy.local  "));
    EXPECT_EQ(o.Lan, s("Deutsch"));
}

TEST(OptionsStore, FailedSaveThrowsAndKeepsTheFile)
{
    quillon::test::TempHome home;
    const QString path = home.file(s("options.ini"));
    const QByteArray previous = "[Options]\nLan=English\n";
    ASSERT_TRUE(quillon::test::writeFile(path, previous));
    LoadSaveOptions(true);
    std::string message = "(nothing thrown)";
    {
        quillon::test::ScopedFileSizeLimit limit(100);
        try {
            LoadSaveOptions(false);
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    }
    EXPECT_EQ(message, "Unable to write to " + path.toStdString());
    EXPECT_EQ(quillon::test::readFile(path), previous);
}

TEST(WmaProfiles, CodesFollowTheDialogOrder)
{
    const struct {
        int index;
        const char* code;
    } cases[] = {
        {-1, "64_44_2"}, {0, "192_48_2"}, {3, "192_44_2"}, {8, "64_44_2"},
        {11, "48_44_1"}, {16, "20_32_1"}, {22, "20_16_2"}, {28, "8_11_1"},
        {29, "12_8_2"},  {32, "5_8_1"},   {33, "64_44_2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WmaProfileCode(c.index), s(c.code)) << c.index;

    // Every code is "<kbit/s>_<kHz>_<channels>" and no two are alike.
    QStringList all;
    for (int i = 0; i < WmaProfileCount; ++i) {
        const QStringList parts = WmaProfileCode(i).split(QLatin1Char('_'));
        ASSERT_EQ(parts.size(), 3) << i;
        EXPECT_TRUE(parts[2] == s("1") || parts[2] == s("2")) << i;
        all << WmaProfileCode(i);
    }
    all.removeDuplicates();
    EXPECT_EQ(all.size(), WmaProfileCount);
}
