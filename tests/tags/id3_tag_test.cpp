#include "tags/id3_tag.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using quillon::test::readFile;
using quillon::test::writeFile;

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// Some bytes standing in for MP3 audio.
QByteArray audio(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + 7) & 0xFF);
    return bytes;
}

QByteArray field(const QByteArray& text, int size)
{
    return text + QByteArray(size - text.size(), '\0');
}

// A raw tag: the fields as given, each filled with zero bytes.
QByteArray rawTag(const QByteArray& title, const QByteArray& comment30, char genre,
                  const QByteArray& artist = {}, const QByteArray& album = {},
                  const QByteArray& year = {})
{
    return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
           field(comment30, 30) + genre;
}

// A tag whose file operations fail on request.
class FailingTag : public Tid3tag {
public:
    bool failSeek = false;
    bool failRead = false;

protected:
    bool seekFile(QFile& file, qint64 position) override
    {
        return !failSeek && Tid3tag::seekFile(file, position);
    }
    qint64 readFile(QFile& file, char* data, qint64 size) override
    {
        return failRead ? -1 : Tid3tag::readFile(file, data, size);
    }
};

} // namespace

TEST(Id3Tag, WritesTheExact128ByteLayout)
{
    quillon::test::TempHome home;
    const QString path = home.file(s("song.mp3"));
    const QByteArray body = audio(1000);
    ASSERT_TRUE(writeFile(path, body));

    Tid3tag tag;
    tag.SetTitle(s("Title"));
    tag.SetArtist(s("Artist"));
    tag.SetAlbum(s("Album"));
    tag.SetYear(s("1999"));
    tag.SetComment(s("Comment"));
    tag.SetTrack(7);
    tag.SetGenre(17);
    ASSERT_EQ(tag.WriteTag(path), id3Ok);
    EXPECT_EQ(tag.fileName(), path);

    const QByteArray expected = "TAG" + field("Title", 30) + field("Artist", 30) +
                                field("Album", 30) + "1999" + field("Comment", 28) + '\0' + '\x07' +
                                '\x11';
    ASSERT_EQ(expected.size(), 128);
    EXPECT_EQ(readFile(path), body + expected);

    // Writing again replaces the tag instead of adding a second one; a track
    // number of 0 gives a version 1.0 tag with a 30-byte comment.
    tag.SetTrack(0);
    tag.SetComment(QString(30, QLatin1Char('c')));
    ASSERT_EQ(tag.WriteTag(s("=")), id3Ok);
    const QByteArray file = readFile(path);
    ASSERT_EQ(file.size(), 1128);
    EXPECT_EQ(file.mid(1000 + 97, 30), QByteArray(30, 'c'));
}

TEST(Id3Tag, RoundTripsVersions10And11)
{
    const struct {
        const char* name;
        const char* title;
        const char* comment;
        int track;
        int genre;
        const char* readTitle;
        const char* readComment;
        bool hasTrack;
    } cases[] = {
        {"v1.0", "Plain", "A comment", 0, 12, "Plain", "A comment", false},
        {"v1.1", "Plain", "A comment", 5, 255, "Plain", "A comment", true},
        {"latin-1", "Café Noël ÿø", "ÄÖÜß", 1, 0, "Café Noël ÿø", "ÄÖÜß", true},
        {"outside latin-1", "Ünïcödé 日本語 – “x”", "€uro", 0, 3, "Ünïcödé ??? ? ?x?", "?uro",
         false},
        {"emoji is one character", "a😀b", "", 0, 3, "a?b", "", false},
        {"cut to 30", "123456789012345678901234567890XYZ", "", 0, 3,
         "123456789012345678901234567890", "", false},
        {"comment cut to 28 with a track", "t", "123456789012345678901234567890", 5, 3, "t",
         "1234567890123456789012345678", true},
        {"comment kept at 30 without", "t", "123456789012345678901234567890", 0, 3, "t",
         "123456789012345678901234567890", false},
        {"track 255", "t", "", 255, 3, "t", "", true},
    };
    for (const auto& c : cases) {
        quillon::test::TempHome home;
        const QString path = home.file(s("t.mp3"));
        ASSERT_TRUE(writeFile(path, audio(300)));
        Tid3tag out;
        out.SetTitle(s(c.title));
        out.SetArtist(s("Ärtist"));
        out.SetAlbum(s("Album"));
        out.SetYear(s("20245"));
        out.SetComment(s(c.comment));
        out.SetTrack(c.track);
        out.SetGenre(std::uint8_t(c.genre));
        ASSERT_EQ(out.WriteTag(path), id3Ok) << c.name;
        ASSERT_EQ(readFile(path).size(), 300 + 128) << c.name;

        Tid3tag in;
        EXPECT_EQ(in.ReadTag(path), id3Ok) << c.name;
        EXPECT_EQ(in.title(), s(c.readTitle)) << c.name;
        EXPECT_EQ(in.artist(), s("Ärtist")) << c.name;
        EXPECT_EQ(in.album(), s("Album")) << c.name;
        EXPECT_EQ(in.year(), s("2024")) << c.name;
        EXPECT_EQ(in.comment(), s(c.readComment)) << c.name;
        EXPECT_EQ(in.track(), c.hasTrack ? c.track : 0) << c.name;
        EXPECT_EQ(in.hasTrack(), c.hasTrack) << c.name;
        EXPECT_EQ(in.genre(), c.genre) << c.name;
        EXPECT_EQ(in.fileName(), path) << c.name;
    }
}

