// The tag editor: its field rules and the real dialog on real MP3 files.

#include "audio/audio_test_util.h"
#include "settings/id3_edit_fields.h"
#include "settings/prompts.h"
#include "support/test_support.h"
#include "support/widget_checks.h"
#include "tags/id3_tag.h"
#include "ui/tags/id3_edit_form.h"

#include <QComboBox>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

using quillon::test::haveProgram;
using quillon::test::readFile;
using quillon::test::writeFile;

namespace {

// A 16-bit mono WAV of a 440 Hz tone.
QByteArray toneWav(int sampleRate, int samples)
{
    QByteArray pcm;
    for (int i = 0; i < samples; ++i) {
        const auto v = qint16(8000 * std::sin(2 * M_PI * 440 * i / sampleRate));
        pcm.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    }
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + pcm.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(sampleRate) << quint32(sampleRate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(pcm.size());
    out.writeRawData(pcm.constData(), pcm.size());
    return wav;
}

// An MP3 of a short tone made by lame, or a few KB of frame-like bytes when
// lame is missing (the tag only cares about the file's end).
QByteArray makeMp3Bytes()
{
    static QByteArray cached;
    if (!cached.isEmpty())
        return cached;
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("tone.mp3"));
    if (haveProgram(QStringLiteral("lame")) && writeFile(wav, toneWav(22050, 11025))) {
        QProcess lame;
        lame.start(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("--nohist"),
                                            QStringLiteral("--noreplaygain"), QStringLiteral("-t"),
                                            QStringLiteral("--id3v2-only"), wav, mp3});
        if (lame.waitForFinished(60000) && lame.exitCode() == 0)
            cached = readFile(mp3);
    }
    if (cached.isEmpty()) {
        cached = QByteArray(4096, '\0');
        for (int i = 0; i < cached.size(); i += 418) {
            cached[i] = char(0xFF);
            cached[i + 1] = char(0xFB);
        }
    }
    return cached;
}

// The bytes after a leading ID3v2 tag (its size is in the header's last
// four bytes, seven bits each).
QByteArray withoutId3v2(const QByteArray& mp3)
{
    if (!mp3.startsWith("ID3") || mp3.size() < 10)
        return mp3;
    qint64 size = 0;
    for (int i = 6; i < 10; ++i)
        size = (size << 7) | (quint8(mp3[i]) & 0x7F);
    return mp3.mid(10 + size);
}

// Reads back the tag of a file with a fresh object.
struct ReadBack {
    std::uint16_t result = 0;
    Tid3tag tag;
};
std::unique_ptr<ReadBack> readBack(const QString& file)
{
    auto r = std::make_unique<ReadBack>();
    r->result = r->tag.ReadTag(file);
    return r;
}

// Prompts that also keep the filters of the file dialogs asked for.
struct FilterPrompts : ScopedPrompts {
    QStringList filters;
    QStringList openFiles(const QString& title, const QString& filter, const QString& dir,
                          bool multiple) override
    {
        filters << filter;
        return ScopedPrompts::openFiles(title, filter, dir, multiple);
    }
};

class Id3EditTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_mp3 = makeMp3Bytes();
        ASSERT_GT(m_mp3.size(), 1000);
        m_form = std::make_unique<TfrmID3Edit>();
        m_form->show();
    }
    void TearDown() override
    {
        for (const QString& f : m_files)
            QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner);
    }

    // An MP3 file in the test folder, optionally tagged.
    QString mp3File(const char* name, const std::function<void(Tid3tag&)>& tagIt = {})
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        EXPECT_TRUE(writeFile(path, m_mp3));
        if (tagIt) {
            Tid3tag tag;
            tagIt(tag);
            EXPECT_EQ(tag.WriteTag(path), 0);
        }
        m_files << path;
        return path;
    }
    template <typename T> T* child(const char* name)
    {
        T* w = m_form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void load(const QString& file)
    {
        m_prompts.openAnswers.push_back({file});
        click("bLoadTag");
    }

    QTemporaryDir m_dir;
    QByteArray m_mp3;
    QStringList m_files;
    FilterPrompts m_prompts;
    std::unique_ptr<TfrmID3Edit> m_form;
};

void fullTag(Tid3tag& t)
{
    t.SetTitle(QStringLiteral("Title"));
    t.SetArtist(QStringLiteral("Artist"));
    t.SetAlbum(QStringLiteral("Album"));
    t.SetYear(QStringLiteral("2001"));
    t.SetComment(QStringLiteral("Comment"));
    t.SetGenre(12); // "Other"
    t.SetTrack(7);
}

} // namespace

