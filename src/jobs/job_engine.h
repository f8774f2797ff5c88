#pragma once
// TJobEngine: runs one extraction or conversion job item by item and step by
// step. It starts the workers (CD rip thread, encoder objects), receives
// their posted reports as events, tells an IJobView what to show and asks the
// user through prompts(). It knows no widget.
//
// Threads: everything here runs on the UI thread. Workers only post
// TMessageEvents (WM_PROCESSINFO, WM_RIPFAILED) to the engine.
//
// Steps of an item, by kind (an arrow is the end report of the step):
//   Extract    rip -> 1000 -> [encode by OutputFormat -> 2000] -> next
//   WavToMp3   [resample below 44100 Hz -> 4000 ->] MP3 encoding -> 2000 -> next
//   WavToOgg   [resample below 44100 Hz -> 4000 ->] Vorbis writing -> 3000 -> next
//   Mp3ToWav   MP3 decoding -> 2000 -> next
//   RecordToMp3  MP3 encoding beside the input -> 2000 -> end
//   WavToWma   WMA encoding -> 5000 -> next (extraction: rip -> 1000 -> WMA -> 5000)
// Each step has one place where it starts (startStep) and one where its end
// is handled (by its step code); OGG, WMA and resampling steps slot in there.

#include "cdaccess/cd_access.h"
#include "jobs/job_types.h"
#include "jobs/wma_estimate.h"

#include <QObject>
#include <QStringList>

#include <memory>

class TCDRipThread;
class TOggStep;
class TResampleStep;
struct TProcessInfo;

class TJobEngine : public QObject {
    Q_OBJECT
public:
    enum class TStep { Rip, EncodeMp3, DecodeMp3, Resample, EncodeOgg, EncodeWma };

    // mp3: the MP3 encoder object to use; null takes jobMp3Encoder().
    TJobEngine(TJobKind kind, HCDROM cdHandle, const QStringList& items, IJobView& view,
               IJobEncoder* mp3 = nullptr, QObject* parent = nullptr);
    ~TJobEngine() override;

    // Starts the first step of the first item. A step that cannot start is
    // reported through prompts() and ends the job.
    void Start();
    // The user's Stop: ends the job now and closes the view.
    void Stop();
    // The end of every job, normal or stopped; runs once.
    void FinishJob();
    bool Finished() const { return m_finished; }

    TJobKind JobKind() const { return m_kind; }
    int ExtractedCount() const { return m_extractedCount; }
    int EncodedCount() const { return m_encodedCount; }
    int OggCount() const { return m_oggCount; }

    // Once a second while wmaTimerChanged(true) holds: the elapsed time, the
    // estimate and the gauge of a WMA step, from the growth of its output.
    void Timer1Timer();
    bool WmaTimerRunning() const { return m_wmaTimer; }

    // Report handlers (also reachable by posting TMessageEvents).
    void HandleProcessInfo(std::unique_ptr<TProcessInfo> info);
    void HandleRipFailed(qintptr code);

    // The WAV file the rip thread writes for item i of an extraction.
    QString WavName(int i) const;
    // OutputFolder/<file name of item i with its extension replaced by ext>.
    QString OutName(int i, const QString& ext) const;
    // Characters 3.. of an extraction item, and the number in its first two.
    static QString ItemTitle(const QString& item);
    static int ItemTrack(const QString& item);

signals:
    // The view runs a one-second timer calling Timer1Timer while this is on.
    void wmaTimerChanged(bool running);

protected:
    bool event(QEvent* e) override;

private:
    void startStep(TStep step, int i, bool firstOfJob = false);
    void startNextExtraction();
    void afterRip(int result, std::unique_ptr<TProcessInfo> info);
    void afterMp3(int result, const QString& message);
    // Starts the resampling of item i when its rate is below 44100 Hz;
    // false when the item goes to its encoder as it is.
    bool startResampleIfNeeded(int i, bool firstOfJob);
    void afterResample(const TProcessInfo& info);
    QString resampleTempName() const;
    void onProgress(const TProcessInfo& info);
    void startWma(int i, bool firstOfJob);
    void afterWma(const TProcessInfo& info);
    void setWmaTimer(bool on);
    void writeTag(int i);
    // Vorbis writing (ogg_step.cpp). input: the WAV file to encode (the
    // item's own, or the resampled temporary file of a WavToOgg item).
    bool ensureOggStep();
    void startOggStep(int i, const QString& input, bool firstOfJob);
    void afterOgg(const TProcessInfo& info);
    void stopOggStep();
    void setStatus(const char* word, int i);
    void releaseRipThread();
    void endJob();
    // Reports a step that could not start and ends the job.
    void failStart(const QString& text);

    TJobKind m_kind;
    HCDROM m_cdHandle;
    QStringList m_items;
    int m_count = 0;
    bool m_finished = false;
    IJobView& m_view;
    IJobEncoder* m_mp3;
    std::unique_ptr<TCDRipThread> m_ripThread;
    std::unique_ptr<TResampleStep> m_resample;
    // The encoder's input for the current item when it is not the item itself
    // (the resampled temporary file); cleared when the step starts.
    QString m_stepInput;
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
