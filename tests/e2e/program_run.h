#pragma once
// Runs a program of the build as a user would from a script: standard input
// at its end (no terminal), both outputs collected, the exit status kept.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace quillon::test {

struct ProgramRun {
    int code = -1; // -1: killed by a signal or not finished
    QString out;
    QString err;
};

// childSetup runs in the child before the program starts (limits and the like).
inline ProgramRun runProgram(const QString& program, const QStringList& args,
                             const QProcessEnvironment& env,
                             const std::function<void()>& childSetup = {})
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProgram(program);
    p.setArguments(args);
    if (childSetup)
        p.setChildProcessModifier(childSetup);
    p.start();
    p.closeWriteChannel();
    p.waitForFinished(240000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace quillon::test
