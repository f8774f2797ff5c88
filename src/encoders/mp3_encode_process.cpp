#include "mp3_encode_process.h"

#include "encoder_commands.h"

TMp3EncodeProcess::TMp3EncodeProcess(QObject* parent)
    : TEncoderProcess(QString::fromLatin1(kProgramName), parent)
{}

QStringList TMp3EncodeProcess::currentArguments(const TOptionsSetting& options) const
{
    return EncodeMode ? Mp3EncodeArguments(options, InputFile, OutputFile)
                      : Mp3DecodeArguments(InputFile, OutputFile);
}

void TMp3EncodeProcess::StartEncoder(const TOptionsSetting& options)
{
    m_encodeParser.reset();
    m_decodeParser.reset();
    m_lastPercent = 0;
    launch(findProgram(), currentArguments(options));
}

void TMp3EncodeProcess::parseLine(const QByteArray& line)
{
    const std::optional<TLameProgress> progress =
        EncodeMode ? m_encodeParser.parseLine(line)
                   : m_decodeParser.parseLine(line, elapsedSeconds());
    // lame prints a line per frame when decoding (thousands a second) and
    // several per percent when encoding: only a new percentage is news.
    if (!progress || progress->Percent == m_lastPercent)
        return;
    m_lastPercent = progress->Percent;
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = progress->Percent;
    info->ElapsedText = progress->ElapsedText;
    info->EstimatedText = progress->EstimatedText;
    report(std::move(info));
}

bool TMp3EncodeProcess::isProgressLine(const QByteArray& line) const
{
    return EncodeMode ? line.contains("%)") : line.contains("Frame#");
}

void TMp3EncodeProcess::ProcessEnded()
{
    auto info = endReport(scMp3Done, kEncoderEnded);
    // The job window judges a step by its progress reports; a lame that made
    // some progress and then failed (a full disk) must not pass for a success.
    info->Message = failureText(QString::fromLatin1(kProgramName));
    report(std::move(info));
}
