#pragma once
// TCDRipThread: reads one audio track of the disc in an open drive into a WAV
// file, optionally normalises it in place, and reports to a receiver QObject
// with posted events only. The file exists already (the job engine's
// temporary file); it is rewritten from its start.
//
// Threads: the creator (the job engine, UI thread) constructs the object, sets
// CDHandle and Window, and calls Resume(). Execute() runs on the worker
// thread. StopRequested may be set from any thread; it is read after every
// read and every normalise block. The destructor joins the worker, so a
// destroyed thread never posts again and never outlives what it reads.
// The worker reads Options (EnableRipTime, RipTime, IsNormalize,
// NormalizePercent), the job's own copy, set before Resume().
// With Verification set, the track is read through it (the job's verified
// reading: databases, read offset, secure re-reads) instead of plainly, and
// progress reports carry the read's state ("reading (secure)") in Message.
//
// Reports (word parameter 0):
//   WM_RIPFAILED 1 / 2        the drive refused the address mode / the TOC
//   WM_PROCESSINFO 0..100     whenever the percentage of the read or of the
//                             normalise pass moves
//   WM_PROCESSINFO 999        the normalise pass starts
//   WM_PROCESSINFO 1000       the track ended; StepResult is a TRipResult
// A stop request ends the thread without a final report. Failures to write
// carry the system's reason and the file's shown name in Message.

#include "cdaccess/cd_access.h"
#include "settings/options_setting.h"

#include <QString>

class TFileWriter;
class TRipVerification;

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class QObject;

// StepResult of the final report (Percent 1000).
enum TRipResult : qint32 {
    rrOk = 0,
    rrReadFailed = 3,   // a sector read failed; Message names the sector
    rrCreateFailed = 5, // the WAV file could not be opened
    rrWriteFailed = 6,  // writing the WAV file or the normalise pass failed; see Message
};

// Failure codes carried by WM_RIPFAILED.
enum TRipFailure : qint32 {
    rfAddressMode = 1,
    rfReadTOC = 2,
};

constexpr int kSectorsPerRead = 10;
constexpr int kWavHeaderSize = 44;

// The plain 44-byte PCM header for CD audio (44100 Hz, 16 bit, stereo).
QByteArray CDWavHeader(std::uint32_t dataLength);

// Gain that brings a measured peak (largest absolute sample, -32768 counting
// as 32768) to percent % of full scale; 1 for a silent track.
float NormalizeGain(int peak, int percent);

// Round(sample * factor), ties to even, limited to the 16-bit range.
qint16 ScaleSample(qint16 sample, float factor);

// The two time texts of a progress report: elapsed seconds rounded (ties to
// even) and the estimate elapsed * 100 / percent rounded likewise. Both stay
// empty while percent is 0 or less.
void ProgressTimeTexts(double elapsedSeconds, int percent, QString& elapsed, QString& estimated);

class TCDRipThread {
public:
    // trackIndex: 1-based position of the track in the TOC (the track list
    // row), 0 for the audio before track 1 (with Verification); filePath: the file to write;
    // shownPath: its name in messages (the final name of a temporary file), filePath when empty.
    TCDRipThread(qint32 trackIndex, const QString& filePath, const QString& shownPath = {});
    ~TCDRipThread();
    TCDRipThread(const TCDRipThread&) = delete;
    TCDRipThread& operator=(const TCDRipThread&) = delete;

    // Set by the creator before Resume().
    HCDROM CDHandle = 0;
    QObject* Window = nullptr;
    TCommonOptions Options;
    std::atomic<bool> StopRequested{false};
    std::shared_ptr<TRipVerification> Verification;
    QString LogName; // the track's file as the rip log names it
    // The file is kept (not a work file): it goes to the disk here, so that
    // taking its name later waits for nothing on the thread that does it.
    bool SyncWhenDone = false;

    qint32 TrackIndex() const { return m_trackIndex; }
    const QString& FileName() const { return m_filePath; }

    // Starts Execute() on the worker thread (once).
    void Resume();
    // Waits for the worker to end (also done by the destructor).
    void Wait();

    // The whole work; runs on the worker thread after Resume().
    void Execute();

private:
    struct ReadOutcome;
    void post(qint32 percent, qint32 result = 0, const QString& elapsed = {},
              const QString& estimated = {}, const QString& message = {});
    // Posts progress when the percentage has moved since the last post.
    void postProgress(qint64 done, qint64 total, std::int64_t startMs, const QString& state = {});
    void postFinal(qint32 result, const QString& message = {});
    // Scales the written samples in place. Returns false when the pass
    // failed (message says why) or was stopped (message empty).
    bool Normalize(TFileWriter& file, int percent, QString& message);
    // Reads the track through Verification into file; false after posting
    // the failure (or, when stopped, without a report).
    bool ReadVerified(const TTOC& toc, TFileWriter& file);
    // Reads the track's sectors (cut to the rip time) plainly, one read
    // each; false as above.
    bool ReadPlain(const TTOC& toc, TFileWriter& file);

    qint32 m_trackIndex;
    QString m_filePath;
    QString m_shownPath;
    int m_peak = 0;         // largest absolute sample read so far (when normalising)
    int m_lastPercent = -1; // of the last progress report
    QString m_lastState;    // of the last progress report
    std::thread m_thread;
};
