// Tags through TagLib, read back by TagLib and by tools that share no code
// with it: ffprobe for every format, metaflac, vorbiscomment and opusinfo
// for the Vorbis-comment formats, ffmpeg for the cover bytes.

#include "tags/cover_image.h"
#include "tags/tag_writer.h"

#include "audio/audio_test_util.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace Qt::StringLiterals;

using audiotest::runProgram;
using quillon::test::noiseJpeg;
using quillon::test::readFile;
using quillon::test::ScopedFileSizeLimit;
using quillon::test::writeFile;

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// A cover larger than an Ogg page; a small one fits the 64 KiB of an ASF
// attribute, the only place ffmpeg looks for a WMA cover.
QByteArray coverJpeg(bool large = true)
{
    return large ? noiseJpeg(400, 300) : noiseJpeg(64, 48);
}

// Every field, the title as long as no ID3v1 or file name could hold.
TTrackTags fullTags()
{
    TTrackTags t;
    t.Title = s("Привет 東京 🎵 Ünïcødé ").repeated(20);
    t.Artist = s("Артист & Co.");
    t.AlbumArtist = s("Various Artists — 各種");
    t.Album = s("Album «One»");
    t.Date = s("1997-05-12");
    t.Genre = s("Rock");
    t.Comment = s("Ripped with care ✓");
    t.TrackNumber = 3;
    t.TrackTotal = 12;
    t.DiscNumber = 1;
    t.DiscTotal = 2;
    t.Isrc = s("USRC17607839");
    t.MusicBrainzAlbumId = s("d9a1f0c2-5b2e-4c7a-9a3e-0e6f1b2c3d4e");
    t.MusicBrainzReleaseTrackId = s("0c1d2e3f-4a5b-4c6d-8e7f-901234567890");
    t.MusicBrainzTrackId = s("a1b2c3d4-e5f6-4a7b-8c9d-0e1f2a3b4c5d");
    t.MusicBrainzAlbumArtistId = s("89ad4ac3-39f7-470e-963a-56509c546377");
    t.MusicBrainzReleaseGroupId = s("5b11f4ce-a62d-471e-81fc-a69a8278c7da");
    t.MusicBrainzDiscId = s("49HHV7Eb8UKF3aQiNmu1GR8vKTY-");
    t.TrackGain = {true, -6.53, 0.988553};
    t.AlbumGain = {true, -7.25, 1.023456};
    t.Cover = coverJpeg();
    t.CoverMime = s("image/jpeg");
    return t;
}

// ffprobe's tags of the file and its first stream, keys in lower case.
std::map<QString, QString> ffprobeTags(const QString& path)
{
    const QByteArray json = runProgram(QStringLiteral("ffprobe"),
                                       {u"-v"_s, u"error"_s, u"-show_entries"_s,
                                        u"format_tags:stream_tags"_s, u"-of"_s, u"json"_s, path});
    std::map<QString, QString> tags;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const auto take = [&](const QJsonObject& o) {
        const QJsonObject t = o.value(QStringLiteral("tags")).toObject();
        for (auto it = t.begin(); it != t.end(); ++it)
            tags[it.key().toLower()] = it.value().toString();
    };
    take(root.value(QStringLiteral("format")).toObject());
    const QJsonValue streams = root.value(QStringLiteral("streams"));
    for (const QJsonValue& st : streams.toArray())
        take(st.toObject());
    return tags;
}

// The front cover as ffmpeg takes it out of the file, bytes unchanged.
QByteArray ffmpegCover(const QString& path)
{
    return runProgram(QStringLiteral("ffmpeg"),
                      {u"-v"_s, u"error"_s, u"-i"_s, path, u"-an"_s, u"-map"_s, u"0:v:0"_s, u"-c"_s,
                       u"copy"_s, u"-f"_s, u"image2pipe"_s, u"-"_s});
}

// The KEY=value lines a format's own tool lists.
QStringList nativeCommentLines(TTagFormat format, const QString& path)
{
    QByteArray out;
    if (format == TTagFormat::Flac)
        out = runProgram(QStringLiteral("metaflac"), {u"--export-tags-to=-"_s, path});
    else if (format == TTagFormat::OggVorbis)
        out = runProgram(QStringLiteral("vorbiscomment"), {u"-l"_s, u"-R"_s, path});
    else if (format == TTagFormat::Opus)
        out = runProgram(QStringLiteral("opusinfo"), {path});
    QStringList lines;
    // opusinfo indents its comment lines with a tab.
    for (const QString& line : QString::fromUtf8(out).split(u'\n'))
        lines << (line.startsWith(u'\t') ? line.mid(1) : line);
    return lines;
}

