// The options dialog: its value rules (bit-rate texts, extraction length,
// the drive reopening) and the real dialog driven through its widgets.

#include "audio/vorbis_out.h"
#include "cdaccess/cd_access.h"
#include "settings/options_form_values.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "settings/wma_profiles.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"
#include "support/widget_checks.h"
#include "ui/options/option_set_form.h"
#include "ui/tags/edit_track_name_form.h"
#include "ui/tags/id3_edit_form.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QTabBar>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <set>

using quillon::test::namedDrive;

namespace {

// ---------------------------------------------------------------- helpers

// Every setting the dialog touches as "name=value" lines, so a failed
// comparison names the setting that differs.
QStringList dump(const TOptionsSetting& s)
{
    const TCommonOptions& c = s.CommonOptions;
    QStringList lines;
    const auto add = [&lines](const char* name, const QVariant& value) {
        lines << QLatin1String(name) + QLatin1Char('=') + value.toString();
    };
    add("OutputFolder", c.OutputFolder);
    add("OutputFormat", c.OutputFormat);
    add("IsKeepWav", c.IsKeepWav);
    add("IsNormalize", c.IsNormalize);
    add("NormalizePercent", c.NormalizePercent);
    add("EnableRipTime", c.EnableRipTime);
    add("RipTime", c.RipTime);
    add("NameTemplate", c.NameTemplate);
    add("ReplayGain", s.ReplayGain);
    add("IsSelectVBR", s.IsSelectVBR);
    add("IsVBRHead", s.IsVBRHead);
    add("BitRate", s.BitRate);
    add("MaxBitRate", s.MaxBitRate);
    add("MpegQuality", s.MpegQuality);
    add("VBRQuality", s.VBRQuality);
    add("StereoMode", s.StereoMode);
    add("IsUseCompress", s.IsUseCompress);
    add("CompressPosition", s.CompressPosition);
    add("OggMaxBitRate", s.OggMaxBitRate);
    add("OggNomalBitRate", s.OggNomalBitRate);
    add("OggMinBitRate", s.OggMinBitRate);
    add("WMABitRate", s.WMABitRate);
    add("FlacLevel", s.FlacLevel);
    add("OpusBitRate", s.OpusBitRate);
    add("CDIndex", s.CDIndex);
    add("CDDb", s.CDDb);
    add("UseID3", s.UseID3);
    add("Artist", s.CDInfo.Artist);
    add("Album", s.CDInfo.Album);
    add("Year", s.CDInfo.Year);
    add("Genre", s.CDInfo.Genre);
    add("Comment", s.CDInfo.Comment);
    add("LookupAuto", s.Lookup.Auto);
    add("LookupSources", s.Lookup.Sources);
    add("MusicBrainzServer", s.MusicBrainz.Server);
    add("CoverArtServer", s.MusicBrainz.CoverArtServer);
    add("SaveCover", s.MusicBrainz.SaveCover);
    add("Contact", s.MusicBrainz.Contact);
    add("CddbEmail", s.QueryCDDB.Email);
    add("CddbClient", s.QueryCDDB.Client);
    add("ReadMode", s.Verify.ReadMode);
    add("ReadOffset", s.Verify.ReadOffset);
    add("RipHiddenTrack", s.Verify.RipHiddenTrack);
    add("CueSheet", s.Verify.CueSheet);
    add("AccurateRip", s.Verify.AccurateRip);
    add("AccurateRipServer", s.Verify.AccurateRipServer);
    add("CTDB", s.Verify.CTDB);
    add("CTDBServer", s.Verify.CTDBServer);
    return lines;
}

// Settings that differ from the record's defaults almost everywhere.
TOptionsSetting unusualSettings(const QString& folder)
{
    TOptionsSetting s;
    s.CommonOptions.OutputFolder = folder;
    s.CommonOptions.OutputFormat = ofOGG;
    s.CommonOptions.IsKeepWav = true;
    s.CommonOptions.IsNormalize = true;
    s.CommonOptions.NormalizePercent = 77;
    s.CommonOptions.EnableRipTime = true;
    s.CommonOptions.RipTime = 42;
    s.CommonOptions.NameTemplate = QStringLiteral("%artist%/%title%");
    s.ReplayGain = false;
    s.IsSelectVBR = true;
    s.IsVBRHead = true;
    s.BitRate = 64;
    s.MaxBitRate = 256;
    s.MpegQuality = 2;
    s.VBRQuality = 7;
    s.StereoMode = 4;
    s.IsUseCompress = false;
    s.CompressPosition = 85;
    s.OggMaxBitRate = 14;
    s.OggNomalBitRate = 9;
    s.OggMinBitRate = 1;
    s.WMABitRate = 32;
    s.FlacLevel = 8;
    s.OpusBitRate = 96;
    s.CDIndex = 1;
    s.CDDb = true;
    s.UseID3 = true;
    s.CDInfo.Artist = QStringLiteral("Some Artist");
    s.CDInfo.Album = QStringLiteral("An Album");
    s.CDInfo.Year = QStringLiteral("1999");
    s.CDInfo.Genre = 96;
    s.CDInfo.Comment = QStringLiteral("no comment");
    s.Verify.ReadMode = QStringLiteral("secure");
    s.Verify.ReadOffset = -667;
    s.Verify.RipHiddenTrack = true;
    s.Verify.AccurateRip = false;
    s.Verify.AccurateRipServer = QStringLiteral("http://127.0.0.1:8080");
    s.Verify.CTDB = false;
    s.Verify.CTDBServer = QStringLiteral("https://ctdb.example/");
    return s;
}

class OptionsFormTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_outDir.isValid());
        m_saved = OptionsSetting;
        TCDREC image = namedDrive("", "");
        image.Device = QStringLiteral("/tmp/disc.cue");
        m_drives.setDrives({namedDrive(" HL-DT-ST ", "DVDRAM GH24NSD1 "),
                            namedDrive("ASUS    ", "BW-16D1HT"), image});
        setCDAccess(&m_drives);
        OptionsSetting = unusualSettings(m_outDir.path());
    }
    void TearDown() override
    {
        setCDAccess(nullptr);
        OptionsSetting = m_saved;
    }

    // A shown dialog, loaded from OptionsSetting.
    TOptionSetForm& openForm()
    {
        m_form = std::make_unique<TOptionSetForm>();
        m_form->show();
        return *m_form;
    }
    template <typename T> T* child(const char* name)
    {
        T* w = m_form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void showPage(const char* name)
    {
        auto* tabs = child<QTabWidget>("PageControl1");
        tabs->setCurrentWidget(child<QWidget>(name));
    }
    void clickOk() { QTest::mouseClick(child<QPushButton>("btOk"), Qt::LeftButton); }

    QTemporaryDir m_outDir;
    TOptionsSetting m_saved;
    quillon::test::MemoryCDDrive m_drives;
    ScopedPrompts m_prompts;
    std::unique_ptr<TOptionSetForm> m_form;
};

} // namespace