// ---------------------------------------------------------------- field rules

TEST(Id3EditFields, TrackDigits)
{
    const struct {
        const char* text;
        int cursor;
        const char* digits;
        int newCursor;
    } cases[] = {
        {"12", 2, "12", 2},  {"a1b2", 4, "12", 2}, {"a1b2", 2, "12", 1},
        {"123", 3, "12", 2}, {"x", 1, "", 0},      {"", 0, "", 0},
        {"-5", 2, "5", 1},   {" 7 ", 3, "7", 1},   {"1.5", 3, "15", 2},
    };
    for (const auto& c : cases) {
        int cursor = c.cursor;
        EXPECT_EQ(Id3TrackDigits(QString::fromLatin1(c.text), 2, &cursor),
                  QString::fromLatin1(c.digits))
            << c.text;
        EXPECT_EQ(cursor, c.newCursor) << c.text;
    }
    // Digits of other scripts are not ASCII digits and are dropped too.
    EXPECT_EQ(Id3TrackDigits(QStringLiteral("\u0663\u0664")), QString());
}

TEST(Id3EditFields, MoveIntoTag)
{
    const struct {
        const char* what;
        int genre;
        const char* track;
        std::uint8_t genreByte;
        std::uint8_t trackNumber;
        bool hasTrack;
    } cases[] = {
        {"no genre selected", -1, "3", 255, 3, true},
        {"blank genre", 0, "3", 255, 3, true},
        {"Other", 96, "3", 12, 3, true},
        {"empty track keeps 9", 1, "", 123, 9, true},
        {"track 0 is version 1.0", 1, "0", 123, 0, false},
    };
    for (const auto& c : cases) {
        Tid3tag tag;
        tag.SetTrack(9);
        TId3EditFields f;
        f.Title = QStringLiteral("T");
        f.Genre = c.genre;
        f.Track = QString::fromLatin1(c.track);
        MoveId3EditFieldsToTag(f, tag);
        EXPECT_EQ(tag.title(), QStringLiteral("T")) << c.what;
        EXPECT_EQ(tag.genre(), c.genreByte) << c.what;
        EXPECT_EQ(tag.track(), c.trackNumber) << c.what;
        EXPECT_EQ(tag.hasTrack(), c.hasTrack) << c.what;
    }
    EXPECT_EQ(Id3EditCaption(QString(), QStringLiteral("ID3 Tag Edit")),
              QStringLiteral("ID3 Tag Edit"));
    EXPECT_EQ(Id3EditCaption(QStringLiteral("/m/a.mp3"), QStringLiteral("ID3 Tag Edit")),
              QStringLiteral("/m/a.mp3: ID3 Tag Edit"));
}

TEST(Id3EditFields, WhatTheId3v1TagCannotHold)
{
    const struct {
        const char* title;
        const char* comment;
        const char* track;
        QStringList misfits;
        const char* v1Title; // what the ID3v1 tag gets
    } cases[] = {
        {"Plain", "", "1", {}, "Plain"},
        {"Caf\u00e9 \u00fcber", "", "1", {}, "Caf\u00e9 \u00fcber"},
        {"\u041f\u0440\u0438\u0432\u0435\u0442", "", "1", {u"Title"_s}, ""},
        {"A title of exactly thirty-one!!",
         "",
         "1",
         {u"Title"_s},
         "A title of exactly thirty-one!"},
        // Version 1.1 keeps two bytes of the comment for the track number.
        {"T", "twenty-nine characters long..", "3", {u"Comment"_s}, "T"},
        {"T", "twenty-nine characters long..", "0", {}, "T"},
    };
    for (const auto& c : cases) {
        TId3EditFields f;
        f.Title = QString::fromUtf8(c.title);
        f.Comment = QString::fromUtf8(c.comment);
        f.Track = QString::fromLatin1(c.track);
        EXPECT_EQ(Id3v1Misfits(f), c.misfits) << c.title;
        Tid3tag tag;
        MoveId3EditFieldsToTag(f, tag);
        EXPECT_EQ(tag.title(), QString::fromUtf8(c.v1Title)) << c.title;
        EXPECT_FALSE(tag.tagBytes().contains('?')) << c.title;
    }
}

// ---------------------------------------------------------------- the dialog