struct FormatCase {
    const char* ext;
    TTagFormat format;
    QStringList encoderArgs; // ffmpeg output options
    // ffprobe key for each field, where the format names it its own way.
    std::map<QString, QString> keys;
};

const std::vector<FormatCase>& formats()
{
    static const std::vector<FormatCase> cases = {
        {"mp3",
         TTagFormat::Mp3,
         {u"-c:a"_s, u"libmp3lame"_s},
         {{u"albumartist"_s, u"album_artist"_s},
          {u"track"_s, u"track"_s},
          {u"disc"_s, u"disc"_s},
          {u"isrc"_s, u"tsrc"_s},
          {u"mbalbum"_s, u"musicbrainz album id"_s},
          {u"gain"_s, u"replaygain_track_gain"_s}}},
        {"ogg",
         TTagFormat::OggVorbis,
         {u"-c:a"_s, u"libvorbis"_s},
         {{u"albumartist"_s, u"album_artist"_s},
          {u"track"_s, u"track"_s},
          {u"disc"_s, u"disc"_s},
          {u"isrc"_s, u"isrc"_s},
          {u"mbalbum"_s, u"musicbrainz_albumid"_s},
          {u"gain"_s, u"replaygain_track_gain"_s}}},
        {"opus",
         TTagFormat::Opus,
         {u"-c:a"_s, u"libopus"_s},
         {{u"albumartist"_s, u"album_artist"_s},
          {u"track"_s, u"track"_s},
          {u"disc"_s, u"disc"_s},
          {u"isrc"_s, u"isrc"_s},
          {u"mbalbum"_s, u"musicbrainz_albumid"_s},
          {u"gain"_s, u"r128_track_gain"_s}}},
        {"flac",
         TTagFormat::Flac,
         {u"-c:a"_s, u"flac"_s},
         {{u"albumartist"_s, u"album_artist"_s},
          {u"track"_s, u"track"_s},
          {u"disc"_s, u"disc"_s},
          {u"isrc"_s, u"isrc"_s},
          {u"mbalbum"_s, u"musicbrainz_albumid"_s},
          {u"gain"_s, u"replaygain_track_gain"_s}}},
        {"wma",
         TTagFormat::Wma,
         {u"-c:a"_s, u"wmav2"_s},
         {{u"albumartist"_s, u"album_artist"_s},
          {u"track"_s, u"track"_s},
          {u"disc"_s, u"disc"_s},
          {u"isrc"_s, u"wm/isrc"_s},
          {u"mbalbum"_s, u"musicbrainz/album id"_s},
          {u"gain"_s, u"replaygain_track_gain"_s}}},
    };
    return cases;
}

class TagWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Two seconds of a tone encoded by ffmpeg, which tags it with its own
    // "encoder" field.
    QString sourceFile(const FormatCase& f, const QString& name = QStringLiteral("track"))
    {
        const QString path = m_dir.filePath(name + QLatin1Char('.') + QLatin1String(f.ext));
        QStringList args{u"-v"_s, u"error"_s,          u"-y"_s,  u"-f"_s, u"lavfi"_s,
                         u"-i"_s, u"sine=f=440:d=2"_s, u"-ac"_s, u"2"_s};
        args << f.encoderArgs << path;
        EXPECT_FALSE(runProgram(QStringLiteral("ffmpeg"), args).isNull()) << f.ext;
        return path;
    }
    QStringList leftovers() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::Files | QDir::Hidden)
            .filter(QStringLiteral(".part"));
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST(TrackTags, FromTheDiscRecord)
{
    TCDInfo disc;
    disc.Artist = s("Album Artist");
    disc.Album = s("Album");
    disc.Year = s(" 2001 ");
    disc.Comment = s("c");
    disc.TrackNumber = 12;
    disc.Tracks[3] = s("Third");
    disc.MusicBrainzReleaseId = s("release");
    disc.MusicBrainzReleaseGroupId = s("group");
    disc.MusicBrainzAlbumArtistId = s("albumartist");
    disc.MusicBrainzDiscId = s("discid");
    disc.Details[3] = {s("Guest"), s("ISRC3"), s("recording3"), s("releasetrack3")};
    const struct {
        int genre;
        int track;
        const char* date; // the disc record's full date
        const char* genreName;
        const char* title;
        const char* artist;
        int total;
        const char* expectedDate;
        int discNumber, discTotal, expectedDiscTotal;
    } cases[] = {
        {0, 3, "", "", "Third", "Guest", 12, "2001", 2, 3, 3},
        {-1, 3, "2001-05-12", "", "Third", "Guest", 12, "2001-05-12", 1, 0, 0},
        // The typed year wins over a date of another year.
        {118, 3, "1999-01-01", "Rock", "Third", "Guest", 12, "2001", 0, 2, 0},
        // Past the disc's count: no total that is less than the number.
        {96, 13, "", "Other", "", "Album Artist", 0, "2001", 3, 2, 0},
    };
    for (const auto& c : cases) {
        disc.Genre = c.genre;
        disc.Date = s(c.date);
        disc.DiscNumber = c.discNumber;
        disc.DiscTotal = c.discTotal;
        const TTrackTags t = TrackTagsFromDisc(disc, c.track);
        EXPECT_EQ(t.Genre, s(c.genreName)) << c.genre;
        EXPECT_EQ(t.Title, s(c.title)) << c.track;
        EXPECT_EQ(t.Artist, s(c.artist)) << c.track;
        EXPECT_EQ(t.AlbumArtist, disc.Artist);
        EXPECT_EQ(t.TrackNumber, c.track);
        EXPECT_EQ(t.TrackTotal, c.total) << c.track;
        EXPECT_EQ(t.Date, s(c.expectedDate)) << c.date;
        EXPECT_EQ(t.DiscNumber, c.discNumber);
        EXPECT_EQ(t.DiscTotal, c.expectedDiscTotal) << c.discNumber << "/" << c.discTotal;
        EXPECT_EQ(t.MusicBrainzAlbumId, s("release"));
    }
    const TTrackTags third = TrackTagsFromDisc(disc, 3);
    EXPECT_EQ(third.Isrc, s("ISRC3"));
    EXPECT_EQ(third.MusicBrainzTrackId, s("recording3"));
    EXPECT_EQ(third.MusicBrainzReleaseTrackId, s("releasetrack3"));
    EXPECT_EQ(third.MusicBrainzReleaseGroupId, s("group"));
    EXPECT_EQ(third.MusicBrainzAlbumArtistId, s("albumartist"));
    EXPECT_EQ(third.MusicBrainzDiscId, s("discid"));
    // A cover that is no image stays out of the tags.
    disc.FrontCover = "<html>not found</html>";
    EXPECT_TRUE(TrackTagsFromDisc(disc, 3).Cover.isEmpty());
    disc.FrontCover = coverJpeg(false);
    EXPECT_EQ(TrackTagsFromDisc(disc, 3).CoverMime, s("image/jpeg"));
}

TEST(TrackTags, GainTexts)
{
    // R128 gains aim 5 dB lower than ReplayGain, in 1/256 dB.
    const struct {
        double gain;
        const char* text;
        int r128;
    } cases[] = {{-6.53, "-6.53 dB", -2952},
                 {5.0, "5.00 dB", 0},
                 {0.004, "0.00 dB", -1279},
                 {12.345, "12.35 dB", 1880},
                 {-200, "-200.00 dB", -32768}};
    for (const auto& c : cases) {
        EXPECT_EQ(GainText(c.gain), s(c.text));
        EXPECT_EQ(R128GainFromReplayGain(c.gain), c.r128) << c.gain;
        EXPECT_NEAR(ParseGainText(s(c.text)).value_or(1e9), c.gain, 0.005);
    }
    EXPECT_EQ(PeakText(0.98855349), s("0.988553"));
    EXPECT_FALSE(ParseGainText(s("dB")).has_value());
}

