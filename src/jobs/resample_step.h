#pragma once
// The preparing step of a conversion job: a WAV file below 44100 Hz is
// rewritten at 44100 Hz into a temporary file through the WAV to WAV chain
// (WaveIn1 -> [SampleConverter1 ->] RateConverter1 -> WaveOut1) before it
// is encoded. A file at 44100 Hz or more that an encoder cannot take as it
// is (24/32-bit, float, extensible, ADPCM for lame; 8-bit for the Vorbis
// writer) goes through the chain at its own rate, which makes it 16-bit PCM.
//
// Threads: start, stop and destruction on the UI thread. The writer's
// progress and end events run on its worker thread: progress is posted to the
// receiver as a WM_PROCESSINFO report; the end (4000) is sent, i.e. the worker
// waits until the receiver's handler has run on the UI thread, unless the step
// is stopped or destroyed meanwhile (which releases the worker at once, so a
// job ending during that wait never deadlocks). A failed run posts a 4000
// report with StepResult 1 and the reason in Message.

#include "audio/resample_chain.h"
#include "audio/wave_out.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

struct TProcessInfo;

class TResampleStep {
public:
    // The rate every encoder input is brought up to.
    static constexpr int kTargetRate = 44100;
    // Delivers the end report on the UI thread.
    using TDeliver = std::function<void(std::unique_ptr<TProcessInfo>)>;

    // receiver gets the posted progress reports; deliver handles the sent
    // end report (it is called on receiver's thread).
    TResampleStep(QObject* receiver, TDeliver deliver);
    ~TResampleStep();

    // Starts writing input into tempFile as 16-bit PCM, at 44100 Hz when its
    // rate is lower; throws EPcmException on misuse.
    void Start(const QString& input, const QString& tempFile);
    // Ends a run now (quietly, no end report) and releases a waiting worker;
    // the temporary file is closed when this returns.
    void Stop();

    TResampleChain Chain;
    TWaveOut WaveOut1;

private:
    void WaveOut1Progress();
    void WaveOut1Done();
    void WaveOut1Failed(const std::exception& e);

    // The handshake of the sent end report.
    struct SendGate {
        std::mutex lock;
        std::condition_variable changed;
        quint64 sent = 0;
        quint64 handled = 0;
        bool cancelled = false;
    };

    QObject* m_receiver;
    TDeliver m_deliver;
    std::shared_ptr<SendGate> m_gate = std::make_shared<SendGate>();
    std::chrono::steady_clock::time_point StepStart;
};