// ---------------------------------------------------------------- value rules

TEST(OptionsFormValues, BitRateTexts)
{
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {" 64 kbit/s", 64},   {"64 kbit/s", 64},  {"128 kbit/s", 128},   {"320", 320},
        {"1280 kbit/s", 128}, // only the first three characters count
        {"-5 kbit/s", -5},    {"", std::nullopt}, {"abc", std::nullopt}, {"kbit/s", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseBitRateText(QString::fromLatin1(c.text)), c.value) << c.text;
    for (int kbits : {32, 64, 96, 128, 320})
        EXPECT_EQ(ParseBitRateText(BitRateText(kbits)), kbits) << kbits;
    EXPECT_EQ(BitRateText(64), QStringLiteral("64 kbit/s"));
}

TEST(OptionsFormValues, RipTimeTexts)
{
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"0", 0},
        {"300", 300},
        {"-5", -5},
        {"-100", std::nullopt}, // the marker of an invalid length
        {"-99", -99},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12a", std::nullopt},
        {"1.5", std::nullopt},
        {"0x10", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseRipTimeText(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(OptionsFormValues, ListItemsReadBackAsTheValuesTheyShow)
{
    // The MP3 bit rates are stored from the shown text: every item reads back
    // as a rate lame takes, and the defaults are 128 and 320 kbit/s.
    const std::set<int> lameRates{32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    std::set<int> listed;
    for (const QString& item : LameBitRateItems()) {
        const auto kbits = ParseBitRateText(item);
        ASSERT_TRUE(kbits.has_value()) << item.toStdString();
        EXPECT_TRUE(lameRates.count(*kbits)) << item.toStdString();
        EXPECT_EQ(item.trimmed(), BitRateText(*kbits));
        listed.insert(*kbits);
    }
    EXPECT_EQ(listed, lameRates);
    EXPECT_EQ(ParseBitRateText(LameBitRateItems().at(kDefaultBitRateItem)), 128);
    EXPECT_EQ(ParseBitRateText(LameBitRateItems().at(kDefaultMaxBitRateItem)), 320);
    // The Ogg lists are stored as item indexes: each item names the rate the
    // encoder is given for its index (56 has always asked for 46000).
    ASSERT_EQ(OggBitRateItems().size(), br320 + 1);
    EXPECT_EQ(VorbisBitsPerSecond(VorbisBitRateFromIndex(0)), -1);
    for (int i = 1; i < OggBitRateItems().size(); ++i) {
        const int shown = ParseBitRateText(OggBitRateItems().at(i)).value_or(0) * 1000;
        const int given = VorbisBitsPerSecond(VorbisBitRateFromIndex(i));
        EXPECT_EQ(shown == 56000 ? 46000 : shown, given) << i;
    }
    using namespace Qt::StringLiterals;
    const QStringList wma{u"48.000 kHz, 192 kbit/s, Stereo"_s, u"48.000 kHz, 160 kbit/s, Stereo"_s,
                          u"48.000 kHz, 128 kbit/s, Stereo"_s, u"44.100 kHz, 192 kbit/s, Stereo"_s,
                          u"44.100 kHz, 160 kbit/s, Stereo"_s, u"44.100 kHz, 128 kbit/s, Stereo"_s,
                          u"44.100 kHz,  96 kbit/s, Stereo"_s, u"44.100 kHz,  80 kbit/s, Stereo"_s,
                          u"44.100 kHz,  64 kbit/s, Stereo"_s, u"44.100 kHz,  48 kbit/s, Stereo"_s,
                          u"44.100 kHz,  32 kbit/s, Stereo"_s, u"44.100 kHz,  48 kbit/s, Mono"_s,
                          u"44.100 kHz,  32 kbit/s, Mono"_s,   u"32.000 kHz,  48 kbit/s, Stereo"_s,
                          u"32.000 kHz,  40 kbit/s, Stereo"_s, u"32.000 kHz,  32 kbit/s, Stereo"_s,
                          u"32.000 kHz,  20 kbit/s, Mono"_s,   u"22.050 kHz,  32 kbit/s, Stereo"_s,
                          u"22.050 kHz,  22 kbit/s, Stereo"_s, u"22.050 kHz,  20 kbit/s, Stereo"_s,
                          u"22.050 kHz,  20 kbit/s, Mono"_s,   u"22.050 kHz,  16 kbit/s, Mono"_s,
                          u"16.000 kHz,  20 kbit/s, Stereo"_s, u"16.000 kHz,  16 kbit/s, Stereo"_s,
                          u"16.000 kHz,  16 kbit/s, Mono"_s,   u"16.000 kHz,  12 kbit/s, Mono"_s,
                          u"16.000 kHz,  10 kbit/s, Mono"_s,   u"11.025 kHz,  10 kbit/s, Mono"_s,
                          u"11.025 kHz,   8 kbit/s, Mono"_s,   u" 8.000 kHz,  12 kbit/s, Stereo"_s,
                          u" 8.000 kHz,   8 kbit/s, Mono"_s,   u" 8.000 kHz,   6 kbit/s, Mono"_s,
                          u" 8.000 kHz,   5 kbit/s, Mono"_s};
    EXPECT_EQ(WMABitRateItems(), wma);
    // Each item describes the profile the encoder is given for that index.
    ASSERT_EQ(WMABitRateItems().size(), WmaProfileCount);
    for (int i = 0; i < WmaProfileCount; ++i) {
        const QString item = WMABitRateItems().at(i);
        const QString code = QStringLiteral("%1_%2_%3")
                                 .arg(item.mid(12, 3).trimmed())
                                 .arg(int(item.left(6).trimmed().toDouble()))
                                 .arg(item.endsWith(u"Stereo") ? 2 : 1);
        EXPECT_EQ(code, WmaProfileCode(i)) << i;
    }
    EXPECT_EQ(kDefaultWMABitRateItem, DefaultWmaProfile);
    EXPECT_EQ(WMABitRateItems().at(kDefaultWMABitRateItem),
              QStringLiteral("44.100 kHz,  64 kbit/s, Stereo"));
}

TEST(OptionsFormValues, DriveReopening)
{
    const struct {
        int count, selected, shown;
        bool cdDb, shownCDDb, reopen;
    } cases[] = {
        {0, -1, 0, false, false, false}, // list never filled
        {0, -1, 0, true, false, false},  // even with the CDDB choice changed
        {2, 0, 0, false, false, false},  {2, 1, 0, false, false, true},
        {2, 0, 0, true, false, true},    {2, 0, 0, false, true, true},
        {1, 0, 3, false, false, true},   // remembered drive gone, another chosen
        {1, -1, 3, false, false, false}, // remembered drive gone, none chosen
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveMustReopen(c.count, c.selected, c.shown, c.cdDb, c.shownCDDb), c.reopen)
            << c.count << ' ' << c.selected << ' ' << c.shown;
}

TEST(OptionsFormValues, RefusedStoreChangesNothing)
{
    QTemporaryDir dir;
    const TOptionsSetting before = unusualSettings(dir.path());
    const struct {
        std::function<void(TOptionsFormValues&)> edit;
        OptionsFormProblem problem;
    } cases[] = {
        {[](TOptionsFormValues& v) { v.OutputDir = v.OutputDir + QStringLiteral("/missing"); },
         OptionsFormProblem::OutputDirMissing},
        {[](TOptionsFormValues& v) { v.OutputDir.clear(); }, OptionsFormProblem::OutputDirMissing},
        {[](TOptionsFormValues& v) { v.RipTimeText = QStringLiteral("-100"); },
         OptionsFormProblem::RipTimeInvalid},
        {[](TOptionsFormValues& v) { v.BitRateText = QStringLiteral("fast"); },
         OptionsFormProblem::BitRateInvalid},
        {[](TOptionsFormValues& v) { v.MaxBitRateText = QStringLiteral("max"); },
         OptionsFormProblem::MaxBitRateInvalid},
        {[](TOptionsFormValues& v) {
             v.AccurateRip = true;
             v.AccurateRipServer = QStringLiteral("www.accuraterip.com");
         },
         OptionsFormProblem::AccurateRipServerInvalid},
        {[](TOptionsFormValues& v) {
             v.AccurateRip = true;
             v.AccurateRipServer = QStringLiteral("ftp://x");
         },
         OptionsFormProblem::AccurateRipServerInvalid},
        {[](TOptionsFormValues& v) {
             v.CTDB = true;
             v.CTDBServer = QStringLiteral("http://");
         },
         OptionsFormProblem::CTDBServerInvalid},
        {[](TOptionsFormValues& v) {
             v.CTDB = true;
             v.CTDBServer = QStringLiteral("http://db/?q=1");
         },
         OptionsFormProblem::CTDBServerInvalid},
    };
    for (const auto& c : cases) {
        TOptionsSetting s = before;
        TOptionsFormValues v = OptionsFormValuesFrom(s);
        v.OutputFormat = ofWMA; // something that would be stored first
        v.DeleteWav = !v.DeleteWav;
        c.edit(v);
        EXPECT_EQ(StoreOptionsFormValues(v, s), c.problem);
        EXPECT_EQ(dump(s), dump(before));
    }
    // The address of a database that is switched off does not stop OK.
    TOptionsSetting s = before;
    TOptionsFormValues v = OptionsFormValuesFrom(s);
    v.CTDB = false;
    v.CTDBServer = QStringLiteral("not an address");
    EXPECT_EQ(StoreOptionsFormValues(v, s), OptionsFormProblem::None);
}

// ---------------------------------------------------------------- the dialog

TEST_F(OptionsFormTest, LoadThenOkStoresEverythingBack)
{
    const TOptionsSetting loaded = OptionsSetting;
    TOptionSetForm& form = openForm();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(form.height(), 360);
    // Every page's tab is in sight, none behind scroll arrows.
    const auto* tabs = child<QTabWidget>("PageControl1")->tabBar();
    EXPECT_LE(tabs->sizeHint().width(), tabs->width());
    showPage("TabSheet3");
    EXPECT_EQ(child<QComboBox>("cbCDList")->currentIndex(), 1);
    clickOk();

    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.driveMustReopen());
    EXPECT_EQ(dump(OptionsSetting), dump(loaded));
}

TEST_F(OptionsFormTest, EachControlStoresItsOwnSetting)
{
    const struct {
        const char* what;
        std::function<void(OptionsFormTest&)> change;
        std::function<void(TOptionsSetting&)> expect;
    } cases[] = {
        {"output folder typed with trailing separator",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("editOutputDir")->setText(t.m_outDir.path() + QStringLiteral("/"));
         },
         [this](TOptionsSetting& s) {
             s.CommonOptions.OutputFolder = m_outDir.path() + QStringLiteral("/");
         }},
        {"format",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbOutputFormat")->setCurrentIndex(3); },
         [](TOptionsSetting& s) { s.CommonOptions.OutputFormat = ofWMA; }},
        {"delete wav",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckbKeepWav")->setChecked(true); },
         [](TOptionsSetting& s) { s.CommonOptions.IsKeepWav = false; }},
        {"normalize",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckNormalize")->setChecked(false); },
         [](TOptionsSetting& s) { s.CommonOptions.IsNormalize = false; }},
        {"percent", [](OptionsFormTest& t) { t.child<QSpinBox>("SpinEdit1")->stepBy(3); },
         [](TOptionsSetting& s) { s.CommonOptions.NormalizePercent = 80; }},
        {"rip time on",
         [](OptionsFormTest& t) { t.child<QCheckBox>("cbRipTime")->setChecked(false); },
         [](TOptionsSetting& s) { s.CommonOptions.EnableRipTime = false; }},
        {"rip time -5",
         [](OptionsFormTest& t) { t.child<QLineEdit>("eRipTime")->setText(QStringLiteral("-5")); },
         [](TOptionsSetting& s) { s.CommonOptions.RipTime = -5; }},
        {"vbr", [](OptionsFormTest& t) { t.child<QCheckBox>("ckbSelectVBR")->setChecked(false); },
         [](TOptionsSetting& s) { s.IsSelectVBR = false; }},
        {"vbr head",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckbVBRHead")->setChecked(false); },
         [](TOptionsSetting& s) { s.IsVBRHead = false; }},
        {"bit rate item  64",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbBitRate")->setCurrentIndex(4); },
         [](TOptionsSetting&) {}},
        {"bit rate item 320",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbBitRate")->setCurrentIndex(13); },
         [](TOptionsSetting& s) { s.BitRate = 320; }},
        {"max bit rate typed",
         [](OptionsFormTest& t) {
             t.child<QComboBox>("cbMaxBitRate")->setEditText(QStringLiteral("96 kbit"));
         },
         [](TOptionsSetting& s) { s.MaxBitRate = 96; }},
        {"speed",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbMpegQuality")->setCurrentIndex(1); },
         [](TOptionsSetting& s) { s.MpegQuality = 1; }},
        {"vbr quality",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbVBRQuality")->setCurrentIndex(0); },
         [](TOptionsSetting& s) { s.VBRQuality = 0; }},
        {"mode", [](OptionsFormTest& t) { t.child<QComboBox>("cbStereoMode")->setCurrentIndex(3); },
         [](TOptionsSetting& s) { s.StereoMode = 3; }},
        {"use quality",
         [](OptionsFormTest& t) { t.child<QCheckBox>("cbUseCompress")->setChecked(true); },
         [](TOptionsSetting& s) { s.IsUseCompress = true; }},
        {"slider", [](OptionsFormTest& t) { t.child<QSlider>("tbCompression")->setValue(100); },
         [](TOptionsSetting& s) { s.CompressPosition = 100; }},
        {"ogg max",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbOggMaxBit")->setCurrentIndex(2); },
         [](TOptionsSetting& s) { s.OggMaxBitRate = 2; }},
        {"ogg nominal",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbOggNomBit")->setCurrentIndex(0); },
         [](TOptionsSetting& s) { s.OggNomalBitRate = 0; }},
        {"ogg min",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbOggMinBit")->setCurrentIndex(13); },
         [](TOptionsSetting& s) { s.OggMinBitRate = 13; }},
        {"wma default", [](OptionsFormTest& t) { t.child<QPushButton>("bWMADefault")->click(); },
         [](TOptionsSetting& s) { s.WMABitRate = 8; }},
        {"format flac",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbOutputFormat")->setCurrentIndex(4); },
         [](TOptionsSetting& s) { s.CommonOptions.OutputFormat = ofFLAC; }},
        {"format opus",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbOutputFormat")->setCurrentIndex(5); },
         [](TOptionsSetting& s) { s.CommonOptions.OutputFormat = ofOpus; }},
        {"flac level", [](OptionsFormTest& t) { t.child<QSpinBox>("seFlacLevel")->setValue(0); },
         [](TOptionsSetting& s) { s.FlacLevel = 0; }},
        {"opus bit rate",
         [](OptionsFormTest& t) { t.child<QSpinBox>("seOpusBitRate")->setValue(256); },
         [](TOptionsSetting& s) { s.OpusBitRate = 256; }},
        {"replaygain",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckReplayGain")->setChecked(true); },
         [](TOptionsSetting& s) { s.ReplayGain = true; }},
        {"name template",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("editNameTemplate")
                 ->setText(QStringLiteral("%album%/%track% %title%"));
         },
         [](TOptionsSetting& s) {
             s.CommonOptions.NameTemplate = QStringLiteral("%album%/%track% %title%");
         }},
        {"emptied name template: today's names",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("editNameTemplate")->setText(QStringLiteral("  "));
         },
         [](TOptionsSetting& s) { s.CommonOptions.NameTemplate = QStringLiteral("%title%"); }},
        {"use id3", [](OptionsFormTest& t) { t.child<QCheckBox>("cbUseID3")->setChecked(false); },
         [](TOptionsSetting& s) { s.UseID3 = false; }},
        {"artist",
         [](OptionsFormTest& t) { t.child<QLineEdit>("ID3artist")->setText(QStringLiteral("X")); },
         [](TOptionsSetting& s) { s.CDInfo.Artist = QStringLiteral("X"); }},
        {"album",
         [](OptionsFormTest& t) { t.child<QLineEdit>("ID3album")->setText(QStringLiteral("Y")); },
         [](TOptionsSetting& s) { s.CDInfo.Album = QStringLiteral("Y"); }},
        {"year",
         [](OptionsFormTest& t) { t.child<QLineEdit>("ID3year")->setText(QStringLiteral("2024")); },
         [](TOptionsSetting& s) { s.CDInfo.Year = QStringLiteral("2024"); }},
        {"genre", [](OptionsFormTest& t) { t.child<QComboBox>("ID3genre")->setCurrentIndex(0); },
         [](TOptionsSetting& s) { s.CDInfo.Genre = 0; }},
        {"comment",
         [](OptionsFormTest& t) { t.child<QLineEdit>("ID3comment")->setText(QStringLiteral("Z")); },
         [](TOptionsSetting& s) { s.CDInfo.Comment = QStringLiteral("Z"); }},
        {"auto lookup",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckbAutoLookup")->setChecked(false); },
         [](TOptionsSetting& s) { s.Lookup.Auto = false; }},
        {"sources",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eSources")->setText(QStringLiteral("cddb, cdtext"));
         },
         [](TOptionsSetting& s) { s.Lookup.Sources = QStringLiteral("cddb, cdtext"); }},
        {"musicbrainz server",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eMusicBrainz")
                 ->setText(QStringLiteral(" http://mb.example.org:5000/ "));
         },
         [](TOptionsSetting& s) {
             s.MusicBrainz.Server = QStringLiteral("http://mb.example.org:5000/");
         }},
        {"cover art server",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eCoverArt")->setText(QStringLiteral("https://caa.example.org"));
         },
         [](TOptionsSetting& s) {
             s.MusicBrainz.CoverArtServer = QStringLiteral("https://caa.example.org");
         }},
        {"save cover",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckbSaveCover")->setChecked(false); },
         [](TOptionsSetting& s) { s.MusicBrainz.SaveCover = false; }},
        {"contact",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eContact")->setText(QStringLiteral("me@example.org"));
         },
         [](TOptionsSetting& s) { s.MusicBrainz.Contact = QStringLiteral("me@example.org"); }},
        {"cddb e-mail",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eCddbEmail")->setText(QStringLiteral("me@example.org"));
         },
         [](TOptionsSetting& s) { s.QueryCDDB.Email = QStringLiteral("me@example.org"); }},
        {"cddb program",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eCddbClient")->setText(QStringLiteral("Registered 1.0"));
         },
         [](TOptionsSetting& s) { s.QueryCDDB.Client = QStringLiteral("Registered 1.0"); }},
        {"read mode",
         [](OptionsFormTest& t) { t.child<QComboBox>("cbReadMode")->setCurrentIndex(1); },
         [](TOptionsSetting& s) { s.Verify.ReadMode = QStringLiteral("burst"); }},
        {"read offset", [](OptionsFormTest& t) { t.child<QSpinBox>("seReadOffset")->setValue(6); },
         [](TOptionsSetting& s) { s.Verify.ReadOffset = 6; }},
        {"read offset beyond the range",
         [](OptionsFormTest& t) { t.child<QSpinBox>("seReadOffset")->setValue(99999); },
         [](TOptionsSetting& s) { s.Verify.ReadOffset = kMaxReadOffset; }},
        {"hidden track",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckRipHiddenTrack")->setChecked(false); },
         [](TOptionsSetting& s) { s.Verify.RipHiddenTrack = false; }},
        {"cue sheet",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckCueSheet")->setChecked(true); },
         [](TOptionsSetting& s) { s.Verify.CueSheet = true; }},
        {"accuraterip",
         [](OptionsFormTest& t) { t.child<QCheckBox>("ckAccurateRip")->setChecked(true); },
         [](TOptionsSetting& s) { s.Verify.AccurateRip = true; }},
        {"accuraterip server",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eAccurateRipServer")
                 ->setText(QStringLiteral(" https://ar.example:81 "));
         },
         [](TOptionsSetting& s) {
             s.Verify.AccurateRipServer = QStringLiteral("https://ar.example:81");
         }},
        {"ctdb", [](OptionsFormTest& t) { t.child<QCheckBox>("ckCTDB")->setChecked(true); },
         [](TOptionsSetting& s) { s.Verify.CTDB = true; }},
        {"ctdb server",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eCTDBServer")->setText(QStringLiteral("http://[::1]:9"));
         },
         [](TOptionsSetting& s) { s.Verify.CTDBServer = QStringLiteral("http://[::1]:9"); }},
    };
    const TOptionsSetting start = OptionsSetting;
    for (const auto& c : cases) {
        OptionsSetting = start;
        m_prompts.shown.clear();
        openForm();
        c.change(*this);
        clickOk();
        EXPECT_EQ(m_form->result(), QDialog::Accepted) << c.what;
        TOptionsSetting expected = start;
        expected.CDIndex = -1; // drive page never shown
        c.expect(expected);
        EXPECT_EQ(dump(OptionsSetting), dump(expected)) << c.what;
        EXPECT_TRUE(m_prompts.shown.empty()) << c.what;
    }
}

