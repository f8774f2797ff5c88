#include "recorder/recorder_rules.h"

#include "support/test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using quillon::test::writeFile;

TEST(RecorderRules, TimeLabelsClocksAndWaits)
{
    const struct {
        qint64 ms;
        const char* label;
    } labels[] = {
        {0, "0 Sec"},
        {5000, "5 Sec"},
        {12345, "12.3 Sec"},
        {59999, "60 Sec"},
        {60000, "1 Min"},
        {120000, "2 Min"},
        {61000, "1 Min1 Sec"},
        {3600000, "1Hour"},
        {3723000, "1Hour2 Min3 Sec"},
        {3601000, "1Hour1 Sec"},
    };
    for (const auto& c : labels)
        EXPECT_EQ(RecordTimeLabel(c.ms), QString::fromLatin1(c.label)) << c.ms;

    const struct {
        qint64 ms;
        const char* clock;
    } clocks[] = {{0, "00:00:00.0"}, {65300, "00:01:05.3"}, {3723999, "01:02:03.9"}};
    for (const auto& c : clocks)
        EXPECT_EQ(RecordClockText(c.ms), QString::fromLatin1(c.clock)) << c.ms;

    const struct {
        qint64 recordMs, wait;
    } waits[] = {{300, 700}, {50, 0}, {100, 0}, {101, 899}, {999, 1}};
    for (const auto& c : waits)
        EXPECT_EQ(RecordStopWait(c.recordMs), c.wait) << c.recordMs;

    EXPECT_EQ(TrackBarTime(10000, 200), 5000);
    EXPECT_EQ(TrackBarTime(10001, 399), 9975);
}

TEST(RecorderRules, RecordingControlPrefersPavucontrolThenAlsamixerInATerminal)
{
    const QByteArray oldPath = qgetenv("PATH");
    const struct {
        QStringList programs;
        const char* expected; // program started, or null for none
    } cases[] = {
        {{QStringLiteral("pavucontrol"), QStringLiteral("alsamixer"),
          QStringLiteral("x-terminal-emulator")},
         "pavucontrol"},
        {{QStringLiteral("alsamixer"), QStringLiteral("x-terminal-emulator")},
         "x-terminal-emulator"},
        {{QStringLiteral("alsamixer")}, nullptr},
        {{QStringLiteral("x-terminal-emulator")}, nullptr},
        {{}, nullptr},
    };
    for (const auto& c : cases) {
        QTemporaryDir bin;
        for (const QString& p : c.programs) {
            const QString path = bin.filePath(p);
            ASSERT_TRUE(writeFile(path, "#!/bin/sh\n"));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toUtf8());
        const auto found = FindRecordingControl();
        qputenv("PATH", oldPath);
        SCOPED_TRACE(c.programs.join(QLatin1Char(' ')).toStdString());
        if (!c.expected) {
            EXPECT_FALSE(found.has_value());
            continue;
        }
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->program, QString::fromLatin1(c.expected));
        EXPECT_FALSE(found->arguments.isEmpty());
    }
}
