#include "options_form_values.h"

#include "read_mode.h"
#include "tags/name_template.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace {

QStringList makeLameBitRateItems()
{
    QStringList items;
    for (int kbits : {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320})
        items << QStringLiteral("%1 kbit/s").arg(kbits, 3);
    return items;
}

QStringList makeOggBitRateItems()
{
    QStringList items{QStringLiteral(" Default")};
    for (int kbits : {45, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320})
        items << QStringLiteral("%1 kbit/s").arg(kbits, 3);
    return items;
}

// One row per WMA profile of the settings, in the settings' order.
struct WmaProfileRow {
    int rate; // Hz
    int kbits;
    bool stereo;
};

constexpr WmaProfileRow kWmaProfiles[] = {
    {48000, 192, true}, {48000, 160, true}, {48000, 128, true}, {44100, 192, true},
    {44100, 160, true}, {44100, 128, true}, {44100, 96, true},  {44100, 80, true},
    {44100, 64, true},  {44100, 48, true},  {44100, 32, true},  {44100, 48, false},
    {44100, 32, false}, {32000, 48, true},  {32000, 40, true},  {32000, 32, true},
    {32000, 20, false}, {22050, 32, true},  {22050, 22, true},  {22050, 20, true},
    {22050, 20, false}, {22050, 16, false}, {16000, 20, true},  {16000, 16, true},
    {16000, 16, false}, {16000, 12, false}, {16000, 10, false}, {11025, 10, false},
    {11025, 8, false},  {8000, 12, true},   {8000, 8, false},   {8000, 6, false},
    {8000, 5, false},
};

QStringList makeWmaItems()
{
    QStringList items;
    for (const auto& row : kWmaProfiles) {
        // Sample rate right-aligned in six characters, bit rate in three, so
        // the columns line up in the list.
        items << QStringLiteral("%1 kHz, %2 kbit/s, %3")
                     .arg(row.rate / 1000.0, 6, 'f', 3)
                     .arg(row.kbits, 3)
                     .arg(row.stereo ? QStringLiteral("Stereo") : QStringLiteral("Mono"));
    }
    return items;
}

} // namespace

// The read modes in the order of their list.
constexpr TReadMode kReadModes[] = {TReadMode::Auto, TReadMode::Burst, TReadMode::Secure};

const QStringList& OutputFormatItems()
{
    static const QStringList items{
        QStringLiteral("MP3 file(*.MP3)"),   QStringLiteral("WAV file(*.WAV)"),
        QStringLiteral("OGG file(*.OGG)"),   QStringLiteral("WMA file(*.WMA)"),
        QStringLiteral("FLAC file(*.FLAC)"), QStringLiteral("Opus file(*.OPUS)")};
    return items;
}

const QStringList& LameBitRateItems()
{
    static const QStringList items = makeLameBitRateItems();
    return items;
}

const QStringList& VBRQualityItems()
{
    static const QStringList items = [] {
        QStringList list;
        for (int i = 0; i <= 9; ++i)
            list << QString::number(i);
        return list;
    }();
    return items;
}

const QStringList& MpegQualityItems()
{
    static const QStringList items{QStringLiteral("Default"),
                                   QStringLiteral("Faster encode/Lower quality"),
                                   QStringLiteral("Slower encode/Higher quality")};
    return items;
}

const QStringList& StereoModeItems()
{
    static const QStringList items{QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"),
                                   QStringLiteral("Forced Joint Stereo"),
                                   QStringLiteral("Dual Channels"), QStringLiteral("Mono")};
    return items;
}

const QStringList& OggBitRateItems()
{
    static const QStringList items = makeOggBitRateItems();
    return items;
}

const QStringList& WMABitRateItems()
{
    static const QStringList items = makeWmaItems();
    return items;
}

QString BitRateText(int kbits)
{
    return QString::number(kbits) + QStringLiteral(" kbit/s");
}

std::optional<int> ParseBitRateText(const QString& text)
{
    bool ok = false;
    const int value = text.left(3).trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<int> ParseRipTimeText(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value == -100)
        return std::nullopt;
    return value;
}