TEST_F(OptionsFormTest, BitRate64ShownWithoutLeadingBlank)
{
    openForm();
    EXPECT_EQ(child<QComboBox>("cbBitRate")->currentText(), QStringLiteral("64 kbit/s"));
    EXPECT_EQ(child<QComboBox>("cbMaxBitRate")->currentText(), QStringLiteral("256 kbit/s"));
}

TEST_F(OptionsFormTest, VbrEnablesItsDependants)
{
    OptionsSetting.IsSelectVBR = false;
    openForm();
    const char* dependants[] = {"ckbVBRHead", "cbMaxBitRate", "cbVBRQuality"};
    for (const char* name : dependants)
        EXPECT_FALSE(child<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(child<QWidget>("cbBitRate")->isEnabled());
    QTest::mouseClick(child<QCheckBox>("ckbSelectVBR"), Qt::LeftButton);
    for (const char* name : dependants)
        EXPECT_TRUE(child<QWidget>(name)->isEnabled()) << name;
}

TEST_F(OptionsFormTest, CheckBoxesEnableTheirFields)
{
    const struct {
        const char* check;
        const char* field;
    } pairs[] = {{"ckNormalize", "SpinEdit1"}, {"cbRipTime", "eRipTime"}};
    for (bool on : {false, true}) {
        OptionsSetting.CommonOptions.IsNormalize = on;
        OptionsSetting.CommonOptions.EnableRipTime = on;
        openForm();
        for (const auto& p : pairs) {
            EXPECT_EQ(child<QWidget>(p.field)->isEnabled(), on) << p.field;
            child<QCheckBox>(p.check)->setChecked(!on);
            EXPECT_EQ(child<QWidget>(p.field)->isEnabled(), !on) << p.field;
        }
    }
}

TEST_F(OptionsFormTest, DeleteWavOnlyForFormatsOtherThanWav)
{
    openForm();
    auto* format = child<QComboBox>("cbOutputFormat");
    auto* deleteWav = child<QCheckBox>("ckbKeepWav");
    for (int item = 0; item < 4; ++item) {
        format->setCurrentIndex(item);
        EXPECT_EQ(deleteWav->isEnabled(), item != ofWAV) << item;
    }
}

TEST_F(OptionsFormTest, ListsOfFixedChoicesTakeNoTypedText)
{
    const struct {
        const char* list;
        std::function<int(const TOptionsSetting&)> stored;
    } lists[] = {
        {"cbOutputFormat", [](const TOptionsSetting& s) { return s.CommonOptions.OutputFormat; }},
        {"cbMpegQuality", [](const TOptionsSetting& s) { return s.MpegQuality; }},
        {"cbVBRQuality", [](const TOptionsSetting& s) { return s.VBRQuality; }},
        {"cbStereoMode", [](const TOptionsSetting& s) { return s.StereoMode; }},
        {"cbOggNomBit", [](const TOptionsSetting& s) { return s.OggNomalBitRate; }},
        {"cbOggMaxBit", [](const TOptionsSetting& s) { return s.OggMaxBitRate; }},
        {"cbOggMinBit", [](const TOptionsSetting& s) { return s.OggMinBitRate; }},
        {"cbWMABitrate", [](const TOptionsSetting& s) { return s.WMABitRate; }},
    };
    const TOptionsSetting start = OptionsSetting;
    for (const auto& l : lists) {
        SCOPED_TRACE(l.list);
        OptionsSetting = start;
        openForm();
        auto* list = child<QComboBox>(l.list);
        EXPECT_FALSE(list->isEditable());
        // Typing only moves between the items.
        list->setFocus();
        QTest::keyClicks(list, QStringLiteral("FLAC file"));
        clickOk();
        EXPECT_GE(l.stored(OptionsSetting), 0);
        EXPECT_EQ(l.stored(OptionsSetting), list->currentIndex());
    }
}

TEST_F(OptionsFormTest, RefusedOkKeepsDialogOpenAndSettingsUnchanged)
{
    const struct {
        const char* what;
        std::function<void(OptionsFormTest&)> change;
        QString message;
        const char* focus; // the field the dialog turns to
    } cases[] = {
        {"missing folder",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("editOutputDir")
                 ->setText(t.m_outDir.path() + QStringLiteral("/nope"));
         },
         m_outDir.path() + QStringLiteral("/nope,The output directory does not exist."),
         "editOutputDir"},
        {"empty folder", [](OptionsFormTest& t) { t.child<QLineEdit>("editOutputDir")->clear(); },
         QStringLiteral(",The output directory does not exist."), "editOutputDir"},
        {"letters",
         [](OptionsFormTest& t) { t.child<QLineEdit>("eRipTime")->setText(QStringLiteral("abc")); },
         QStringLiteral("Please check the song length to extract."), "eRipTime"},
        {"-100",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eRipTime")->setText(QStringLiteral("-100"));
         },
         QStringLiteral("Please check the song length to extract."), "eRipTime"},
        {"bit rate",
         [](OptionsFormTest& t) {
             t.child<QComboBox>("cbBitRate")->setEditText(QStringLiteral("max"));
         },
         QStringLiteral("'max' is not a valid integer value"), nullptr},
        {"unknown title source",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eSources")->setText(QStringLiteral("musicbrainz,web"));
         },
         QStringLiteral("unknown title source 'web' (use musicbrainz, cdtext or cddb)"), nullptr},
        {"no title source", [](OptionsFormTest& t) { t.child<QLineEdit>("eSources")->clear(); },
         QStringLiteral("no title source given"), nullptr},
        {"server that is no web address",
         [](OptionsFormTest& t) {
             t.child<QLineEdit>("eCoverArt")->setText(QStringLiteral("ftp://caa"));
         },
         QStringLiteral("'ftp://caa' is not a web address (http:// or https://)"), nullptr},
        {"database address",
         [](OptionsFormTest& t) {
             t.child<QCheckBox>("ckCTDB")->setChecked(true);
             t.child<QLineEdit>("eCTDBServer")->setText(QStringLiteral("db.cuetools.net"));
         },
         QStringLiteral("A database address begins with http:// or https:// and names a server."),
         "eCTDBServer"},
    };
    const TOptionsSetting start = OptionsSetting;
    for (const auto& c : cases) {
        m_prompts.shown.clear();
        openForm();
        m_form->activateWindow();
        child<QComboBox>("cbOutputFormat")->setCurrentIndex(0);
        c.change(*this);
        clickOk();
        EXPECT_TRUE(m_form->isVisible()) << c.what;
        ASSERT_EQ(m_prompts.shown.size(), 1u) << c.what;
        EXPECT_EQ(m_prompts.shown[0].text, c.message);
        EXPECT_EQ(m_prompts.shown[0].icon, PromptIcon::Error);
        if (c.focus && QTest::qWaitForWindowActive(m_form.get())) {
            EXPECT_TRUE(child<QWidget>(c.focus)->hasFocus()) << c.what;
        }
        EXPECT_EQ(dump(OptionsSetting), dump(start)) << c.what;
    }
}

