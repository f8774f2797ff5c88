#pragma once
// What the MP3 and WMA encoder processes share: the fields set before each
// step, finding the program, starting it with an argument vector,
// cutting its output into lines, and ending a step (by the child's exit, by an
// error line, or by a stop).
//
// Threads: every call and every callback runs on the thread that owns the
// object (the UI thread). QProcess delivers the child's output and its exit
// through the event loop, so no watcher thread of our own is needed; the last
// output is always parsed before the end of the step is reported.
//
// The child runs in a process group of its own, so that a Ctrl+C on the
// terminal reaches only this program, which then stops the step itself, and
// it is sent SIGTERM if this program dies.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include "line_splitter.h"
#include "settings/process_info.h"

#include <memory>
#include <stdexcept>

// A step could not be started; what() is the user-visible text.
class EEncoderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TEncoderProcess : public QObject {
    Q_OBJECT
public:
    ~TEncoderProcess() override;

    // Set by prepareStep before each step.
    bool Active = false;
    QObject* ReportWindow = nullptr;
    QString InputFile;
    QString OutputFile;
    bool EncodeMode = true;
    quint8 JobKind = 0;

    // Sets the fields of one step and marks it active.
    void prepareStep(QObject* receiver, const QString& input, const QString& output, bool encode,
                     quint8 jobKind);

    // Folders searched for the program before PATH; the executable's folder
    // unless changed (tests change it).
    QStringList ProgramFolders;

    // Ends the running step at once: the child is terminated and no end report
    // follows. Does nothing unless Active.
    void StopEncoder();

    // True while a child of the current step is alive and watched.
    bool isRunning() const { return m_process != nullptr; }
    // The command line of the last step started, for the log.
    QString lastCommandLine() const { return m_commandLine; }
    // Where the program would be started from now; empty when not found.
    QString findProgram() const;

protected:
    TEncoderProcess(const QString& programName, QObject* parent);

    // Starts program with arguments; throws EEncoderError with the
    // process-creation text when it cannot be started.
    void launch(const QString& program, const QStringList& arguments);

    // One line of the child's output (stdout or stderr), never blank.
    virtual void parseLine(const QByteArray& line) = 0;
    // True for the child's progress lines, which never explain a failure.
    virtual bool isProgressLine(const QByteArray& line) const = 0;
    // The child has ended and its last output has been parsed.
    virtual void ProcessEnded() = 0;

    // Forgets the running child without a report; the child is left to end
    // on its own (and reaped then) unless kill is set.
    void endStep(bool kill = false);

    double elapsedSeconds() const;
    // How the last child failed (exit code or signal, and its last line
    // that is no progress line, without terminal escapes); empty when it
    // exited with 0.
    QString failureText(const QString& programName) const;

    // Posts a report to ReportWindow. Every report of a step, its end
    // included, goes through the same queue, so they arrive in the order
    // they were made.
    void report(std::unique_ptr<TProcessInfo> info) const;
    // An end report: step code, result, and (WMA errors) the utility's line.
    static std::unique_ptr<TProcessInfo> endReport(qint32 stepCode, qint32 result,
                                                   const QString& line = {});

private:
    void readChannel(QProcess::ProcessChannel channel);
    void feedLines(TLineSplitter& splitter, const QByteArray& chunk, quint64 step);
    void childFinished(int exitCode, QProcess::ExitStatus status);

    QString m_programName;
    QProcess* m_process = nullptr;
    TLineSplitter m_outLines;
    TLineSplitter m_errLines;
    QElapsedTimer m_clock;
    QString m_commandLine;
    QByteArray m_lastLine;
    int m_exitCode = 0;
    bool m_crashed = false;
    // Counts steps, so that a handler that started the next step from inside
    // a report is noticed and the old step's output is no longer parsed.
    quint64 m_step = 0;
};
