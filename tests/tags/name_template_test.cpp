#include "tags/name_template.h"
#include "tags/track_tags.h"

#include "jobs/safe_file_name.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TTrackTags sample()
{
    TTrackTags t;
    t.Title = s("Intro");
    t.Artist = s("The Band");
    t.AlbumArtist = s("Various");
    t.Album = s("First Light");
    t.Date = s("1997-05-12");
    t.Genre = s("Rock");
    t.TrackNumber = 3;
    t.TrackTotal = 12;
    t.DiscNumber = 2;
    return t;
}

} // namespace

TEST(NameTemplate, Expands)
{
    const struct {
        const char* what;
        const char* nameTemplate;
        void (*change)(TTrackTags&);
        const char* expected;
    } cases[] = {
        {"today's names", "%title%", nullptr, "Intro.flac"},
        {"every field", "%artist%|%albumartist%|%album%|%year%|%genre%|%track%|%disc%|%title%",
         nullptr, "The Band-Various-First Light-1997-Rock-03-2-Intro.flac"},
        {"folders", "%albumartist%/%album%/%track% %title%", nullptr,
         "Various/First Light/03 Intro.flac"},
        {"field names in any case", "%ARTIST% - %Title%", nullptr, "The Band - Intro.flac"},
        {"no album artist: the artist", "%albumartist%/%title%",
         [](TTrackTags& t) { t.AlbumArtist.clear(); }, "The Band/Intro.flac"},
        {"a slash in a value makes no folder", "%artist%/%title%",
         [](TTrackTags& t) { t.Artist = s("AC/DC"); }, "AC-DC/Intro.flac"},
        {"no way out of the output folder", "/%artist%/../%title%",
         [](TTrackTags& t) { t.Title = s("../../etc/passwd"); }, "The Band/-..-etc-passwd.flac"},
        {"dots alone make no folder", "%artist%/%title%", [](TTrackTags& t) { t.Artist = s(".."); },
         "Intro.flac"},
        {"unsafe characters of the template itself", "%artist%: %title%?", nullptr,
         "The Band- Intro-.flac"},
        {"empty folder left out", "%genre%/%album%/%title%", [](TTrackTags& t) { t.Genre.clear(); },
         "First Light/Intro.flac"},
        {"empty title", "%track% %title%", [](TTrackTags& t) { t.Title = s(" . "); }, "03.flac"},
        {"empty file name", "%album%/%title%", [](TTrackTags& t) { t.Title.clear(); },
         "First Light/Track03.flac"},
        {"template ending in a slash", "%album%/", nullptr, "First Light/Track03.flac"},
        {"unknown field kept as text", "%titel% %title%", nullptr, "%titel% Intro.flac"},
        {"a lone percent is text", "100% %title%", nullptr, "100% Intro.flac"},
        {"control characters", "%title%", [](TTrackTags& t) { t.Title = s("a\tb\nc\x7f"); },
         "a-b-c-.flac"},
        {"unknown numbers", "%disc%-%track% %title%",
         [](TTrackTags& t) { t.TrackNumber = t.DiscNumber = 0; }, "- Intro.flac"},
        {"Unicode stays", "%artist%/%title%",
         [](TTrackTags& t) {
             t.Artist = s("Привет");
             t.Title = s("東京 🎵");
         },
         "Привет/東京 🎵.flac"},
    };
    for (const auto& c : cases) {
        TTrackTags t = sample();
        if (c.change)
            c.change(t);
        EXPECT_EQ(ExpandNameTemplate(s(c.nameTemplate), t, QStringLiteral(".flac")), s(c.expected))
            << c.what;
    }
}

TEST(NameTemplate, LongNamesFitEveryFileSystem)
{
    TTrackTags t = sample();
    // Three bytes per character, four for the emoji: a cut must not split one.
    t.Album = QString(100, QChar(0x6771));
    t.Title = QString(30, QChar(0x4EAC)) + s("🎵").repeated(40);
    const QString path = ExpandNameTemplate(s("%album%/%title%"), t, QStringLiteral(".flac"));
    const QStringList parts = path.split(u'/');
    ASSERT_EQ(parts.size(), 2);
    EXPECT_LE(parts[0].toUtf8().size(), kMaxFileNameBytes);
    EXPECT_GT(parts[0].toUtf8().size(), kMaxFileNameBytes - 3);
    EXPECT_LE(parts[1].toUtf8().size(), kMaxFileNameBytes);
    EXPECT_GT(parts[1].toUtf8().size(), kMaxFileNameBytes - 4);
    EXPECT_TRUE(parts[1].endsWith(QStringLiteral(".flac")));
    // Whole characters only: the UTF-8 round trip is exact.
    for (const QString& part : parts)
        EXPECT_EQ(QString::fromUtf8(part.toUtf8()), part);
    EXPECT_FALSE(parts[1].contains(QChar(QChar::ReplacementCharacter)));
}

TEST(NameTemplate, UnknownFields)
{
    EXPECT_EQ(UnknownTemplateFields(s("%artist%/%titel% %Track% %x1% 100%")),
              QStringList{s("%titel%")});
    EXPECT_TRUE(UnknownTemplateFields(DefaultNameTemplate()).isEmpty());
}