TEST_F(Id3EditTest, NoFileYet)
{
    EXPECT_EQ(m_form->objectName(), QStringLiteral("frmID3Edit"));
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("ID3 Tag Edit"));
    EXPECT_FALSE(child<QPushButton>("bSaveTag")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("bRemoveTag")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("bSaveAS")->isEnabled());
    EXPECT_EQ(child<QComboBox>("ID3genre")->count(), 149);
    m_prompts.openAnswers.push_back({}); // load cancelled
    click("bLoadTag");
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("ID3 Tag Edit"));
}

TEST_F(Id3EditTest, LoadShowsTheTagAndNamesTheFile)
{
    const QString file = mp3File("a.mp3", fullTag);
    load(file);
    const TId3EditFields f = m_form->fields();
    EXPECT_EQ(f.Title, QStringLiteral("Title"));
    EXPECT_EQ(f.Artist, QStringLiteral("Artist"));
    EXPECT_EQ(f.Album, QStringLiteral("Album"));
    EXPECT_EQ(f.Year, QStringLiteral("2001"));
    EXPECT_EQ(f.Comment, QStringLiteral("Comment"));
    EXPECT_EQ(f.Genre, 96);
    EXPECT_EQ(child<QComboBox>("ID3genre")->currentText(), QStringLiteral("Other"));
    EXPECT_EQ(f.Track, QStringLiteral("7"));
    EXPECT_EQ(m_form->windowTitle(), file + QStringLiteral(": ID3 Tag Edit"));
    EXPECT_TRUE(child<QPushButton>("bSaveTag")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("bRemoveTag")->isEnabled());
}

TEST_F(Id3EditTest, LoadWithoutTagClearsTheFields)
{
    const QString tagged = mp3File("a.mp3", fullTag);
    const QString plain = mp3File("b.mp3");
    for (const QString& file : {plain, m_dir.filePath(QStringLiteral("missing.mp3"))}) {
        load(tagged);
        load(file);
        const TId3EditFields f = m_form->fields();
        EXPECT_TRUE(f.Title.isEmpty() && f.Artist.isEmpty() && f.Album.isEmpty() &&
                    f.Year.isEmpty() && f.Comment.isEmpty());
        EXPECT_EQ(f.Genre, -1);
        EXPECT_EQ(f.Track, QStringLiteral("0"));
        EXPECT_EQ(m_form->windowTitle(), file + QStringLiteral(": ID3 Tag Edit"));
        EXPECT_TRUE(m_prompts.shown.empty()); // no message for a missing tag
    }
}

TEST_F(Id3EditTest, SaveRoundTrips)
{
    const struct {
        const char* what;
        std::function<void(Tid3tag&)> initial;
        std::function<void(Id3EditTest&)> edit;
        std::function<void(const Tid3tag&)> check;
    } cases[] = {
        {"every field", fullTag,
         [](Id3EditTest& t) {
             t.child<QLineEdit>("ID3title")->setText(QStringLiteral("New title"));
             t.child<QLineEdit>("ID3artist")->setText(QStringLiteral("Caf\u00e9 Band"));
             t.child<QLineEdit>("ID3album")->setText(QStringLiteral("B"));
             t.child<QLineEdit>("ID3year")->setText(QStringLiteral("1999"));
             t.child<QLineEdit>("ID3comment")->setText(QStringLiteral("c"));
             t.child<QComboBox>("ID3genre")->setCurrentIndex(118); // Rock
             t.child<QLineEdit>("ID3track")->setText(QStringLiteral("12"));
         },
         [](const Tid3tag& tag) {
             EXPECT_EQ(tag.title(), QStringLiteral("New title"));
             EXPECT_EQ(tag.artist(), QStringLiteral("Caf\u00e9 Band"));
             EXPECT_EQ(tag.album(), QStringLiteral("B"));
             EXPECT_EQ(tag.year(), QStringLiteral("1999"));
             EXPECT_EQ(tag.comment(), QStringLiteral("c"));
             EXPECT_EQ(tag.genre(), 17);
             EXPECT_EQ(tag.track(), 12);
         }},
        {"emptied track keeps 7", fullTag,
         [](Id3EditTest& t) { t.child<QLineEdit>("ID3track")->clear(); },
         [](const Tid3tag& tag) {
             EXPECT_TRUE(tag.hasTrack());
             EXPECT_EQ(tag.track(), 7);
         }},
        {"track 0 writes version 1.0 with a 30-character comment", fullTag,
         [](Id3EditTest& t) {
             t.child<QLineEdit>("ID3track")->setText(QStringLiteral("0"));
             t.child<QLineEdit>("ID3comment")->setText(QString(30, u'x'));
         },
         [](const Tid3tag& tag) {
             EXPECT_FALSE(tag.hasTrack());
             EXPECT_EQ(tag.comment(), QString(30, u'x'));
         }},
        {"genre byte 200 shows blank and saves 255",
         [](Tid3tag& t) {
             fullTag(t);
             t.SetGenre(200);
         },
         [](Id3EditTest& t) { EXPECT_EQ(t.child<QComboBox>("ID3genre")->currentIndex(), 0); },
         [](const Tid3tag& tag) { EXPECT_EQ(tag.genre(), 255); }},
        {"file without a tag gets one",
         {},
         [](Id3EditTest& t) { t.child<QLineEdit>("ID3title")->setText(QStringLiteral("T")); },
         [](const Tid3tag& tag) {
             EXPECT_EQ(tag.title(), QStringLiteral("T"));
             EXPECT_EQ(tag.genre(), 255);
             EXPECT_FALSE(tag.hasTrack());
         }},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QByteArray name = QByteArray::number(++n) + ".mp3";
        const QString file = mp3File(name.constData(), c.initial);
        load(file);
        c.edit(*this);
        click("bSaveTag");
        EXPECT_TRUE(m_prompts.shown.empty()) << c.what;
        auto r = readBack(file);
        EXPECT_LT(r->result, 0x100) << c.what;
        c.check(r->tag);
        // The ID3v1 tag replaced the old one or was appended once, after the
        // audio; the ID3v2 tag came in front of it.
        const QByteArray bytes = readFile(file);
        EXPECT_EQ(bytes.count("TAG"), 1) << c.what;
        EXPECT_TRUE(bytes.startsWith("ID3\x04")) << c.what;
        EXPECT_TRUE(bytes.endsWith(m_mp3.right(1000) + r->tag.tagBytes())) << c.what;
    }
}

