#include "encoder_process.h"

#include "encoder_commands.h"
#include "encoder_texts.h"
#include "settings/global.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

TEncoderProcess::TEncoderProcess(const QString& programName, QObject* parent)
    : QObject(parent), ProgramFolders{ExecutableFolder()}, m_programName(programName)
{}

TEncoderProcess::~TEncoderProcess()
{
    if (Active)
        StopEncoder();
    endStep(true);
}

void TEncoderProcess::prepareStep(QObject* receiver, const QString& input, const QString& output,
                                  bool encode, quint8 jobKind)
{
    Active = true;
    ReportWindow = receiver;
    InputFile = input;
    OutputFile = output;
    EncodeMode = encode;
    JobKind = jobKind;
}

QString TEncoderProcess::findProgram() const
{
    for (const QString& folder : ProgramFolders) {
        if (folder.isEmpty())
            continue;
        const QFileInfo candidate(QDir(folder).filePath(m_programName));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(m_programName);
}

void TEncoderProcess::launch(const QString& program, const QStringList& arguments)
{
    // A step still watched here would report into the new one; drop it.
    endStep(true);
    ++m_step;
    m_outLines = TLineSplitter();
    m_errLines = TLineSplitter();
    m_lastLine.clear();
    m_exitCode = 0;
    m_crashed = false;
    m_commandLine = CommandLineText(program.isEmpty() ? m_programName : program, arguments);

    const auto fail = [](int number) {
        throw EEncoderError((EncoderText(RES_CreateProcess_Error, kCreateProcessErrorDefault) +
                             QString::number(number))
                                .toStdString());
    };
    if (program.isEmpty())
        fail(ENOENT);

    auto* process = new QProcess(this);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    process->start(QIODevice::ReadOnly);
    if (!process->waitForStarted(10000)) {
        const QFileInfo info(program);
        const int number = !info.exists() ? ENOENT : !info.isExecutable() ? EACCES : EIO;
        process->kill();
        process->waitForFinished(1000);
        delete process;
        fail(number);
    }

    m_clock.start();
    m_process = process;
    connect(process, &QProcess::readyReadStandardOutput, this,
            [this] { readChannel(QProcess::StandardOutput); });
    connect(process, &QProcess::readyReadStandardError, this,
            [this] { readChannel(QProcess::StandardError); });
    connect(process, &QProcess::finished, this, &TEncoderProcess::childFinished);
}

void TEncoderProcess::readChannel(QProcess::ProcessChannel channel)
{
    if (!m_process)
        return;
    const quint64 step = m_step;
    if (channel == QProcess::StandardOutput)
        feedLines(m_outLines, m_process->readAllStandardOutput(), step);
    else
        feedLines(m_errLines, m_process->readAllStandardError(), step);
}

void TEncoderProcess::feedLines(TLineSplitter& splitter, const QByteArray& chunk, quint64 step)
{
    for (const QByteArray& line : splitter.feed(chunk)) {
        if (IsBlankLine(line))
            continue;
        if (!isProgressLine(line))
            m_lastLine = line;
        parseLine(line);
        // An error line may have ended the step, and the report's handler
        // may have started the next one: the rest is not ours to parse.
        if (m_step != step || !m_process)
            return;
    }
}

void TEncoderProcess::childFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!m_process)
        return;
    const quint64 step = m_step;
    // Whatever is still buffered is parsed before the end is reported; a last
    // line without its end counts as a line.
    feedLines(m_outLines, m_process->readAllStandardOutput(), step);
    if (m_step == step && m_process)
        feedLines(m_errLines, m_process->readAllStandardError(), step);
    for (TLineSplitter* splitter : {&m_outLines, &m_errLines}) {
        if (m_step != step || !m_process)
            return;
        const QByteArray rest = splitter->flush();
        if (!IsBlankLine(rest)) {
            if (!isProgressLine(rest))
                m_lastLine = rest;
            parseLine(rest);
        }
    }
    if (m_step != step || !m_process)
        return;
    m_exitCode = exitCode;
    m_crashed = status == QProcess::CrashExit;
    endStep();
    ProcessEnded();
}

void TEncoderProcess::endStep(bool kill)
{
    QProcess* process = m_process;
    m_process = nullptr;
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    if (kill) {
        process->terminate();
        if (!process->waitForFinished(2000)) {
            process->kill();
            process->waitForFinished(2000);
        }
        process->deleteLater();
        return;
    }
    // Let it end by itself; it is reaped and freed then (or killed with us).
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
}

void TEncoderProcess::StopEncoder()
{
    if (!Active)
        return;
    Active = false;
    endStep(true);
}

QString TEncoderProcess::failureText(const QString& programName) const
{
    QString text;
    if (m_crashed)
        text = programName + QStringLiteral(" was stopped by a signal");
    else if (m_exitCode != 0)
        text = programName + QStringLiteral(" failed with exit code %1").arg(m_exitCode);
    if (!text.isEmpty() && !m_lastLine.isEmpty())
        text += QStringLiteral(": ") + WithoutTerminalEscapes(QString::fromLocal8Bit(m_lastLine));
    return text;
}

double TEncoderProcess::elapsedSeconds() const
{
    return m_clock.isValid() ? static_cast<double>(m_clock.elapsed()) / 1000.0 : 0.0;
}

std::unique_ptr<TProcessInfo> TEncoderProcess::endReport(qint32 stepCode, qint32 result,
                                                         const QString& line)
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = stepCode;
    info->StepResult = result;
    info->Message = line;
    return info;
}

void TEncoderProcess::report(std::unique_ptr<TProcessInfo> info) const
{
    if (ReportWindow)
        postProcessInfo(ReportWindow, std::move(info));
}
