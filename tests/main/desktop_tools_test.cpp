#include "main/desktop_tools.h"
#include "main/wine_registry.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using quillon::test::readFile;
using quillon::test::TempHome;
using quillon::test::writeFile;

namespace {
QString q(const char* s)
{
    return QString::fromUtf8(s);
}
} // namespace

TEST(VolumeControl, PrefersPavucontrolThenAlsamixerInATerminal)
{
    const struct {
        QStringList installed;
        QStringList command;
    } cases[] = {
        {{q("pavucontrol"), q("alsamixer"), q("xterm")}, {q("/bin/pavucontrol")}},
        {{q("alsamixer"), q("xterm")}, {q("/bin/xterm"), q("-e"), q("alsamixer")}},
        {{q("alsamixer"), q("gnome-terminal")},
         {q("/bin/gnome-terminal"), q("--"), q("alsamixer")}},
        {{q("alsamixer")}, {}},
        {{q("xterm")}, {}},
    };
    for (const auto& c : cases) {
        const auto find = [&](const QString& name) {
            return c.installed.contains(name) ? q("/bin/") + name : QString();
        };
        EXPECT_EQ(VolumeControlCommand(find), c.command) << c.installed.join(q(",")).toStdString();
    }
}

TEST(WineRegistry, ClearsRecentListsAndKeepsEverythingElse)
{
    const QByteArray head = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1\n\n"
                            "#arch=win64\n\n";
    const QByteArray other = "[Software\\\\Other] 1700000000\n#time=1d\n\"a\"=\"b\"\n\n";
    auto clip = [](int k) {
        return "[Software\\\\RealNetworks\\\\RealPlayer\\\\6.0\\\\Preferences\\\\MostRecentClips" +
               QByteArray::number(k) + "] 1700000000\n@=\"C:\\\\clip.rm\"\n\n";
    };
    const QByteArray wmp = "[Software\\\\Microsoft\\\\MediaPlayer\\\\Player\\\\RecentFileList] 17\n"
                           "\"File0\"=\"C:\\\\a.wma\"\n\"file1\"=hex:01,02,\\\n  03,04\n"
                           "\"File2\"=\"C:\\\\c.wma\"\n\"Keep\"=\"x\"\n\n";
    const struct {
        QByteArray content;
        bool realPlayer;
        int count;
        QByteArray after;
    } cases[] = {
        {head + clip(1) + clip(2) + clip(3) + other, true, 3, head + other},
        {head + clip(2) + other, true, 0, head + clip(2) + other}, // stops at the first missing
        {head + clip(1) + clip(3) + other, true, 1, head + clip(3) + other},
        {head + wmp + other, false, 3,
         head +
             "[Software\\\\Microsoft\\\\MediaPlayer\\\\Player\\\\RecentFileList] 17\n"
             "\"Keep\"=\"x\"\n\n" +
             other},
        {head + other, false, 0, head + other},
    };
    for (const auto& c : cases) {
        TempHome home;
        const QString path = home.file(q("user.reg"));
        ASSERT_TRUE(writeFile(path, c.content));
        TWineRegistry registry;
        ASSERT_TRUE(registry.load(path));
        const int count =
            c.realPlayer ? ClearRealPlayerHistory(registry) : ClearMediaPlayerHistory(registry);
        EXPECT_EQ(count, c.count);
        ASSERT_TRUE(registry.save());
        EXPECT_EQ(readFile(path), c.after);
    }
}

TEST(WineRegistry, KeysWithSubkeysStay)
{
    TempHome home;
    const QString path = home.file(q("user.reg"));
    const QByteArray content = "[A\\\\B] 1\n\"x\"=\"1\"\n\n[A\\\\B\\\\C] 1\n\n";
    ASSERT_TRUE(writeFile(path, content));
    TWineRegistry registry;
    ASSERT_TRUE(registry.load(path));
    EXPECT_FALSE(registry.deleteKey(q("A\\B")));
    EXPECT_TRUE(registry.deleteKey(q("\\a\\b\\c\\")));
    EXPECT_TRUE(registry.keyExists(q("A\\B")));
}