TEST_F(Id3EditTest, SaveAsThenRemoveActsOnTheSecondFile)
{
    const QString first = mp3File("first.mp3", fullTag);
    const QString second = mp3File("second.mp3");
    const QByteArray firstBytes = readFile(first);
    load(first);
    child<QLineEdit>("ID3title")->setText(QStringLiteral("Copied"));
    m_prompts.openAnswers.push_back({second});
    click("bSaveAS");
    EXPECT_EQ(m_form->windowTitle(), second + QStringLiteral(": ID3 Tag Edit"));
    EXPECT_EQ(readBack(second)->tag.title(), QStringLiteral("Copied"));
    EXPECT_EQ(readFile(first), firstBytes);

    // "No" keeps everything.
    m_prompts.answers.push_back(pbNo);
    click("bRemoveTag");
    EXPECT_EQ(readBack(second)->result, 0);
    EXPECT_EQ(child<QLineEdit>("ID3title")->text(), QStringLiteral("Copied"));

    m_prompts.answers.push_back(pbYes);
    click("bRemoveTag");
    ASSERT_EQ(m_prompts.shown.size(), 2u);
    EXPECT_EQ(m_prompts.shown[1].text, QStringLiteral("Do you want to remove these tags?"));
    EXPECT_EQ(m_prompts.shown[1].icon, PromptIcon::Question);
    EXPECT_EQ(m_prompts.shown[1].buttons, unsigned(pbYes | pbNo));
    // Both tags go (lame's own ID3v2 tag too); the audio stays.
    const QByteArray audio = withoutId3v2(m_mp3);
    EXPECT_EQ(readFile(second), audio);
    EXPECT_EQ(readFile(first), firstBytes);
    EXPECT_TRUE(child<QLineEdit>("ID3title")->text().isEmpty());
    EXPECT_EQ(child<QLineEdit>("ID3track")->text(), QStringLiteral("0"));

    // Removing again from a file without a tag changes nothing.
    m_prompts.answers.push_back(pbYes);
    click("bRemoveTag");
    EXPECT_EQ(readFile(second), audio);
}