TEST_F(OptionsFormTest, LameDefaultThenCancelChangesNothing)
{
    const TOptionsSetting start = OptionsSetting;
    openForm();
    child<QPushButton>("bDefault")->click();
    EXPECT_FALSE(child<QCheckBox>("ckbSelectVBR")->isChecked());
    EXPECT_FALSE(child<QWidget>("cbMaxBitRate")->isEnabled());
    EXPECT_EQ(child<QComboBox>("cbBitRate")->currentText(), QStringLiteral("128 kbit/s"));
    EXPECT_EQ(child<QComboBox>("cbMaxBitRate")->currentText(), QStringLiteral("320 kbit/s"));
    EXPECT_EQ(child<QComboBox>("cbStereoMode")->currentText(), QStringLiteral("Joint Stereo"));
    QTest::mouseClick(child<QPushButton>("btCancel"), Qt::LeftButton);
    EXPECT_EQ(m_form->result(), QDialog::Rejected);
    EXPECT_EQ(dump(OptionsSetting), dump(start));
}

TEST_F(OptionsFormTest, LameDefaultThenOkStoresTheDefaults)
{
    openForm();
    child<QPushButton>("bDefault")->click();
    clickOk();
    const TOptionsSetting fresh;
    EXPECT_EQ(OptionsSetting.IsSelectVBR, false);
    EXPECT_EQ(OptionsSetting.IsVBRHead, false);
    EXPECT_EQ(OptionsSetting.BitRate, fresh.BitRate);
    EXPECT_EQ(OptionsSetting.MaxBitRate, fresh.MaxBitRate);
    EXPECT_EQ(OptionsSetting.VBRQuality, fresh.VBRQuality);
    EXPECT_EQ(OptionsSetting.MpegQuality, fresh.MpegQuality);
    EXPECT_EQ(OptionsSetting.StereoMode, fresh.StereoMode);
    EXPECT_EQ(OptionsSetting.CompressPosition, 85); // other pages untouched
}

