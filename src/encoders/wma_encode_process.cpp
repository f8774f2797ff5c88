#include "wma_encode_process.h"

#include "encoder_commands.h"
#include "encoder_texts.h"
#include "settings/global.h"
#include "wma_output_parser.h"

TWMAEncodeProcess::TWMAEncodeProcess(QObject* parent)
    : TEncoderProcess(QString::fromLatin1(kProgramName), parent)
{}

void TWMAEncodeProcess::StartEncoder(const TOptionsSetting& options)
{
    const QString program = findProgram();
    if (program.isEmpty()) {
        auto info = endReport(scWmaDone, kEncoderMissing);
        info->Message = EncoderText(RES_NoWmaEncoder, kNoWmaEncoderDefault);
        report(std::move(info));
        return;
    }
    // The arguments correct a profile outside the table, in a copy: the
    // settings of a running job are not ours to change.
    TOptionsSetting corrected = options;
    launch(program, WmaEncodeArguments(corrected, InputFile, OutputFile));
}

void TWMAEncodeProcess::parseLine(const QByteArray& line)
{
    switch (ClassifyWmaLine(line)) {
    case TWmaLineKind::Error:
        // The old step is over before the report is handled, so a next step
        // started from the handler never hears from this one again.
        endStep();
        report(endReport(scWmaDone, kEncoderError, QString::fromLocal8Bit(line)));
        return;
    case TWmaLineKind::Finished: {
        const QString text = TimeText(WmaFinishedSeconds(elapsedSeconds()));
        auto info = std::make_unique<TProcessInfo>();
        info->Percent = 100;
        info->ElapsedText = text;
        info->EstimatedText = text;
        report(std::move(info));
        return;
    }
    case TWmaLineKind::Other:
        return;
    }
}

bool TWMAEncodeProcess::isProgressLine(const QByteArray& line) const
{
    return line.startsWith("Encoding:") || line.contains("100%");
}

void TWMAEncodeProcess::ProcessEnded()
{
    auto info = endReport(scWmaDone, kEncoderEnded);
    // A utility that died without its error line still failed.
    info->Message = failureText(QString::fromLatin1(kProgramName));
    report(std::move(info));
}
