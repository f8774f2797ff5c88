#include "settings/global.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

TEST(Global, TwoDigitsAndTimeText)
{
    const struct {
        qint64 n;
        const char* two;
        const char* time;
    } cases[] = {
        {0, "00", "00:00"},    {7, "07", "00:07"},       {12, "12", "00:12"},
        {187, "187", "03:07"}, {6000, "6000", "100:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TwoDigits(c.n), QString::fromLatin1(c.two)) << c.n;
        EXPECT_EQ(TimeText(c.n), QString::fromLatin1(c.time)) << c.n;
    }
}

TEST(Global, AddBackslashAppendsSeparatorOnce)
{
    EXPECT_EQ(AddBackslash(QString()), QString());
    EXPECT_EQ(AddBackslash(QStringLiteral("/tmp")), QStringLiteral("/tmp/"));
    EXPECT_EQ(AddBackslash(QStringLiteral("/tmp/")), QStringLiteral("/tmp/"));
}

TEST(Global, ProgramFolderFollowsQuillonHome)
{
    quillon::test::TempHome home;
    EXPECT_EQ(ProgramFolder(), AddBackslash(home.path()));
}

TEST(Global, FileSizeOfMissingFileIsMinusOne)
{
    quillon::test::TempHome home;
    EXPECT_EQ(GetFileSizeByName(home.file(QStringLiteral("missing"))), -1);
    ASSERT_TRUE(quillon::test::writeFile(home.file(QStringLiteral("five")), "12345"));
    EXPECT_EQ(GetFileSizeByName(home.file(QStringLiteral("five"))), 5);
}

TEST(Global, FileInUseWhileSomeProcessHoldsIt)
{
    quillon::test::TempHome home;
    const QString path = home.file(QStringLiteral("held.wav"));
    EXPECT_FALSE(IsFileInUse(path));
    ASSERT_TRUE(quillon::test::writeFile(path, "data"));
    EXPECT_FALSE(IsFileInUse(path));
    {
        QFile ours(path);
        ASSERT_TRUE(ours.open(QIODevice::ReadOnly));
        EXPECT_TRUE(IsFileInUse(path));
    }
    EXPECT_FALSE(IsFileInUse(path));

    // Another process holding it under another name (a symbolic link) counts too.
    const QString link = home.file(QStringLiteral("link.wav"));
    ASSERT_TRUE(QFile::link(path, link));
    QProcess sleeper;
    sleeper.setStandardInputFile(link);
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.waitForStarted());
    EXPECT_TRUE(IsFileInUse(path));
    sleeper.kill();
    sleeper.waitForFinished();
    EXPECT_FALSE(IsFileInUse(path));
}