TEST(Id3Tag, ReadsRawTags)
{
    const struct {
        const char* name;
        QByteArray tag;
        std::uint16_t result;
        const char* title;
        const char* comment;
        int track;
    } cases[] = {
        {"trailing spaces", rawTag("ABC" + QByteArray(27, ' '), "c", 1), id3Ok, "ABC", "c", 0},
        {"all 0xFF", rawTag(QByteArray(30, '\xFF'), "", 1), id3Ok, "", "", 0},
        {"inner zero stays", rawTag(QByteArray("AB\0CD", 5), "", 1), id3Ok, "AB\0CD", "", 0},
        {"v1.1 track 7", rawTag("t", field("note   ", 28) + '\0' + '\x07', 1), id3Ok, "t", "note",
         7},
        {"ends in 0,0 is v1.0", rawTag("t", field("note", 30), 1), id3Ok, "t", "note", 0},
        {"byte 28 not zero is v1.0", rawTag("t", QByteArray(28, 'x') + 'y' + '\x07', 1), id3Ok, "t",
         "xxxxxxxxxxxxxxxxxxxxxxxxxxxxy\x07", 0},
        {"genre 200 flagged", rawTag("t", "", char(200)), id3GenreNotInList, "t", "", 0},
        {"genre 148 flagged", rawTag("t", "", char(148)), id3GenreNotInList, "t", "", 0},
        {"genre 255 is none", rawTag("t", "", char(255)), id3Ok, "t", "", 0},
    };
    for (const auto& c : cases) {
        quillon::test::TempHome home;
        const QString path = home.file(s("raw.mp3"));
        ASSERT_EQ(c.tag.size(), 128) << c.name;
        ASSERT_TRUE(writeFile(path, audio(50) + c.tag));
        Tid3tag tag;
        EXPECT_EQ(tag.ReadTag(path), c.result) << c.name;
        const QString title = c.name == std::string("inner zero stays")
                                  ? QString::fromLatin1("AB\0CD", 5)
                                  : QString::fromLatin1(c.title);
        EXPECT_EQ(tag.title(), title) << c.name;
        EXPECT_EQ(tag.comment(), QString::fromLatin1(c.comment)) << c.name;
        EXPECT_EQ(tag.track(), c.track) << c.name;
        EXPECT_EQ(tag.hasTrack(), c.track != 0) << c.name;
    }
}

TEST(Id3Tag, ReadingA10TagAfterA11TagGivesTheFullComment)
{
    quillon::test::TempHome home;
    const QString v11 = home.file(s("v11.mp3"));
    const QString v10 = home.file(s("v10.mp3"));
    ASSERT_TRUE(writeFile(v11, rawTag("a", field("short", 28) + '\0' + '\x03', 1)));
    ASSERT_TRUE(writeFile(v10, rawTag("b", QByteArray(30, 'z'), 1)));
    Tid3tag tag;
    ASSERT_EQ(tag.ReadTag(v11), id3Ok);
    EXPECT_EQ(tag.track(), 3);
    ASSERT_EQ(tag.ReadTag(v10), id3Ok);
    EXPECT_EQ(tag.comment(), QString(30, QLatin1Char('z')));
    EXPECT_FALSE(tag.hasTrack());
    EXPECT_EQ(tag.track(), 0);
}

