#pragma once
// TJobEngine: runs one extraction or conversion job item by item and step by
// step. It starts the workers (CD rip thread, encoder objects), receives
// their posted reports as events, tells an IJobView what to show and asks the
// user through prompts() before it replaces a file. It knows no widget.
//
// Threads: everything here runs on the UI thread. Workers only post
// TMessageEvents (WM_PROCESSINFO, WM_RIPFAILED) to the engine.
//
// Steps of an item, by kind (an arrow is the end report of the step):
//   Extract    rip -> 1000 -> [encode by OutputFormat -> 2000/3000/5000] -> next
//   WavToMp3   [resample / bring to 16 bits -> 4000 ->] MP3 encoding -> 2000 -> next
//   WavToOgg   [resample below 44100 Hz -> 4000 ->] Vorbis writing -> 3000 -> next
//   Mp3ToWav   MP3 decoding -> 2000 -> next
//   RecordToMp3  MP3 encoding beside the input -> 2000 -> end
//   WavToWma   WMA encoding -> 5000 -> next
//
// Files: every item's output is named once, when the job is made
// (OutputPath), from its title or input file through SafeFileStem and
// TUniqueStems. Every step writes a hidden temporary file beside the output
// (TPartFile); the output takes its name only when the item is complete, and
// a file that was there is replaced only after a yes (or never, for a no).
// Intermediate files go as soon as their item ends. A stop removes whatever
// is temporary and leaves every existing file as it was.
//
// Results: nothing is shown per item. What became of each item is collected
// in Summary(), which the window and the command line show once at the end.

#include "cdaccess/cd_access.h"
#include "jobs/job_item.h"
#include "jobs/job_summary.h"
#include "jobs/job_types.h"
#include "jobs/wma_estimate.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

class TCDRipThread;
class TOggStep;
class TResampleStep;
struct TProcessInfo;

class TJobEngine : public QObject {
    Q_OBJECT
public:
    enum class TStep { Rip, EncodeMp3, DecodeMp3, Resample, EncodeOgg, EncodeWma };

    // mp3: the MP3 encoder object to use; null takes jobMp3Encoder(). The
    // output folder, format and "Keep WAV" are read from the settings here.
    TJobEngine(TJobKind kind, HCDROM cdHandle, const QStringList& items, IJobView& view,
               IJobEncoder* mp3 = nullptr, QObject* parent = nullptr);
    ~TJobEngine() override;

    // Checks the output folder once, then starts the first item.
    void Start();
    // The user's Stop (or an interrupt): ends the job now, removes what is
    // temporary and closes the view. No further item starts.
    void Stop();
    // The end of every job, normal or stopped; runs once.
    void FinishJob();
    bool Finished() const { return m_finished; }

    TJobKind JobKind() const { return m_kind; }
    int ExtractedCount() const { return m_extractedCount; }
    int EncodedCount() const { return m_encodedCount; }
    int OggCount() const { return m_oggCount; }

    // The file item i makes.
    QString OutputPath(int i) const;
    const TJobSummary& Summary() const { return m_summary; }

    // Once a second while wmaTimerChanged(true) holds: the elapsed time, the
    // estimate and the gauge of a WMA step, from the growth of its output.
    void Timer1Timer();
    bool WmaTimerRunning() const { return m_wmaTimer; }

    // Report handlers (also reachable by posting TMessageEvents).
    void HandleProcessInfo(std::unique_ptr<TProcessInfo> info);
    void HandleRipFailed(qintptr code);

    // Characters 3.. of an extraction item, and the number in its first two.
    static QString ItemTitle(const QString& item);
    static int ItemTrack(const QString& item);

signals:
    // The view runs a one-second timer calling Timer1Timer while this is on.
    void wmaTimerChanged(bool running);

protected:
    bool event(QEvent* e) override;

private:
    void nameOutputs();
    // Starts item i or, when it ends before any step (refused input, an
    // existing file kept), the first later item that has a step to run.
    void startItem(int i);
    // Checks item i's input and asks about existing files; false when the
    // item is over (and recorded in the summary).
    bool prepareItem(int i);
    // False when path exists and may not be replaced (recorded as skipped or failed).
    bool mayWrite(int i, const QString& path, bool& replace);
    // Starts the first step of item i; false when it ended at once.
    bool startFirstStep(int i);
    bool startStep(TStep step, int i);
    // Item i is over: counters move on and the next item starts (or the job ends).
    void itemDone(int i);
    // The counters of the steps item i would have run move past it.
    void countItemDone(int i);
    void itemFailed(int i, const QString& reason);
    // The encoder's output of item i is complete: it and a kept WAV take their names.
    void commitOutput(int i);

    void afterRip(const TProcessInfo& info);
    void afterMp3(const TProcessInfo& info);
    void afterResample(const TProcessInfo& info);
    void onProgress(const TProcessInfo& info);
    // Resampling / narrowing of a conversion input that lame or the Vorbis
    // writer cannot take as it is.
    bool needsPreparation(int i);
    bool startWma(int i, bool firstOfJob);
    void afterWma(const TProcessInfo& info);
    void setWmaTimer(bool on);
    // Vorbis writing (ogg_step.cpp).
    bool ensureOggStep();
    bool startOggStep(int i, bool firstOfJob);
    void afterOgg(const TProcessInfo& info);
    // The input of item i's encoding step: a prepared copy, the ripped WAV or the item.
    QString encoderInput(int i) const;
    // Why an encoder that wrote path failed: the system's reason when writing
    // there fails, else the encoder's own words.
    QString encoderFailure(int i, const QString& message) const;
    void setStatus(const char* word, int i);
    void releaseRipThread();
    void endJob();
    // A step that could not start: the item fails and the job ends, since
    // every later item would fail the same way.
    void failStart(int i, const QString& text);

    TJobKind m_kind;
    HCDROM m_cdHandle;
    QStringList m_items;
    int m_count = 0;
    int m_current = -1;
    int m_stepsStarted = 0;
    bool m_finished = false;
    IJobView& m_view;
    IJobEncoder* m_mp3;
    // Read when the job is made; a job never sees the settings change.
    QString m_folder;
    int m_format = 0;
    bool m_keepWav = false;
    std::vector<TJobItem> m_work;
    TJobSummary m_summary;
    std::unique_ptr<TCDRipThread> m_ripThread;
    std::unique_ptr<TResampleStep> m_resample;
    int m_extractedCount = 0;
    int m_encodedCount = 0;
    int m_oggCount = 0;
    std::unique_ptr<TOggStep> m_ogg;
    bool m_progressSeen = false;
    IJobEncoder* m_wma;
    TWmaTimeEstimate m_wmaEstimate;
    QString m_wmaOutput;
    QString m_wmaEstimateText;
    bool m_wmaTimer = false;
};

// The MP3 encoder object jobs use when none is given: the one installed with
// setJobMp3Encoder, else a process-wide one made on first use.
IJobEncoder& jobMp3Encoder();
// Installs enc (not owned; null restores the default).
void setJobMp3Encoder(IJobEncoder* enc);