TEST_F(Id3EditTest, UnwritableTargetsCannotBeSaved)
{
    const QString writable = mp3File("w.mp3", fullTag);
    const QString locked = mp3File("r.mp3", fullTag);
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup));
    const QString folder = m_dir.filePath(QStringLiteral("folder.mp3"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString missing = m_dir.filePath(QStringLiteral("missing.mp3"));

    const struct {
        const char* what;
        QString target;
    } cases[] = {{"read-only file", locked}, {"folder", folder}, {"missing file", missing}};
    for (const auto& c : cases) {
        const QByteArray before = readFile(c.target);
        // Save As onto the target: refused, the caption stays.
        m_prompts.shown.clear();
        load(writable);
        m_prompts.openAnswers.push_back({c.target});
        click("bSaveAS");
        ASSERT_EQ(m_prompts.shown.size(), 1u) << c.what;
        EXPECT_EQ(m_prompts.shown[0].text, QStringLiteral("Could not save Tag!"));
        EXPECT_EQ(m_prompts.shown[0].icon, PromptIcon::Information);
        EXPECT_EQ(m_form->windowTitle(), writable + QStringLiteral(": ID3 Tag Edit")) << c.what;

        // Load the target and Save: refused as well.
        load(c.target);
        child<QLineEdit>("ID3title")->setText(QStringLiteral("Changed"));
        click("bSaveTag");
        ASSERT_EQ(m_prompts.shown.size(), 2u) << c.what;
        EXPECT_EQ(m_prompts.shown[1].text, QStringLiteral("Could not save Tag!"));
        EXPECT_EQ(readFile(c.target), before) << c.what;
    }
}

TEST_F(Id3EditTest, SaveAfterFailedLoadNeverWritesThePreviousFile)
{
    const QString first = mp3File("first.mp3", fullTag);
    const QByteArray firstBytes = readFile(first);
    const QString gone = m_dir.filePath(QStringLiteral("gone.mp3"));
    load(first);
    load(gone);
    child<QLineEdit>("ID3title")->setText(QStringLiteral("Elsewhere"));
    click("bSaveTag");
    ASSERT_EQ(m_prompts.shown.size(), 1u);
    EXPECT_EQ(m_prompts.shown[0].text, QStringLiteral("Could not save Tag!"));
    m_prompts.answers.push_back(pbYes);
    click("bRemoveTag");
    EXPECT_EQ(readFile(first), firstBytes);
}

TEST_F(Id3EditTest, TrackFieldTakesDigitsOnly)
{
    auto* track = child<QLineEdit>("ID3track");
    const struct {
        const char* typed;
        const char* shown;
    } typing[] = {{"7", "7"}, {"a1b", "1"}, {"123", "12"}, {"-+ x", ""}};
    for (const auto& t : typing) {
        track->clear();
        QTest::keyClicks(track, QString::fromLatin1(t.typed));
        EXPECT_EQ(track->text(), QString::fromLatin1(t.shown)) << t.typed;
    }
    // Pasted or dropped text goes through the same filter.
    track->clear();
    track->insert(QStringLiteral("x4y2z"));
    EXPECT_EQ(track->text(), QStringLiteral("42"));
    track->clear();
    track->insert(QStringLiteral("#9"));
    QTest::keyClick(track, Qt::Key_Backspace);
    EXPECT_EQ(track->text(), QString());
}

TEST_F(Id3EditTest, FieldLimits)
{
    // Only the year is limited: the ID3v2 tag holds texts of any length.
    const struct {
        const char* name;
        int limit;
    } fields[] = {{"ID3title", 40}, {"ID3artist", 40},  {"ID3album", 40},
                  {"ID3year", 4},   {"ID3comment", 40}, {"ID3albumArtist", 40}};
    for (const auto& f : fields) {
        auto* edit = child<QLineEdit>(f.name);
        edit->clear();
        QTest::keyClicks(edit, QString(40, u'a'));
        EXPECT_EQ(edit->text().size(), f.limit) << f.name;
    }
}

TEST_F(Id3EditTest, UnicodeId3v2TagsSaveAndReload)
{
    const QString file = mp3File("unicode.mp3", fullTag);
    load(file);
    const QString title =
        QStringLiteral("Привет 東京 — a title far longer than thirty characters 🎵");
    child<QLineEdit>("ID3title")->setText(title);
    child<QLineEdit>("ID3albumArtist")->setText(QStringLiteral("Various Artists"));
    child<QLineEdit>("ID3disc")->setText(QStringLiteral("2/3"));
    child<QComboBox>("ID3genre")->setEditText(QStringLiteral("Post-Rock"));
    EXPECT_EQ(m_form->id3v1Note(), QStringLiteral("Does not fit the ID3v1 tag (too long or not "
                                                  "Latin-1), kept whole in the ID3v2 tag: Title"));
    const QByteArray cover = quillon::test::noiseJpeg(300, 200);
    const QString coverFile = m_dir.filePath(QStringLiteral("cover.jpg"));
    ASSERT_TRUE(writeFile(coverFile, cover));
    m_prompts.openAnswers.push_back({coverFile});
    click("bCover");
    EXPECT_EQ(m_form->coverShown(), QSize(116, 77));
    click("bSaveTag");
    EXPECT_TRUE(m_prompts.shown.empty()) << m_prompts.lastText().toStdString();

    // ffprobe reads what was written; the ID3v1 tag has no question marks.
    const QByteArray probe = audiotest::runProgram(
        QStringLiteral("ffprobe"), {u"-v"_s, u"error"_s, u"-show_entries"_s, u"format_tags"_s,
                                    u"-of"_s, u"default=noprint_wrappers=1"_s, file});
    EXPECT_TRUE(QString::fromUtf8(probe).contains(QStringLiteral("TAG:title=") + title));
    EXPECT_TRUE(probe.contains("TAG:disc=2/3"));
    EXPECT_TRUE(probe.contains("TAG:genre=Post-Rock"));
    auto v1 = readBack(file);
    EXPECT_EQ(v1->tag.title(), QString());
    EXPECT_EQ(v1->tag.artist(), QStringLiteral("Artist"));
    EXPECT_EQ(v1->tag.genre(), 255) << "a genre not in the list has no ID3v1 number";

    // A fresh window reloads it all.
    m_form = std::make_unique<TfrmID3Edit>();
    m_form->show();
    load(file);
    const TId3EditFields f = m_form->fields();
    EXPECT_EQ(f.Title, title);
    EXPECT_EQ(f.AlbumArtist, QStringLiteral("Various Artists"));
    EXPECT_EQ(f.Disc, QStringLiteral("2/3"));
    EXPECT_EQ(f.GenreText, QStringLiteral("Post-Rock"));
    EXPECT_EQ(f.Artist, QStringLiteral("Artist"));
    EXPECT_EQ(f.Track, QStringLiteral("7"));
    EXPECT_EQ(f.Cover, cover);
    EXPECT_FALSE(m_form->coverShown().isEmpty());
}

TEST_F(Id3EditTest, OnlyMp3FilesAreTaken)
{
    const QString mp3 = mp3File("song.mp3", fullTag);
    const QString text = m_dir.filePath(QStringLiteral("notes.mp3"));
    ASSERT_TRUE(writeFile(text, QByteArray(5000, 'x')));
    const QString wav = m_dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(writeFile(wav, toneWav(22050, 2000)));
    load(mp3);
    EXPECT_EQ(m_prompts.filters, QStringList{QStringLiteral("MP3 files (*.mp3)")});
    for (const QString& other : {text, wav}) {
        m_prompts.shown.clear();
        const QByteArray before = readFile(other);
        load(other); // refused: the window stays on the MP3 file
        ASSERT_EQ(m_prompts.shown.size(), 1u);
        EXPECT_TRUE(m_prompts.shown[0].text.contains(QStringLiteral("is not an MP3 file")));
        EXPECT_EQ(m_form->fileName(), mp3);
        EXPECT_EQ(m_form->fields().Title, QStringLiteral("Title"));
        m_prompts.openAnswers.push_back({other});
        click("bSaveAS");
        EXPECT_EQ(m_prompts.shown.size(), 2u);
        EXPECT_EQ(readFile(other), before);
        EXPECT_EQ(m_form->fileName(), mp3);
    }
}

TEST_F(Id3EditTest, ButtonsHaveDistinctMnemonics)
{
    QString keys;
    for (QPushButton* b : m_form->findChildren<QPushButton*>()) {
        const qsizetype amp = b->text().indexOf(u'&');
        ASSERT_GE(amp, 0) << b->objectName().toStdString();
        const QChar key = b->text().at(amp + 1).toLower();
        EXPECT_FALSE(keys.contains(key)) << b->text().toStdString();
        keys += key;
    }
    EXPECT_EQ(keys.size(), 6);
}

TEST_F(Id3EditTest, LongTitleAndCoverLeaveEveryControlWhole)
{
    load(mp3File("shot.mp3", fullTag));
    child<QLineEdit>("ID3title")->setText(QStringLiteral("Привет 東京"));
    const QString coverFile = m_dir.filePath(QStringLiteral("cover.jpg"));
    ASSERT_TRUE(writeFile(coverFile, quillon::test::noiseJpeg(300, 300)));
    m_prompts.openAnswers.push_back({coverFile});
    click("bCover");
    m_form->show();
    EXPECT_EQ(quillon::test::cutOffControls(m_form.get()), "");
}
