#pragma once
// The WMA encoder process: runs quillon-wmaenc on a WAV file. The utility
// prints "100%" when its output is complete and a line with "ERROR" when it
// fails; nothing else of its output is read.
//
// Reports (TProcessInfo, posted as WM_PROCESSINFO, all through one queue so
// that the 100 % always arrives before the end of its step):
//   100/0     the output is complete; both texts the elapsed time
//   5000/0    the utility is missing; Message says so
//   5000/2    the child has ended (Message says how when it failed
//             without printing an error line)
//   5000/8    the utility printed an error line, in Message
// An error line ends the step at once: nothing more of it is parsed or
// reported, so a next step started from the report's handler never hears
// from the old one.
//
// Threads: UI thread only (see TEncoderProcess).

#include "encoder_process.h"
#include "settings/options_setting.h"

class TWMAEncodeProcess : public TEncoderProcess {
    Q_OBJECT
public:
    static constexpr const char* kProgramName = "quillon-wmaenc";

    explicit TWMAEncodeProcess(QObject* parent = nullptr);

    // Begins one step with these settings (a job passes its own copy);
    // returns at once. Throws EEncoderError when the utility was found but
    // cannot be started.
    void StartEncoder(const TOptionsSetting& options = OptionsSetting);

protected:
    void parseLine(const QByteArray& line) override;
    bool isProgressLine(const QByteArray& line) const override;
    void ProcessEnded() override;
};