TEST_F(OptionsFormTest, DrivePage)
{
    const struct {
        const char* what;
        int cdIndex;
        bool showPage;
        int choose; // -1: keep
        bool cdDb;
        int expectShown, expectStored;
        bool reopen;
    } cases[] = {
        {"page never shown", 1, false, -1, true, -1, -1, false},
        {"unset index selects the first drive", -1, true, -1, true, 0, 0, false},
        {"same drive", 2, true, -1, true, 2, 2, false},
        {"other drive", 0, true, 2, true, 0, 2, true},
        {"CDDB changed", 1, true, -1, false, 1, 1, true},
        {"remembered drive gone", 5, true, -1, true, -1, -1, false},
    };
    for (const auto& c : cases) {
        OptionsSetting.CDIndex = c.cdIndex;
        OptionsSetting.CDDb = true;
        const int listedBefore = m_drives.listCalls();
        openForm();
        EXPECT_EQ(child<QComboBox>("cbCDList")->count(), 0) << c.what;
        if (c.showPage) {
            showPage("TabSheet3");
            EXPECT_EQ(child<QComboBox>("cbCDList")->count(), 3) << c.what;
            EXPECT_EQ(child<QComboBox>("cbCDList")->currentIndex(), c.expectShown) << c.what;
        }
        if (c.choose >= 0)
            child<QComboBox>("cbCDList")->setCurrentIndex(c.choose);
        child<QCheckBox>("ckbCDDb")->setChecked(c.cdDb);
        clickOk();
        EXPECT_EQ(m_drives.listCalls() - listedBefore, c.showPage ? 1 : 0) << c.what;
        EXPECT_EQ(OptionsSetting.CDIndex, c.expectStored) << c.what;
        EXPECT_EQ(m_form->driveMustReopen(), c.reopen) << c.what;
    }
}

