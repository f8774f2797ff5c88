// The pieces every writer uses: file names made from titles, and outputs
// that take their final name only when complete.
#include "jobs/part_file.h"
#include "jobs/safe_file_name.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

QString repeated(const QString& piece, int times)
{
    QString s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

TEST(SafeFileStem, AnyTitleBecomesAFileNameEveryFileSystemTakes)
{
    const QString euro = QString::fromUtf8("\u20ac");      // 3 bytes in UTF-8
    const QString smile = QString::fromUtf8("\U0001F600"); // 4 bytes, a surrogate pair
    struct Case {
        QString title;
        QString stem;
    } cases[] = {
        {QStringLiteral("AC/DC"), QStringLiteral("AC-DC")},
        {QStringLiteral("Back In Black / Live"), QStringLiteral("Back In Black - Live")},
        {QStringLiteral("Static: Weather?"), QStringLiteral("Static- Weather-")},
        {QStringLiteral("a\\b*c\"d<e>f|g"), QStringLiteral("a-b-c-d-e-f-g")},
        {QStringLiteral("tab\there\nnew"), QStringLiteral("tab-here-new")},
        {QString(QChar(0x85)) + QStringLiteral("x"), QStringLiteral("-x")},
        {QStringLiteral("..."), QStringLiteral("Track03")},
        {QStringLiteral(""), QStringLiteral("Track03")},
        {QStringLiteral(" . . "), QStringLiteral("Track03")},
        {QStringLiteral("...And Justice for All"), QStringLiteral("And Justice for All")},
        {QStringLiteral("trailing. . "), QStringLiteral("trailing")},
        {QStringLiteral("../../etc/passwd"), QStringLiteral("-..-etc-passwd")},
        {QString::fromUtf8("Middle Ünï"), QString::fromUtf8("Middle Ünï")},
        // Cut at 251 bytes (room for ".mp3"), never inside a character.
        {repeated(euro, 100), repeated(euro, 83)},
        {QStringLiteral("a") + repeated(smile, 70), QStringLiteral("a") + repeated(smile, 62)},
        {repeated(QStringLiteral("x"), 250) + QStringLiteral(" .y"),
         repeated(QStringLiteral("x"), 250)},
    };
    for (const auto& c : cases) {
        const QString stem = SafeFileStem(c.title, 3);
        EXPECT_EQ(stem, c.stem) << c.title.toStdString();
        EXPECT_LE(stem.toUtf8().size(), 251);
        EXPECT_EQ(stem.toUtf8(), QString::fromUtf8(stem.toUtf8()).toUtf8()); // whole characters
    }
}

TEST(UniqueStems, TwinsGetNumbersAndStillFit)
{
    TUniqueStems stems;
    EXPECT_EQ(stems.take(QStringLiteral("Intro")), u"Intro"_s);
    EXPECT_EQ(stems.take(QStringLiteral("intro")), u"intro (2)"_s); // one file on FAT and SMB
    EXPECT_EQ(stems.take(QStringLiteral("Intro")), u"Intro (3)"_s);
    EXPECT_EQ(stems.take(QStringLiteral("Intro (2)")), u"Intro (2) (2)"_s);
    const QString longStem = repeated(QStringLiteral("y"), 251);
    EXPECT_EQ(stems.take(longStem), longStem);
    EXPECT_EQ(stems.take(longStem), repeated(QStringLiteral("y"), 247) + QStringLiteral(" (2)"));
}

struct PartFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(PartFileTest, TheDestinationChangesOnlyByACompleteCommit)
{
    struct Case {
        const char* name;
        bool existing;
        bool commit;
        bool replace;
        QByteArray after; // content of the destination afterwards ("" = none)
        QString error;
    } cases[] = {
        {"new file", false, true, false, "new", {}},
        {"existing, replace", true, true, true, "new", {}},
        {"existing, no replace", true, true, false, "old",
         QStringLiteral(" exists already; it was kept")},
        {"dropped before commit", true, false, false, "old", {}},
        {"dropped, nothing there", false, false, false, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dest = path("Song.mp3");
        QFile::remove(dest);
        if (c.existing) {
            ASSERT_TRUE(writeFile(dest, "old"));
        }
        {
            TPartFile part(dest);
            ASSERT_TRUE(part.create());
            const QFileInfo temp(part.path());
            EXPECT_EQ(temp.path(), dir.path());
            EXPECT_TRUE(temp.fileName().startsWith(QStringLiteral(".Song.mp3.")));
            EXPECT_TRUE(temp.fileName().endsWith(QStringLiteral(".part")));
            ASSERT_TRUE(writeFile(part.path(), "new"));
            if (c.commit) {
                EXPECT_EQ(part.commit(c.replace), c.error.isEmpty());
                EXPECT_EQ(part.errorText(), c.error.isEmpty() ? QString() : dest + c.error);
            }
        }
        EXPECT_EQ(readFile(dest), c.after);
        EXPECT_EQ(files(), c.after.isEmpty() ? QStringList() : QStringList{u"Song.mp3"_s});
    }
}

TEST_F(PartFileTest, FailuresCarryTheSystemsReasonAndPath)
{
    const QString missing = path("gone");
    TPartFile part(missing + QStringLiteral("/x.wav"));
    EXPECT_FALSE(part.create());
    EXPECT_EQ(part.errorText(),
              QStringLiteral("cannot write into %1: No such file or directory").arg(missing));
    QString error;
    EXPECT_FALSE(CheckWritableFolder(missing, &error));
    EXPECT_EQ(error,
              QStringLiteral("cannot write into %1: No such file or directory").arg(missing));
    EXPECT_TRUE(CheckWritableFolder(dir.path(), &error));
    EXPECT_TRUE(files().isEmpty());

    // What a writer that gave no reason ran into.
    ASSERT_TRUE(writeFile(path("fine"), "12345"));
    EXPECT_EQ(ProbeWriteFailure(path("fine")), QString());
    EXPECT_EQ(readFile(path("fine")), "12345");
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path("full")));
        EXPECT_EQ(ProbeWriteFailure(path("full")), QStringLiteral("No space left on device"));
    }
    EXPECT_EQ(ProbeWriteFailure(path("absent")), QString());
}

TEST_F(PartFileTest, CopyAndMoveReplaceOnlyWithAWholeFile)
{
    ASSERT_TRUE(writeFile(path("a"), "take one"));
    ASSERT_TRUE(writeFile(path("b"), "old b"));
    QString error;
    EXPECT_FALSE(CopyFileReplacing(path("none"), path("b"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("cannot read ") + path("none")));
    EXPECT_EQ(readFile(path("b")), "old b");
    EXPECT_TRUE(CopyFileReplacing(path("a"), path("b"), &error));
    EXPECT_EQ(readFile(path("b")), "take one");
    EXPECT_TRUE(MoveFileReplacing(path("a"), path("c"), &error));
    EXPECT_EQ(files(), QStringList({u"b"_s, u"c"_s}));
}

} // namespace
