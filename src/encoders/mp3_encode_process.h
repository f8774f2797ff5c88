#pragma once
// The MP3 encoder process: runs lame to encode a WAV file to MP3 or to decode
// an MP3 file to WAV, turns its progress lines into progress reports and the
// end of the child into the end report 2000, all posted to ReportWindow.
//
// Reports (TProcessInfo, posted as WM_PROCESSINFO):
//   progress  Percent 1..100, ElapsedText, EstimatedText; one report per
//             percentage, however many lines lame prints
//   2000/2    the child has ended; when it failed (non-zero exit, killed by a
//             signal) Message says how, with its last line
// OutputFile is written as it is; the job engine has asked about an existing
// file of the final name and hands over a temporary one.
//
// Threads: UI thread only (see TEncoderProcess).

#include "encoder_process.h"
#include "lame_output_parser.h"
#include "settings/options_setting.h"

class TMp3EncodeProcess : public TEncoderProcess {
    Q_OBJECT
public:
    static constexpr const char* kProgramName = "lame";

    explicit TMp3EncodeProcess(QObject* parent = nullptr);

    // Begins one step with these settings (a job passes its own copy);
    // returns at once. Throws EEncoderError when lame cannot be found or
    // started (nothing is reported then).
    void StartEncoder(const TOptionsSetting& options = OptionsSetting);

    // The arguments the next step would get with these settings.
    QStringList currentArguments(const TOptionsSetting& options = OptionsSetting) const;

protected:
    void parseLine(const QByteArray& line) override;
    bool isProgressLine(const QByteArray& line) const override;
    void ProcessEnded() override;

private:
    TLameEncodeParser m_encodeParser;
    TLameDecodeParser m_decodeParser;
    // The percentage of the last progress report of this step.
    int m_lastPercent = 0;
};