TEST_F(OptionsFormTest, DriveListTextsAndRefill)
{
    openForm();
    EXPECT_TRUE(child<QCheckBox>("ckbCDDb")->isHidden());
    showPage("TabSheet3");
    auto* list = child<QComboBox>("cbCDList");
    EXPECT_EQ(list->itemText(0), QStringLiteral("HL-DT-ST DVDRAM GH24NSD1"));
    EXPECT_EQ(list->itemText(1), QStringLiteral("ASUS    BW-16D1HT"));
    EXPECT_EQ(list->itemText(2), QStringLiteral("/tmp/disc.cue"));
    // Every showing rebuilds the list from the drives present now.
    m_drives.setDrives({namedDrive(" HL-DT-ST ", "DVDRAM GH24NSD1 ")});
    showPage("TabSheet1");
    showPage("TabSheet3");
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentIndex(), -1); // remembered drive 1 is gone
}

TEST_F(OptionsFormTest, BrowsePutsThePickedFolderIntoTheField)
{
    openForm();
    auto* edit = child<QLineEdit>("editOutputDir");
    m_prompts.folderAnswers = {QStringLiteral("/srv/music"), QString()};
    child<QPushButton>("btBrowser")->click();
    EXPECT_EQ(edit->text(), QStringLiteral("/srv/music"));
    child<QPushButton>("btBrowser")->click(); // cancelled
    EXPECT_EQ(edit->text(), QStringLiteral("/srv/music"));
}

