#include "encoder_commands.h"

#include "settings/options_setting.h"
#include "settings/wma_profile_table.h"

#include <algorithm>

QStringList Mp3EncodeArguments(const TOptionsSetting& options, const QString& inputFile,
                               const QString& outputFile)
{
    QStringList args{QStringLiteral("-b"), QString::number(options.BitRate)};

    static const char* const stereoModes[] = {"s", "j", "f", "d", "m"};
    if (options.StereoMode >= 0 && options.StereoMode < 5)
        args << QStringLiteral("-m") << QLatin1String(stereoModes[options.StereoMode]);

    if (options.MpegQuality == 1)
        args << QStringLiteral("-f");
    else if (options.MpegQuality == 2)
        args << QStringLiteral("-h");

    if (options.IsSelectVBR) {
        args << QStringLiteral("-V") << QString::number(options.VBRQuality) << QStringLiteral("-B")
             << QString::number(options.MaxBitRate);
        if (options.IsVBRHead)
            args << QStringLiteral("-t");
    }
    args << inputFile << outputFile;
    return args;
}

QStringList Mp3DecodeArguments(const QString& inputFile, const QString& outputFile)
{
    return {QStringLiteral("--decode"), inputFile, outputFile};
}

QStringList WmaEncodeArguments(TOptionsSetting& options, const QString& inputFile,
                               const QString& outputFile)
{
    const int profile = CorrectWmaProfile(options.WMABitRate);
    const auto code = kWmaProfileCodes[static_cast<size_t>(profile)];
    QStringList args{QStringLiteral("-input"),     inputFile,
                     QStringLiteral("-output"),    outputFile,
                     QStringLiteral("-a_setting"), QString::fromLatin1(code.data(), code.size())};
    if (options.UseID3) {
        if (!options.CDInfo.Artist.isEmpty())
            args << QStringLiteral("-author") << options.CDInfo.Artist;
        if (!options.CDInfo.Comment.isEmpty())
            args << QStringLiteral("-description") << options.CDInfo.Comment;
    }
    return args;
}

QString CommandLineText(const QString& program, const QStringList& arguments)
{
    QString text = program;
    for (const QString& arg : arguments) {
        const bool quote =
            arg.isEmpty() || arg.contains(QLatin1Char('/')) || arg.contains(QLatin1Char('"')) ||
            std::any_of(arg.cbegin(), arg.cend(), [](QChar c) { return c.isSpace(); });
        text += QLatin1Char(' ');
        if (quote) {
            QString escaped = arg;
            escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
            text += QLatin1Char('"') + escaped + QLatin1Char('"');
        } else {
            text += arg;
        }
    }
    return text;
}
