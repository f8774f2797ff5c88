#pragma once
// TJobStep: one step of one job item: reading a track, bringing a WAV file to
// 44100 Hz and 16 bits, encoding it (MP3, Ogg Vorbis, WMA, FLAC, Opus) or
// decoding an MP3.
// The job engine makes a step, starts it and hears of it only through two
// typed calls: OnProgress while it runs and OnEnded once at its end.
//
// Each step is the receiver of its own worker's reports (a thread, a pipeline
// of stream components or a child process): these arrive as posted
// TMessageEvents carrying the workers' report codes, and are turned into the
// typed calls here, at this one boundary. Several steps run at once; each
// hears only from its own worker.
//
// Threads: every call and both callbacks run on the UI thread. stop() ends
// the worker before it returns (it joins threads and kills children), so a
// stopped step never reports again.

#include "audio/loudness.h"
#include "audio/wav_loudness_worker.h"
#include "settings/process_info.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

enum class TStepKind {
    Rip,
    Resample,
    EncodeMp3,
    DecodeMp3,
    EncodeOgg,
    EncodeWma,
    EncodeFlac,
    EncodeOpus
};

enum class TStepResult {
    Done,      // the step's output is complete
    Failed,    // this item failed; Message says why
    JobFailed, // every later item would fail alike (a missing program, an unreadable drive)
};

struct TStepEnd {
    TStepResult Result = TStepResult::Done;
    QString Message;
};

class TJobStep : public QObject {
    Q_OBJECT
public:
    TJobStep(TStepKind kind, int item);
    ~TJobStep() override;

    TStepKind kind() const { return m_kind; }
    // The index of the job item the step works on.
    int item() const { return m_item; }

    // Starts the worker; false when it could not start (then nothing runs,
    // no callback follows, and failure says why).
    bool start(TStepEnd& failure);
    // Ends the worker now; no callback follows. Removing the step's partial
    // output is the engine's business.
    void stop();
    bool running() const { return m_running; }

    // The last percentage reported, 0 before the first; -1 while unknown.
    int percent() const { return m_percent; }
    // Milliseconds since start().
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }
    // A rip step that has read its track and is normalising it.
    bool normalizing() const { return m_normalizing; }
    // More about what the step does now, for its progress line; empty when
    // its kind says it all.
    virtual QString detailText() const { return {}; }

    // Before start(): the loudness of this WAV file (the one the step's
    // encoder reads) is measured on a thread beside the step's worker, and
    // the step is done only once both are.
    void measureBeside(const QString& wav) { m_besidePath = wav; }
    // The track's loudness once the step is done; null when it was not
    // measured (or could not be).
    std::unique_ptr<TLoudness> TakeLoudness() { return std::move(m_loudness); }

    std::function<void(TJobStep&)> OnProgress;
    std::function<void(TJobStep&, const TStepEnd&)> OnEnded;

protected:
    // The worker part of start() and stop().
    virtual bool startWorker(TStepEnd& failure) = 0;
    virtual void stopWorker() = 0;
    // One report of the worker (WM_PROCESSINFO) or a bare message.
    virtual void onReport(const TProcessInfo& info) = 0;
    virtual void onMessage(int /*message*/, qintptr /*wParam*/) {}

    void progress(int percent);
    void setNormalizing();
    // A measurement made by the step's own worker.
    void keepLoudness(std::unique_ptr<TLoudness> loudness) { m_loudness = std::move(loudness); }
    // The end, once: the step stops running and OnEnded is called.
    void finish(TStepResult result, const QString& message = {});

    bool event(QEvent* e) override;

private:
    void besideDone();
    void end(const TStepEnd& end);

    TStepKind m_kind;
    int m_item;
    bool m_running = false;
    bool m_normalizing = false;
    int m_percent = 0;
    QElapsedTimer m_clock;
    QString m_besidePath;
    std::unique_ptr<TWavLoudnessWorker> m_beside;
    std::optional<TStepEnd> m_waitingEnd; // the worker's end, held until the meter is done
    std::unique_ptr<TLoudness> m_loudness;
};