TEST_F(OptionsFormTest, ExecReportsReopenOnlyAfterOk)
{
    OptionsSetting.CDIndex = 0;
    const struct {
        const char* button;
        bool ok, reopen;
    } cases[] = {{"btOk", true, true}, {"btCancel", false, false}};
    for (const auto& c : cases) {
        const TOptionsSetting start = OptionsSetting;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TOptionSetForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
            tabs->setCurrentIndex(5);
            form->findChild<QComboBox*>(QStringLiteral("cbCDList"))->setCurrentIndex(1);
            form->findChild<QPushButton*>(QLatin1String(c.button))->click();
        });
        bool reopen = !c.reopen;
        EXPECT_EQ(ExecOptionsDialog(nullptr, &reopen), c.ok) << c.button;
        EXPECT_EQ(reopen, c.reopen) << c.button;
        if (!c.ok) {
            EXPECT_EQ(dump(OptionsSetting), dump(start));
        }
        OptionsSetting.CDIndex = 0;
    }
}

TEST_F(OptionsFormTest, NameExampleFollowsTheTemplate)
{
    OptionsSetting.CDInfo.Tracks[1] = QStringLiteral("Opening: Part 1/2");
    openForm();
    auto* example = child<QLineEdit>("editNameExample");
    const QString folder = QDir::toNativeSeparators(m_outDir.path()) + QLatin1Char('/');
    EXPECT_EQ(example->text(), folder + QStringLiteral("Some Artist/Opening- Part 1-2.ogg"));
    const struct {
        const char* typed;
        int format;
        const char* shown; // after the folder
    } cases[] = {
        {"%albumartist%/%album% (%year%)/%track% %title%", ofFLAC,
         "Some Artist/An Album (1999)/01 Opening- Part 1-2.flac"},
        {"%genre%/%disc%-%track%", ofOpus, "Other/1-01.opus"},
        {"", ofWAV, "Opening- Part 1-2.wav"},
    };
    for (const auto& c : cases) {
        child<QComboBox>("cbOutputFormat")->setCurrentIndex(c.format);
        child<QLineEdit>("editNameTemplate")->setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(example->text(), folder + QString::fromUtf8(c.shown)) << c.typed;
    }
    child<QLineEdit>("editNameTemplate")->setText(QStringLiteral("%artist% %titel%"));
    EXPECT_EQ(example->text(), QStringLiteral("No such field: %titel%"));
}

TEST_F(OptionsFormTest, EveryPageShowsItsControlsWhole)
{
    openForm();
    auto* pages = child<QTabWidget>("PageControl1");
    ASSERT_GE(pages->count(), 11);
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        EXPECT_EQ(quillon::test::cutOffControls(m_form.get()), "") << page;
    }
}

