#pragma once
// The ground of the command-line tests that look titles up: a two-track disc
// image whose stored titles are "Stored One" and "Stored Two", a program
// folder of its own, and the built quillon run with both while the test's
// process (and the servers it started) keeps running.

#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

struct CliDiscE2E : ::testing::Test {
    QTemporaryDir work;
    QString home;
    QString cue;

    // extra: more quillon-discgen arguments (CD-Text, say). Skips the test
    // when the programs are not built; callers check IsSkipped() and
    // HasFatalFailure() after it.
    void makeDisc(const QStringList& extra = {})
    {
        const QString bin = quillon::test::binDir();
        if (!QFile::exists(bin + QStringLiteral("/quillon")))
            GTEST_SKIP() << "quillon is not built";
        home = work.filePath(QStringLiteral("home"));
        QDir().mkpath(home);
        // Tests that verify write options of their own.
        ASSERT_TRUE(quillon::test::writeFile(home + QStringLiteral("/options.ini"),
                                             quillon::test::kPlainReadsIni));
        cue = work.filePath(QStringLiteral("disc.cue"));
        ASSERT_EQ(QProcess::execute(
                      bin + QStringLiteral("/quillon-discgen"),
                      QStringList{cue, QStringLiteral("1s:tone:440"), QStringLiteral("1s:tone:550"),
                                  QStringLiteral("--titles"), home + QStringLiteral("/cdinfo.dat"),
                                  QStringLiteral("--title"), QStringLiteral("Stored One"),
                                  QStringLiteral("--title"), QStringLiteral("Stored Two")} +
                          extra),
                  0);
    }
    // The exit status, or -1 when quillon did not end normally within two minutes.
    int quillon(const QStringList& args, QString* out = nullptr, QString* err = nullptr) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLON_HOME"), home);
        env.remove(QStringLiteral("QUILLON_CD_IMAGES"));
        p.setProcessEnvironment(env);
        p.start(quillon::test::binDir() + QStringLiteral("/quillon"), args);
        p.closeWriteChannel();
        p.waitForFinished(120000);
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};
