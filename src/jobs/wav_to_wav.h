#pragma once
// One WAV to WAV conversion in the background, for the dialog and the
// resample command: WaveIn1's file goes through the converters the wanted
// format needs (TResampleChain) into WaveOut1, which writes a hidden
// temporary file beside the destination. Only a complete file replaces the
// destination; a run that fails or is stopped, or an object destroyed during
// a run, leaves the destination as it was and no temporary file behind.
//
// Threads: Start, Stop and destruction on the owner's thread. OnProgress and
// OnEnded run on the writer's worker thread (OnEnded also on the owner's,
// inside Start, when the writer cannot begin): handlers that touch widgets
// must post to their window.

#include "audio/resample_chain.h"
#include "audio/wave_out.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

class TWavToWav {
public:
    TWavToWav();
    ~TWavToWav();
    TWavToWav(const TWavToWav&) = delete;
    TWavToWav& operator=(const TWavToWav&) = delete;

    // Starts converting the file Chain.WaveIn1 reads (it must be Valid) into
    // destination, which the caller has agreed may be replaced. Returns false
    // with the reason when no run could start; the run's end comes through
    // OnEnded.
    bool Start(const QString& destination, const TResampleFormat& wanted, TWavType type,
               QString& error);
    // Ends a run at the next block; OnEnded then reports it as stopped.
    void Stop();
    // From Start until OnEnded has been called.
    bool Busy() const { return m_busy; }

    // The percentage done.
    std::function<void(int percent)> OnProgress;
    // The run is over: error is empty when the destination holds the whole
    // result, kStopped after Stop, the reason otherwise.
    std::function<void(const QString& error)> OnEnded;
    static const QString kStopped;

    // The hidden name beside destination a run writes to first: the first of
    // ".NAME.part", ".NAME.2.part", ... that does not exist.
    static QString TemporaryName(const QString& destination);

private:
    void runEnded(const QString& failure);

    // Removes the temporary file of a run that never ended (the object was
    // destroyed during it); declared before the components, so that it goes
    // after the writer has closed the file.
    struct TUnfinished {
        QString path;
        ~TUnfinished();
    };

    std::mutex m_lock; // guards m_unfinished and m_destination
    TUnfinished m_unfinished;
    QString m_destination;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_busy{false};

public:
    TResampleChain Chain;
    // Last: destroyed first, ending a run still going quietly.
    TWaveOut WaveOut1;
};