// The English language file holds the windows' own texts:
// every key names a control that exists and holds exactly that text.
TEST(OptionsFormLanguage, FragmentMatchesTheWindows)
{
    QFile file(QStringLiteral(QUILLON_SOURCE_DIR "/lang/CLan_English.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QMap<QString, QString>> sections;
    QString section;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        ASSERT_GT(eq, 0) << line.toStdString();
        sections[section][line.left(eq)] = line.mid(eq + 1);
    }

    TOptionSetForm options;
    TfrmID3Edit id3;
    TfrmEditTrackName rename;
    const std::pair<QWidget*, const char*> forms[] = {
        {&options, "OptionSetForm"}, {&id3, "frmID3Edit"}, {&rename, "frmEditTrackName"}};
    int checked = 0;
    for (const auto& [form, name] : forms) {
        const auto keys = sections.value(QLatin1String(name));
        ASSERT_FALSE(keys.isEmpty()) << name;
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            const QString key = it.key();
            QString control = key;
            int index = -1;
            for (const char* suffix : {"_Page", "_Item"}) {
                const qsizetype at = key.indexOf(QLatin1String(suffix));
                if (at > 0) {
                    control = key.left(at);
                    index = key.mid(at + int(qstrlen(suffix))).toInt();
                }
            }
            QString actual;
            QObject* object =
                control == form->objectName() ? form : form->findChild<QObject*>(control);
            ASSERT_NE(object, nullptr) << name << " " << key.toStdString();
            if (object == form)
                actual = form->windowTitle();
            else if (auto* tabs = qobject_cast<QTabWidget*>(object))
                actual = tabs->tabText(index);
            else if (auto* list = qobject_cast<QComboBox*>(object))
                actual = list->itemText(index);
            else if (auto* label = qobject_cast<QLabel*>(object))
                actual = label->text();
            else if (auto* button = qobject_cast<QAbstractButton*>(object))
                actual = button->text();
            else if (auto* box = qobject_cast<QGroupBox*>(object))
                actual = box->title();
            EXPECT_EQ(actual, it.value()) << name << " " << key.toStdString();
            ++checked;
        }
    }
    EXPECT_GE(checked, 70);
    // Every label, button and frame of the windows has its text in the file.
    for (const auto& [form, name] : forms) {
        const auto keys = sections.value(QLatin1String(name));
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                qobject_cast<QGroupBox*>(w)) {
                // Parts of Qt's own composite widgets, and the frame without a caption.
                if (w->objectName().isEmpty() || qobject_cast<QTabBar*>(w->parentWidget()) ||
                    (qobject_cast<QGroupBox*>(w) && qobject_cast<QGroupBox*>(w)->title().isEmpty()))
                    continue;
                EXPECT_TRUE(keys.contains(w->objectName()))
                    << name << " " << w->objectName().toStdString();
            }
        }
    }
}

TEST_F(OptionsFormTest, PercentChangesOnlyByItsArrows)
{
    openForm();
    auto* spin = child<QSpinBox>("SpinEdit1");
    QTest::keyClicks(spin, QStringLiteral("5"));
    EXPECT_EQ(spin->value(), 77);
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 78);
    spin->stepBy(100);
    EXPECT_EQ(spin->value(), 100);
}

// With another language, the windows take their texts from its file when
// shown and the messages when formed; what the file lacks stays English.
TEST_F(OptionsFormTest, OtherLanguageRetitlesWindowsAndMessages)
{
    quillon::test::TempHome home;
    ASSERT_TRUE(quillon::test::writeFile(home.file(QStringLiteral("CLan_Testish.ini")),
                                         "[OptionSetForm]\n"
                                         "OptionSetForm=Einstellungen\n"
                                         "PageControl1_Page1=Lahm\n"
                                         "ckNormalize=Normalisieren\n"
                                         "cbStereoMode_Item4=Einkanal\n"
                                         "[frmID3Edit]\n"
                                         "frmID3Edit=Etiketten\n"
                                         "bClose=&Zu\n"
                                         "[frmEditTrackName]\n"
                                         "bCancel=&Nein\n"
                                         "[ResourceString]\n"
                                         "RES_Directory_Not_Exist=Kein Ordner.\n"
                                         "RES_ID3Edit_Caption=Etiketten bearbeiten\n"));
    OptionsSetting.Lan = QStringLiteral("Testish");
    TOptionSetForm& form = openForm();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Einstellungen"));
    EXPECT_EQ(child<QTabWidget>("PageControl1")->tabText(1), QStringLiteral("Lahm"));
    EXPECT_EQ(child<QTabWidget>("PageControl1")->tabText(0), QStringLiteral("Output"));
    EXPECT_EQ(child<QCheckBox>("ckNormalize")->text(), QStringLiteral("Normalisieren"));
    EXPECT_EQ(child<QComboBox>("cbStereoMode")->itemText(4), QStringLiteral("Einkanal"));
    // The loaded settings win over the list's translated texts.
    EXPECT_EQ(child<QComboBox>("cbStereoMode")->currentText(), QStringLiteral("Einkanal"));
    EXPECT_EQ(child<QComboBox>("cbBitRate")->currentText(), QStringLiteral("64 kbit/s"));
    child<QLineEdit>("editOutputDir")->setText(QStringLiteral("/no/such/dir"));
    clickOk();
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].text, QStringLiteral("/no/such/dir,Kein Ordner."));
    clickOk(); // still open: a translated window stores like an English one
    EXPECT_EQ(OptionsSetting.CommonOptions.OutputFolder, m_outDir.path());

    TfrmID3Edit id3;
    id3.show();
    EXPECT_EQ(id3.windowTitle(), QStringLiteral("Etiketten bearbeiten"));
    EXPECT_EQ(id3.findChild<QPushButton*>(QStringLiteral("bClose"))->text(), QStringLiteral("&Zu"));
    TfrmEditTrackName rename;
    rename.show();
    EXPECT_EQ(rename.findChild<QPushButton*>(QStringLiteral("bCancel"))->text(),
              QStringLiteral("&Nein"));
    EXPECT_EQ(rename.windowTitle(), QStringLiteral("Rename Track Title"));
}