TEST(Id3Tag, ResultCodes)
{
    quillon::test::TempHome home;
    const QString missing = home.file(s("missing.mp3"));
    const QString folder = home.file(s("folder.mp3"));
    const QString fifo = home.file(s("fifo.mp3"));
    const QString small = home.file(s("small.mp3"));
    const QString untagged = home.file(s("untagged.mp3"));
    const QString tagged = home.file(s("tagged.mp3"));
    const QString readOnly = home.file(s("readonly.mp3"));
    ASSERT_TRUE(QDir(home.path()).mkdir(s("folder.mp3")));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    ASSERT_TRUE(writeFile(small, audio(127)));
    ASSERT_TRUE(writeFile(untagged, audio(500)));
    ASSERT_TRUE(writeFile(tagged, audio(500) + rawTag("Tagged", "", 1)));
    ASSERT_TRUE(writeFile(readOnly, audio(500) + rawTag("Protected", "", 1)));
    ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup));

    struct Case {
        const char* name;
        QString path;
        std::uint16_t read;
        std::uint16_t write;
    };
    const Case cases[] = {
        {"missing", missing, id3FileNotFound, id3FileNotFound},
        {"folder", folder, id3FileNotFound, id3FileNotFound},
        {"fifo", fifo, id3FileNotFound, id3FileNotFound},
        {"127 bytes", small, id3NoTag, id3Ok},
        {"no TAG", untagged, id3NoTag, id3Ok},
        {"tagged", tagged, id3Ok, id3Ok},
        {"read-only", readOnly, id3Ok, id3WriteProtected},
    };
    for (const Case& c : cases) {
        // Opening the FIFO here would block this test.
        const auto contents = [](const QString& p) {
            return QFileInfo(p).isFile() ? readFile(p) : QByteArray();
        };
        const QByteArray before = contents(c.path);
        Tid3tag tag;
        tag.SetTitle(s("untouched"));
        EXPECT_EQ(tag.ReadTag(c.path), c.read) << c.name;
        if (c.read == id3NoTag || c.read == id3FileNotFound) {
            EXPECT_EQ(tag.title(), s("untouched")) << c.name;
        }
        EXPECT_EQ(tag.fileName(), c.read == id3FileNotFound ? QString() : c.path) << c.name;
        EXPECT_EQ(tag.isWriteProtected(), c.path == readOnly) << c.name;

        Tid3tag writer;
        writer.SetTitle(s("New"));
        EXPECT_EQ(writer.WriteTag(c.path), c.write) << c.name;
        const QByteArray after = contents(c.path);
        if (c.write != id3Ok) {
            EXPECT_EQ(after, before) << c.name;
            EXPECT_EQ(writer.fileName(), QString()) << c.name;
            continue;
        }
        const qsizetype kept =
            before.endsWith(rawTag("Tagged", "", 1)) ? before.size() - 128 : before.size();
        EXPECT_EQ(after.size(), kept + 128) << c.name;
        EXPECT_EQ(after.left(kept), before.left(kept)) << c.name;
        EXPECT_EQ(after.mid(kept, 6), QByteArray("TAGNew")) << c.name;
    }
    EXPECT_EQ(readFile(small).size(), 255);
}

TEST(Id3Tag, HeldNameIsUsedByEqualsSign)
{
    quillon::test::TempHome home;
    Tid3tag fresh;
    EXPECT_EQ(fresh.WriteTag(s("=")), id3FileNotFound);

    const QString path = home.file(s("held.mp3"));
    ASSERT_TRUE(writeFile(path, audio(200)));
    Tid3tag tag;
    EXPECT_EQ(tag.ReadTag(path), id3NoTag); // the name is held even without a tag
    tag.SetTitle(s("Held"));
    EXPECT_EQ(tag.WriteTag(s("=")), id3Ok);
    EXPECT_EQ(readFile(path).mid(200, 7), QByteArray("TAGHeld"));
}

TEST(Id3Tag, FailedWritesLeaveTheFileAsItWas)
{
    quillon::test::TempHome home;
    const QString path = home.file(s("full.mp3"));
    const QByteArray body = audio(1000);
    ASSERT_TRUE(writeFile(path, body));
    Tid3tag tag;
    tag.SetTitle(s("Too much"));
    {
        // The file may not grow: part of the tag would fit, the rest fails.
        quillon::test::ScopedFileSizeLimit limit(1050);
        EXPECT_EQ(tag.WriteTag(path), id3WriteFailed);
    }
    EXPECT_EQ(readFile(path), body);
    EXPECT_EQ(tag.fileName(), QString());
}

TEST(Id3Tag, ReadAndSeekFailuresAreReported)
{
    quillon::test::TempHome home;
    const QString path = home.file(s("f.mp3"));
    const QByteArray before = audio(300) + rawTag("Old", "", 1);
    ASSERT_TRUE(writeFile(path, before));

    const struct {
        const char* name;
        bool failSeek;
        bool failRead;
        std::uint16_t result;
    } cases[] = {
        {"read fails", false, true, id3ReadFailed},
        {"seek fails", true, false, id3IoError},
    };
    for (const auto& c : cases) {
        FailingTag tag;
        tag.failSeek = c.failSeek;
        tag.failRead = c.failRead;
        EXPECT_EQ(tag.ReadTag(path), c.result) << c.name;
        EXPECT_EQ(tag.WriteTag(path), c.result) << c.name;
        EXPECT_EQ(readFile(path), before) << c.name;
    }
}

TEST(Id3Tag, RemoveTagCutsOnlyARealTag)
{
    quillon::test::TempHome home;
    const QByteArray body = audio(400);
    const struct {
        const char* name;
        QByteArray contents;
        bool readOnly;
        QByteArray expected;
    } cases[] = {
        {"tagged", body + rawTag("x", "", 1), false, body},
        {"no tag", body, false, body},
        {"short", audio(100), false, audio(100)},
        {"read-only", body + rawTag("x", "", 1), true, body + rawTag("x", "", 1)},
    };
    for (const auto& c : cases) {
        const QString path = home.file(QString::fromLatin1(c.name) + s(".mp3"));
        ASSERT_TRUE(writeFile(path, c.contents));
        Tid3tag tag;
        tag.ReadTag(path);
        if (c.readOnly) {
            ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner));
        }
        tag.RemoveTag();
        EXPECT_EQ(readFile(path), c.expected) << c.name;
    }
    Tid3tag fresh;
    fresh.RemoveTag(); // no held file: nothing happens
}