TEST_F(TagWriterTest, EveryFormatReadsBackEverywhere)
{
    ASSERT_GT(coverJpeg().size(), 65536);
    for (const FormatCase& f : formats()) {
        SCOPED_TRACE(f.ext);
        TTrackTags tags = fullTags();
        if (f.format == TTagFormat::Wma)
            tags.Cover = coverJpeg(false);
        const QString path = sourceFile(f);
        QString error;
        ASSERT_TRUE(RetagFile(path, f.format, tags, {}, &error)) << error.toStdString();
        EXPECT_TRUE(leftovers().isEmpty());

        // TagLib: every field as written. An Opus file keeps the gains as
        // R128 values (no peaks, 1/256 dB steps).
        TTrackTags back;
        ASSERT_TRUE(ReadTrackTags(path, f.format, &back, &error)) << error.toStdString();
        TTrackTags expected = tags;
        if (f.format == TTagFormat::Opus) {
            for (TGainValue* g : {&expected.TrackGain, &expected.AlbumGain}) {
                g->Gain = R128GainFromReplayGain(g->Gain) / 256.0 + 5.0;
                g->Peak = 0;
            }
        }
        if (f.format == TTagFormat::Wma)
            expected.TrackTotal = 0; // no field for it
        EXPECT_TRUE(back == expected) << back.Title.toStdString();
        EXPECT_EQ(back.Cover, tags.Cover);

        // ffprobe, and the file still plays to the end.
        auto probe = ffprobeTags(path);
        const auto key = [&](const char* field) { return f.keys.at(QLatin1String(field)); };
        EXPECT_EQ(probe[QStringLiteral("title")], tags.Title);
        EXPECT_EQ(probe[QStringLiteral("artist")], tags.Artist);
        EXPECT_EQ(probe[key("albumartist")], tags.AlbumArtist);
        EXPECT_EQ(probe[QStringLiteral("album")], tags.Album);
        EXPECT_EQ(probe[QStringLiteral("genre")], tags.Genre);
        EXPECT_EQ(probe[key("isrc")], tags.Isrc);
        EXPECT_EQ(probe[key("mbalbum")], tags.MusicBrainzAlbumId);
        EXPECT_TRUE(probe[key("track")].startsWith(QStringLiteral("3")))
            << probe[key("track")].toStdString();
        EXPECT_TRUE(probe[key("disc")].startsWith(QStringLiteral("1")))
            << probe[key("disc")].toStdString();
        EXPECT_EQ(probe[key("gain")], f.format == TTagFormat::Opus ? s("-2952") : s("-6.53 dB"));
        EXPECT_TRUE(probe.count(QStringLiteral("encoder")) ||
                    probe.count(QStringLiteral("wm/encodingsettings")))
            << "a tag we did not write was lost";
        EXPECT_FALSE(audiotest::ffmpegDecode(path).isEmpty());
        EXPECT_EQ(ffmpegCover(path), tags.Cover);

        // The format's own tool sees exactly our pairs.
        if (f.format == TTagFormat::Flac || f.format == TTagFormat::OggVorbis ||
            f.format == TTagFormat::Opus) {
            const QStringList lines = nativeCommentLines(f.format, path);
            for (const auto& [k, v] : VorbisCommentPairs(tags, f.format == TTagFormat::Opus))
                EXPECT_TRUE(lines.contains(k + QLatin1Char('=') + v)) << k.toStdString();
        }
    }
}

TEST_F(TagWriterTest, RetagReplacesOurFieldsOnly)
{
    for (const FormatCase& f : formats()) {
        SCOPED_TRACE(f.ext);
        const QString path = sourceFile(f);
        QString error;
        ASSERT_TRUE(RetagFile(path, f.format, fullTags(), {}, &error)) << error.toStdString();
        // A second write with fewer fields: the rest go, nothing is doubled.
        TTrackTags fewer;
        fewer.Title = s("Second");
        fewer.TrackNumber = 4;
        ASSERT_TRUE(RetagFile(path, f.format, fewer, {}, &error)) << error.toStdString();
        TTrackTags back;
        ASSERT_TRUE(ReadTrackTags(path, f.format, &back, &error));
        EXPECT_TRUE(back == fewer) << back.Artist.toStdString() << back.Cover.size();
        auto probe = ffprobeTags(path);
        EXPECT_EQ(probe[QStringLiteral("title")], s("Second"));
        EXPECT_EQ(probe.count(QStringLiteral("artist")), 0u);
        EXPECT_TRUE(ffmpegCover(path).isEmpty());
    }
}

