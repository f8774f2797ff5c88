#pragma once
// What the job engine talks to: the kinds of job, the view that renders a
// job's state (the job window, or a headless driver), and the external
// encoder objects it starts one step at a time.

#include <QString>

#include <vector>

class QObject;
struct TOptionsSetting;

enum class TJobKind : quint8 {
    Extract = 1,
    WavToMp3 = 2,
    Mp3ToWav = 3,
    RecordToMp3 = 4,
    WavToOgg = 5,
    WavToWma = 6,
    WavToFlac = 7,
    WavToOpus = 8,
};

// One running step as the view lists it: "Encoding(02/10): Title" and its
// percentage (-1 while unknown).
struct TStepLine {
    QString Text;
    int Percent = 0;
    bool operator==(const TStepLine&) const = default;
};

// Renders the state of a running job. Called on the UI thread only.
class IJobView {
public:
    virtual ~IJobView() = default;
    // The status line (the window title), e.g. "Extracting(01/03): Intro".
    virtual void setStatusLine(const QString& text) = 0;
    // The caption of the frame around the gauge, naming the current step.
    virtual void setFrameCaption(const QString& text) = 0;
    // The "Initializing..." line shown until a step reports progress.
    virtual void setInitializing(const QString& text, bool visible) = 0;
    // The gauge of the whole job, 0..100, and whether it shows its text.
    virtual void setProgress(int percent, bool showText) = 0;
    // The job's elapsed time and the estimate of its whole duration.
    virtual void setTimes(const QString& elapsed, const QString& estimated) = 0;
    // The steps running now (the track being read, each running encoder),
    // in the order they started; empty at the end.
    virtual void setStepLines(const std::vector<TStepLine>& lines) = 0;
    // The job has ended; the view closes (it may be called before it is shown).
    virtual void closeJob() = 0;
    // Item i's track was read and checked: its result line ("Track 03
    // accurately ripped (confidence 12)"); doubtful when the copy may be wrong.
    virtual void trackVerified(int /*item*/, const QString& /*line*/, bool /*doubtful*/) {}
    // Something the verification could not do (a database not reachable);
    // the rip goes on.
    virtual void verificationWarning(const QString& /*text*/) {}
};

// One kind of external encoder as the engine uses it: start a step with its
// files, mode and the job's settings, and later receive its end report (2000
// for MP3, 5000 for WMA) as a posted WM_PROCESSINFO on the receiver, after
// every progress report of the step. Several steps may run at once, each
// with a receiver of its own. output is a temporary file the engine has
// made; the encoder writes it as it is and never asks about it. UI thread
// only.
class IJobEncoder {
public:
    virtual ~IJobEncoder() = default;
    // Starts one step; throws std::exception when the encoder cannot start
    // (for example the program is missing).
    virtual void start(QObject* receiver, const QString& input, const QString& output, bool encode,
                       TJobKind kind, const TOptionsSetting& options) = 0;
    // Ends receiver's running step at once, without a report; the engine
    // removes the partial output.
    virtual void stop(QObject* receiver) = 0;
};
