#pragma once
// The WMA encoder process: runs quillon-wmaenc on a WAV file. The utility
// prints "100%" when its output is complete and a line with "ERROR" when it
// fails; nothing else of its output is read.
//
// Reports (TProcessInfo as WM_PROCESSINFO):
//   100/0     posted: the output is complete; both texts the elapsed time
//   5000/0    sent: the user declined to overwrite, or the utility is missing
//             (the message box has been shown)
//   5000/1    sent: the output is in use
//   5000/2    sent: the child has ended (Message says how when it failed
//             without printing an error line)
//   5000/8    sent: the utility printed an error line, in ElapsedText
// The end reports are sent, so the job window's handler runs inside the call
// that produced them and may start the next step on this same object.
//
// Threads: UI thread only (see TEncoderProcess).

#include "encoder_process.h"

class TWMAEncodeProcess : public TEncoderProcess {
    Q_OBJECT
public:
    static constexpr const char* kProgramName = "quillon-wmaenc";

    explicit TWMAEncodeProcess(QObject* parent = nullptr);

    // Begins one step; returns at once (or after the end report, when the
    // step ends before anything starts). Throws EEncoderError when the
    // utility was found but cannot be started.
    void StartEncoder();

protected:
    void parseLine(const QByteArray& line) override;
    void ProcessEnded() override;
};