TEST_F(TagWriterTest, Id3v1BesideId3v2)
{
    const QString path = sourceFile(formats().front());
    TTrackTags tags = fullTags();
    tags.Artist = s("Caf\u00e9 Stra\u00dfe and a name far too long for ID3v1");
    TTagWriteOptions options;
    options.Id3v1 = Id3v1TagFor(tags);
    QString error;
    // Written twice: still one ID3v1 tag, and the ID3v2 one reads whole.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(RetagFile(path, TTagFormat::Mp3, tags, options, &error)) << error.toStdString();
    Tid3tag v1;
    ASSERT_EQ(v1.ReadTag(path), 0);
    EXPECT_EQ(v1.title(), QString()) << "no question marks for Cyrillic";
    EXPECT_EQ(v1.artist(), tags.Artist.left(30));
    EXPECT_EQ(v1.genre(), 17); // Rock
    EXPECT_EQ(v1.track(), 3);
    EXPECT_EQ(v1.year(), s("1997"));
    EXPECT_EQ(readFile(path).count("TAG"), 1);
    EXPECT_EQ(ffprobeTags(path)[QStringLiteral("title")], tags.Title);
}

TEST_F(TagWriterTest, FailuresLeaveTheFileAsItWas)
{
    const FormatCase& flac = formats()[3];
    const QString good = sourceFile(flac);
    const QString locked = sourceFile(flac, QStringLiteral("locked"));
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner));
    const QString text = m_dir.filePath(QStringLiteral("notes.flac"));
    ASSERT_TRUE(writeFile(text, "not audio at all"));
    const QString missing = m_dir.filePath(QStringLiteral("missing.flac"));

    const struct {
        const char* what;
        QString path;
        qint64 sizeLimit; // 0: none
    } cases[] = {
        {"write-protected", locked, 0},
        {"not a FLAC file", text, 0},
        {"missing", missing, 0},
        {"disk full while tagging the copy", good, 40000},
    };
    for (const auto& c : cases) {
        const QByteArray before = readFile(c.path);
        QString error;
        bool ok;
        {
            std::unique_ptr<ScopedFileSizeLimit> limit;
            if (c.sizeLimit)
                limit = std::make_unique<ScopedFileSizeLimit>(c.sizeLimit);
            ok = RetagFile(c.path, TTagFormat::Flac, fullTags(), {}, &error);
        }
        EXPECT_FALSE(ok) << c.what;
        EXPECT_TRUE(error.contains(QFileInfo(c.path).fileName())) << c.what << error.toStdString();
        EXPECT_EQ(readFile(c.path), before) << c.what;
        EXPECT_TRUE(leftovers().isEmpty()) << c.what;
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(TagWriterTest, CoverBesideTheMusic)
{
    const QByteArray jpeg = coverJpeg(false);
    const QByteArray png("\x89PNG\r\n\x1A\n rest of a PNG", 21);
    const struct {
        const char* what;
        std::vector<std::pair<const char*, QByteArray>> files;
        QByteArray found;
        const char* mime;
    } cases[] = {
        {"none", {}, {}, ""},
        {"any case", {{"Folder.JPG", jpeg}}, jpeg, "image/jpeg"},
        {"cover before folder", {{"folder.jpg", png}, {"cover.jpg", jpeg}}, jpeg, "image/jpeg"},
        {"the type is the content's", {{"cover.png", jpeg}}, jpeg, "image/jpeg"},
        {"no image passed over", {{"cover.jpg", "<html>"}, {"folder.png", png}}, png, "image/png"},
        {"too large", {{"cover.jpg", jpeg + QByteArray(kMaxCoverBytes, 'x')}}, {}, ""},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        for (const auto& [name, bytes] : c.files)
            ASSERT_TRUE(writeFile(dir.filePath(QLatin1String(name)), bytes));
        QByteArray image;
        QString mime;
        EXPECT_EQ(FindCoverBeside(dir.filePath(QStringLiteral("01 Track.flac")), &image, &mime),
                  !c.found.isEmpty())
            << c.what;
        EXPECT_EQ(image, c.found) << c.what;
        EXPECT_EQ(mime, QLatin1String(c.mime)) << c.what;
    }
}