TOptionsFormValues OptionsFormValuesFrom(const TOptionsSetting& s)
{
    TOptionsFormValues v;
    const TCommonOptions& c = s.CommonOptions;
    v.OutputDir = c.OutputFolder;
    v.OutputFormat = c.OutputFormat;
    v.DeleteWav = !c.IsKeepWav;
    v.Normalize = c.IsNormalize;
    v.NormalizePercent = c.NormalizePercent;
    v.EnableRipTime = c.EnableRipTime;
    v.RipTimeText = QString::number(c.RipTime);
    v.ReplayGain = s.ReplayGain;
    v.NameTemplate = c.NameTemplate;

    v.SelectVBR = s.IsSelectVBR;
    v.VBRHead = s.IsVBRHead;
    v.BitRateText = BitRateText(s.BitRate);
    v.MaxBitRateText = BitRateText(s.MaxBitRate);
    v.MpegQuality = s.MpegQuality;
    v.VBRQuality = s.VBRQuality;
    v.StereoMode = s.StereoMode;

    v.UseCompress = s.IsUseCompress;
    v.CompressPosition = s.CompressPosition;
    v.OggMaxBit = s.OggMaxBitRate;
    v.OggNomBit = s.OggNomalBitRate;
    v.OggMinBit = s.OggMinBitRate;

    v.WMABitrate = s.WMABitRate;
    v.FlacLevel = s.FlacLevel;
    v.OpusBitRate = s.OpusBitRate;

    v.CDIndex = -1;
    v.CDDb = s.CDDb;

    const TReadMode mode = ReadModeFromText(s.Verify.ReadMode).value_or(TReadMode::Auto);
    v.ReadMode =
        int(std::find(std::begin(kReadModes), std::end(kReadModes), mode) - std::begin(kReadModes));
    v.ReadOffset = s.Verify.ReadOffset;
    v.RipHiddenTrack = s.Verify.RipHiddenTrack;
    v.CueSheet = s.Verify.CueSheet;
    v.AccurateRip = s.Verify.AccurateRip;
    v.AccurateRipServer = s.Verify.AccurateRipServer;
    v.CTDB = s.Verify.CTDB;
    v.CTDBServer = s.Verify.CTDBServer;

    v.UseID3 = s.UseID3;
    v.Artist = s.CDInfo.Artist;
    v.Album = s.CDInfo.Album;
    v.Year = s.CDInfo.Year;
    v.Genre = s.CDInfo.Genre;
    v.Comment = s.CDInfo.Comment;

    v.AutoLookup = s.Lookup.Auto;
    v.LookupSources = s.Lookup.Sources;
    v.MusicBrainzServer = s.MusicBrainz.Server;
    v.CoverArtServer = s.MusicBrainz.CoverArtServer;
    v.SaveCover = s.MusicBrainz.SaveCover;
    v.Contact = s.MusicBrainz.Contact;
    v.CddbEmail = s.QueryCDDB.Email;
    v.CddbClient = s.QueryCDDB.Client;
    return v;
}

OptionsFormProblem CheckOptionsFormValues(const TOptionsFormValues& v)
{
    if (v.OutputDir.isEmpty() || !QFileInfo(v.OutputDir).isDir())
        return OptionsFormProblem::OutputDirMissing;
    if (!ParseRipTimeText(v.RipTimeText))
        return OptionsFormProblem::RipTimeInvalid;
    // The bit-rate lists are editable; a text that is no number is refused
    // here, before anything is stored, so a refused OK never leaves the
    // settings half changed.
    if (!ParseBitRateText(v.BitRateText))
        return OptionsFormProblem::BitRateInvalid;
    if (!ParseBitRateText(v.MaxBitRateText))
        return OptionsFormProblem::MaxBitRateInvalid;
    // An address is checked only while its database is asked: a field that is
    // switched off (and greyed) must not block OK.
    if (v.AccurateRip && !IsDatabaseServerAddress(v.AccurateRipServer))
        return OptionsFormProblem::AccurateRipServerInvalid;
    if (v.CTDB && !IsDatabaseServerAddress(v.CTDBServer))
        return OptionsFormProblem::CTDBServerInvalid;
    return OptionsFormProblem::None;
}

