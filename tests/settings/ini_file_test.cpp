#include "settings/ini_file.h"

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <stdexcept>

#include <unistd.h>

namespace {

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TIniFile iniFrom(const QByteArray& text)
{
    TIniFile ini(QString{});
    ini.setData(text);
    return ini;
}

// Runs f, expecting std::runtime_error; returns its message.
template <typename F> std::string thrownMessage(F&& f)
{
    try {
        f();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

} // namespace

TEST(IniFile, ReadsLikeAPrivateProfile)
{
    const QByteArray file = "\xEF\xBB\xBF; a comment\r\n"
                            "[Main]\r\n"
                            "Text=abc\r\n"
                            "Empty=\r\n"
                            "Spaced =  two words  \r\n"
                            "Quoted=\"  kept  \"\r\n"
                            "Single='x'\r\n"
                            "Hex=0x40\r\n"
                            "HexUpper=0X1f\r\n"
                            "AllBits=0xFFFFFFFF\r\n"
                            "Negative=-5\r\n"
                            "Plus=+7\r\n"
                            "Padded=  42  \r\n"
                            "Trailing=12abc\r\n"
                            "Word=yes\r\n"
                            "TooBig=99999999999\r\n"
                            "HexOnly=0x\r\n"
                            "HexTooLong=0x123456789\r\n"
                            "Latin1=Caf\xE9\r\n"
                            "Utf8=Caf\xC3\xA9 \xE6\x97\xA5\r\n"
                            "Dup=first\r\n"
                            "dup=second\r\n"
                            ";Commented=zzz\r\n"
                            "[main]\r\n"
                            "Later=hidden by the first section\r\n";
    const TIniFile ini = iniFrom(file);
    const QString main = s("mAIN");

    const struct {
        const char* key;
        const char* text; // expected text, or nullptr for the default
        qint32 number;    // expected integer (default 1234)
    } cases[] = {
        {"TEXT", "abc", 1234},         {"Empty", "", 1234},
        {"Spaced", "two words", 1234}, {"Quoted", "  kept  ", 1234},
        {"Single", "x", 1234},         {"Hex", "0x40", 64},
        {"HexUpper", "0X1f", 31},      {"AllBits", "0xFFFFFFFF", -1},
        {"Negative", "-5", -5},        {"Plus", "+7", 7},
        {"Padded", "42", 42},          {"Trailing", "12abc", 1234},
        {"Word", "yes", 1234},         {"TooBig", "99999999999", 1234},
        {"HexOnly", "0x", 1234},       {"HexTooLong", "0x123456789", 1234},
        {"Latin1", "Café", 1234},      {"Utf8", "Café 日", 1234},
        {"Dup", "first", 1234},        {"Commented", nullptr, 1234},
        {"Later", nullptr, 1234},      {"Missing", nullptr, 1234},
    };
    for (const auto& c : cases) {
        const QString key = QString::fromLatin1(c.key);
        const QString expected = c.text ? s(c.text) : s("default");
        EXPECT_EQ(ini.readString(main, key, s("default")), expected) << c.key;
        EXPECT_EQ(ini.readInteger(main, key, 1234), c.number) << c.key;
        EXPECT_EQ(ini.valueExists(main, key), c.text != nullptr) << c.key;
    }
    EXPECT_TRUE(ini.readBool(main, s("Hex"), false));
    EXPECT_FALSE(ini.readBool(main, s("Word"), false));
    EXPECT_TRUE(ini.readBool(main, s("Word"), true));
    EXPECT_EQ(ini.keys(main).size(), 19);
    EXPECT_FALSE(ini.sectionExists(s("Other")));
}

TEST(IniFile, LongValuesArriveCutTo2047Characters)
{
    const QByteArray longValue(3000, 'v');
    TIniFile ini = iniFrom("[S]\nK=" + longValue + "\n");
    EXPECT_EQ(ini.readString(s("S"), s("K"), {}).size(), 2047);

    // A character outside the BMP at the cut is not split in half.
    QString text = QString(2046, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600");
    ini.writeString(s("S"), s("Emoji"), text);
    const QString read = ini.readString(s("S"), s("Emoji"), {});
    EXPECT_EQ(read, QString(2046, QLatin1Char('a')));
}

TEST(IniFile, WrittenValuesReadBackExactly)
{
    const char* values[] = {
        "plain",
        "  leading and trailing  ",
        "\"quoted\"",
        "'single'",
        "\"",
        "a=b=c",
        ";semicolon",
        "[bracket]",
        "Ünïcödé 日本語",
        "",
        "0x10",
    };
    TIniFile ini = iniFrom({});
    int n = 0;
    for (const char* v : values)
        ini.writeString(s("S"), QString::number(n++), s(v));
    const TIniFile reread = iniFrom(ini.data());
    n = 0;
    for (const char* v : values)
        EXPECT_EQ(reread.readString(s("S"), QString::number(n++), s("missing")), s(v)) << v;

    // A line break would start a key of its own; it becomes a space.
    ini.writeString(s("S"), s("Title"), s("one\nInjected=1\r\ntwo"));
    const TIniFile broken = iniFrom(ini.data());
    EXPECT_FALSE(broken.valueExists(s("S"), s("Injected")));
    EXPECT_EQ(broken.readString(s("S"), s("Title"), {}), s("one Injected=1  two"));
}

TEST(IniFile, UntouchedLinesAreKeptByteForByte)
{
    const QByteArray before = "; keep me\n"
                              "[Disc1]\n"
                              "Artist=Someone\n"
                              "Unknown = odd  spacing\n"
                              "\n"
                              "[Other]\n"
                              "X=\xE9\n";
    TIniFile ini = iniFrom(before);
    ini.writeString(s("disc1"), s("ARTIST"), s("Changed"));
    ini.writeString(s("Disc1"), s("New"), s("added"));
    ini.writeInteger(s("Third"), s("N"), -3);
    EXPECT_EQ(ini.data(), QByteArray("; keep me\n"
                                     "[Disc1]\n"
                                     "ARTIST=Changed\n"
                                     "Unknown = odd  spacing\n"
                                     "New=added\n"
                                     "\n"
                                     "[Other]\n"
                                     "X=\xE9\n"
                                     "[Third]\n"
                                     "N=-3\n"));
}

TEST(IniFile, CorruptFilesLoadWithoutCrashing)
{
    quillon::test::TempHome home;
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += char((i * 7919 + i / 13) & 0xFF);
    const QByteArray files[] = {
        binary,
        QByteArray("[unterminated\nK=v\n[\n]=\n=novalue\n\0\0[S]\0K=\0v\n", 40),
        QByteArray(5000, '['),
        QByteArray(5000, '='),
        QByteArray(100000, '\n'),
    };
    for (const QByteArray& contents : files) {
        const QString path = home.file(s("corrupt.ini"));
        ASSERT_TRUE(quillon::test::writeFile(path, contents));
        TIniFile ini(path);
        EXPECT_EQ(ini.readInteger(s("Mp3Options"), s("BitRate"), 128), 128);
        ini.writeInteger(s("Mp3Options"), s("BitRate"), 192);
        ini.updateFile();
        EXPECT_EQ(TIniFile(path).readInteger(s("Mp3Options"), s("BitRate"), 128), 192);
    }
    // A folder where the file should be is no file at all.
    QDir(home.path()).mkdir(s("folder.ini"));
    EXPECT_EQ(TIniFile(home.file(s("folder.ini"))).readString(s("S"), s("K"), s("d")), s("d"));
}

TEST(IniFile, FailedSaveThrowsAndKeepsThePreviousFile)
{
    quillon::test::TempHome home;
    const QString path = home.file(s("keep.ini"));
    const QByteArray previous = "[S]\nK=old\n";
    ASSERT_TRUE(quillon::test::writeFile(path, previous));

    TIniFile ini(path);
    ini.writeString(s("S"), s("K"), QString(4096, QLatin1Char('n')));
    {
        // The temporary file cannot grow past 64 bytes.
        quillon::test::ScopedFileSizeLimit limit(64);
        EXPECT_EQ(thrownMessage([&] { ini.updateFile(); }),
                  "Unable to write to " + path.toStdString());
    }
    EXPECT_EQ(quillon::test::readFile(path), previous);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{s("keep.ini")});

    // A folder that does not exist cannot take the file.
    TIniFile nowhere(home.file(s("missing/sub/x.ini")));
    nowhere.writeInteger(s("S"), s("K"), 1);
    EXPECT_EQ(thrownMessage([&] { nowhere.updateFile(); }),
              "Unable to write to " + home.file(s("missing/sub/x.ini")).toStdString());
}

TEST(IniFile, UnwritableFolderThrows)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    quillon::test::TempHome home;
    const QString path = home.file(s("keep.ini"));
    ASSERT_TRUE(quillon::test::writeFile(path, "[S]\nK=old\n"));
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::ExeOwner);
    TIniFile ini(path);
    ini.writeString(s("S"), s("K"), s("new"));
    EXPECT_EQ(thrownMessage([&] { ini.updateFile(); }), "Unable to write to " + path.toStdString());
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(quillon::test::readFile(path), QByteArray("[S]\nK=old\n"));
}
