#pragma once
// Command lines of the external encoders, built from the settings. Pure: the
// processes start the program with the argument list, and the text form is
// what the log shows.

#include <QString>
#include <QStringList>

struct TOptionsSetting;

// lame's arguments for encoding WAV to MP3:
// -b <BitRate> [-m s|j|f|d|m] [-f|-h] [-V <VBRQuality> -B <MaxBitRate> [-t]] in out
QStringList Mp3EncodeArguments(const TOptionsSetting& options, const QString& inputFile,
                               const QString& outputFile);
// lame's arguments for decoding MP3 to WAV: --decode in out.
QStringList Mp3DecodeArguments(const QString& inputFile, const QString& outputFile);

// The WMA utility's arguments. Corrects an out-of-range WMABitRate to the
// default profile in options itself. Author and description come from the
// disc record when UseID3 is on, each as one argument whatever it holds.
QStringList WmaEncodeArguments(TOptionsSetting& options, const QString& inputFile,
                               const QString& outputFile);

// One line for the log: program and arguments separated by blanks; file paths
// and arguments with blanks or quotes are shown in double quotes.
QString CommandLineText(const QString& program, const QStringList& arguments);