OptionsFormProblem StoreOptionsFormValues(const TOptionsFormValues& v, TOptionsSetting& s)
{
    const OptionsFormProblem problem = CheckOptionsFormValues(v);
    if (problem != OptionsFormProblem::None)
        return problem;

    TCommonOptions& c = s.CommonOptions;
    c.IsKeepWav = !v.DeleteWav;
    c.OutputFormat = v.OutputFormat;
    c.OutputFolder = v.OutputDir; // as typed; the jobs add the separator
    c.IsNormalize = v.Normalize;
    c.NormalizePercent = v.NormalizePercent;
    c.EnableRipTime = v.EnableRipTime;
    c.RipTime = ParseRipTimeText(v.RipTimeText).value_or(0);
    s.ReplayGain = v.ReplayGain;
    // An emptied template means today's names, not files without a name.
    c.NameTemplate = v.NameTemplate.trimmed().isEmpty() ? DefaultNameTemplate() : v.NameTemplate;
    s.IsSelectVBR = v.SelectVBR;
    s.IsVBRHead = v.VBRHead;
    s.BitRate = *ParseBitRateText(v.BitRateText);
    s.MaxBitRate = *ParseBitRateText(v.MaxBitRateText);
    s.MpegQuality = v.MpegQuality;
    s.VBRQuality = v.VBRQuality;
    s.StereoMode = v.StereoMode;
    s.IsUseCompress = v.UseCompress;
    s.CompressPosition = v.CompressPosition;
    s.OggMaxBitRate = v.OggMaxBit;
    s.OggNomalBitRate = v.OggNomBit;
    s.OggMinBitRate = v.OggMinBit;
    s.WMABitRate = v.WMABitrate;
    s.FlacLevel = v.FlacLevel;
    s.OpusBitRate = v.OpusBitRate;
    s.CDIndex = v.CDIndex;
    s.CDDb = v.CDDb;
    s.Verify.ReadMode = ReadModeText(v.ReadMode >= 0 && v.ReadMode < int(std::size(kReadModes))
                                         ? kReadModes[v.ReadMode]
                                         : TReadMode::Auto);
    s.Verify.ReadOffset = qBound(-kMaxReadOffset, v.ReadOffset, kMaxReadOffset);
    s.Verify.RipHiddenTrack = v.RipHiddenTrack;
    s.Verify.CueSheet = v.CueSheet;
    s.Verify.AccurateRip = v.AccurateRip;
    s.Verify.AccurateRipServer = v.AccurateRipServer.trimmed();
    s.Verify.CTDB = v.CTDB;
    s.Verify.CTDBServer = v.CTDBServer.trimmed();
    s.UseID3 = v.UseID3;
    s.CDInfo.Artist = v.Artist;
    s.CDInfo.Album = v.Album;
    s.CDInfo.Year = v.Year;
    s.CDInfo.Genre = v.Genre;
    s.CDInfo.Comment = v.Comment;

    s.Lookup.Auto = v.AutoLookup;
    s.Lookup.Sources = v.LookupSources.trimmed();
    s.MusicBrainz.Server = v.MusicBrainzServer.trimmed();
    s.MusicBrainz.CoverArtServer = v.CoverArtServer.trimmed();
    s.MusicBrainz.SaveCover = v.SaveCover;
    s.MusicBrainz.Contact = v.Contact.trimmed();
    s.QueryCDDB.Email = v.CddbEmail.trimmed();
    s.QueryCDDB.Client = v.CddbClient.trimmed();
    return OptionsFormProblem::None;
}

const QStringList& ReadModeItems()
{
    static const QStringList items{QStringLiteral("Auto: re-read what fails"),
                                   QStringLiteral("Burst: fastest"),
                                   QStringLiteral("Secure: verify every read")};
    return items;
}

bool IsDatabaseServerAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           url.query().isEmpty() && url.fragment().isEmpty();
}

QString NameTemplateExample(const QString& nameTemplate, int outputFormat, const TCDInfo& disc)
{
    static const char* const kExtensions[] = {".mp3", ".wav", ".ogg", ".wma", ".flac", ".opus"};
    const QString extension = QLatin1String(
        outputFormat >= ofMP3 && outputFormat <= ofOpus ? kExtensions[outputFormat] : ".wav");
    // The first track of the disc in the drive, or a made-up one before any.
    TTrackTags tags = TrackTagsFromDisc(disc, 1);
    if (tags.Artist.isEmpty() && tags.Album.isEmpty() && tags.Title.isEmpty()) {
        tags.Artist = tags.AlbumArtist = QStringLiteral("Artist");
        tags.Album = QStringLiteral("Album");
        tags.Title = QStringLiteral("Title");
        tags.Date = QStringLiteral("2024");
        tags.Genre = QStringLiteral("Rock");
    }
    if (tags.DiscNumber <= 0)
        tags.DiscNumber = 1;
    return ExpandNameTemplate(nameTemplate, tags, extension);
}

bool DriveMustReopen(int driveCount, int selectedIndex, int shownCDIndex, bool cdDb, bool shownCDDb)
{
    // With no drive chosen (the remembered one is gone) there is nothing to open.
    return driveCount > 0 && selectedIndex >= 0 &&
           (selectedIndex != shownCDIndex || cdDb != shownCDDb);
}
