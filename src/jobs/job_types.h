#pragma once
// What the job engine talks to: the kinds of job, the view that renders a
// job's state (the job window, or a headless driver), and the external
// encoder objects it starts one step at a time.

#include <QString>

class QObject;

enum class TJobKind : quint8 {
    Extract = 1,
    WavToMp3 = 2,
    Mp3ToWav = 3,
    RecordToMp3 = 4,
    WavToOgg = 5,
    WavToWma = 6,
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
    // Gauge position 0..100 and whether it shows its percentage text.
    virtual void setProgress(int percent, bool showText) = 0;
    virtual void setTimes(const QString& elapsed, const QString& estimated) = 0;
    // The job has ended; the view closes (it may be called before it is shown).
    virtual void closeJob() = 0;
};

// One external encoder object as the engine uses it: fill in the files and
// the mode, start, and later receive its end report (2000 for MP3, 5000 for
// WMA) as a posted WM_PROCESSINFO on the receiver, after every progress
// report of the step. output is a temporary file the engine has made; the
// encoder writes it as it is and never asks about it. UI thread only.
class IJobEncoder {
public:
    virtual ~IJobEncoder() = default;
    // Starts one step; throws std::exception when the encoder cannot start
    // (for example the program is missing).
    virtual void start(QObject* receiver, const QString& input, const QString& output, bool encode,
                       TJobKind kind) = 0;
    // True from start() until stop(): the engine's end of job stops it.
    virtual bool isActive() const = 0;
    // Ends the running step at once, without a report; the engine removes
    // the partial output.
    virtual void stop() = 0;
};
