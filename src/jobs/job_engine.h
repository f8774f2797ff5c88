#pragma once
// TJobEngine: runs one extraction or conversion job. It makes the steps of
// every item (TJobStep: rip, resample, encode, decode), starts them, hears of
// their progress and ends, tells an IJobView what to show and asks the user
// through prompts() before it replaces a file. It knows no widget.
//
// Threads: everything here runs on the UI thread; the steps turn their
// workers' reports into calls on it.
//
// Steps of an item, by kind:
//   Extract    rip -> [encode by OutputFormat]
//   WavToMp3   [resample / bring to 16 bits ->] MP3 encoding
//   WavToOgg   [resample below 44100 Hz ->] Vorbis writing
//   Mp3ToWav   MP3 decoding
//   RecordToMp3  MP3 encoding beside the input
//   WavToWma   WMA encoding
//   WavToFlac / WavToOpus  FLAC / Opus writing
//
// Scheduling: the drive reads one track at a time, and the next track is
// read while earlier ones are encoded. Up to Encoders() encoding steps run at
// once (conversions run that many items at once). A ripped track waits as a
// WAV file until an encoder is free; at most Encoders() + 1 such files exist
// at any moment (the one being read included), so the reading waits when
// that many are pending.
//
// Settings: the job takes a copy of the settings when it is made; every step
// works with that copy, so changing the options during a job changes nothing
// in it.
//
// Files: every item's output is named once, when the job is made
// (OutputPath), from the name template (extraction; its folders are made
// when the item starts) or the input file, through SafeFileStem and
// TUniqueStems, and every existing file is asked about before anything runs.
// Every step writes a hidden temporary file beside the output (TPartFile);
// the output takes its name only when the item is complete, and a file that
// was there is replaced only after a yes (or never, for a no). Intermediate
// files go as soon as their item ends. A stop ends every running step and
// removes whatever is temporary, leaving every existing file as it was.
//
// Results: what became of each item is collected in Summary(), which the
// window and the command line show once at the end.
//
// Verification: an extraction reads its tracks through one TRipVerification
// (databases asked once, the drive's read offset, secure re-reads). Each
// track's result goes to the view as it ends, a track that did not verify
// gets a note in the summary, and a job that was not stopped leaves the rip
// log beside the tracks (LogPath()). A job limited to the first seconds of
// each track reads them plainly: a cut track cannot verify; so does one set
// to burst reads with both databases switched off.
//
// Hidden track: with RipHiddenTrack, a job that rips track 1 of a disc with
// sectors before it gets one more item in front, track 0, for the audio
// there. Whether that is more than silence is known only once it is read;
// when it is not, the item is dropped without a word and makes no file.

#include "cdaccess/cd_access.h"
#include "jobs/job_item.h"
#include "jobs/job_summary.h"
#include "jobs/job_types.h"
#include "jobs/steps/job_step.h"
#include "settings/options_setting.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

class TRipVerification;

class TJobEngine : public QObject {
    Q_OBJECT
public:
    // mp3 / wma: the encoders to use; null takes jobMp3Encoder() /
    // jobWmaEncoder(). options: the job's settings (the global record when
    // null), copied here.
    TJobEngine(TJobKind kind, HCDROM cdHandle, const QStringList& items, IJobView& view,
               IJobEncoder* mp3 = nullptr, QObject* parent = nullptr,
               const TOptionsSetting* options = nullptr);
    ~TJobEngine() override;

    // Checks the output folder, asks about existing files, then starts.
    void Start();
    // The user's Stop (or an interrupt): ends every running step now,
    // removes what is temporary and closes the view. No further step starts.
    void Stop();
    // The end of every job, normal or stopped; runs once.
    void FinishJob();
    bool Finished() const { return m_finished; }

    TJobKind JobKind() const { return m_kind; }
    const TOptionsSetting& Options() const { return m_options; }
    // Encoding steps run at once.
    int Encoders() const { return m_encoders; }
    int ExtractedCount() const { return m_extractedCount; }
    int EncodedCount() const { return m_encodedCount; }
    int OggCount() const { return m_oggCount; }
    // The largest number of WAV files of ripped tracks that existed at once.
    int MostWavsHeld() const { return m_mostWavsHeld; }

    // The file item i makes.
    QString OutputPath(int i) const;
    const TJobSummary& Summary() const { return m_summary; }
    // The verified reading of an extraction (null for other jobs); its
    // results stay readable after the job.
    TRipVerification* Verification() const { return m_verification.get(); }
    // The rip log the job wrote; empty when it wrote none.
    const QString& LogPath() const { return m_logPath; }
    // The whole job done so far, 0..100.
    int OverallPercent() const;
    // The running steps, in the order they started.
    const std::vector<std::unique_ptr<TJobStep>>& RunningSteps() const { return m_steps; }

    // Characters 3.. of an extraction item, and the number in its first two.
    static QString ItemTitle(const QString& item);
    static int ItemTrack(const QString& item);

private:
    enum class TPhase { Waiting, Ripping, Ripped, Working, Over };

    // With RipHiddenTrack: the audio before track 1 as item "00Hidden Track"
    // in front, when track 1 is ripped and the disc has sectors before it.
    void addHiddenTrackItem();
    bool hiddenItem(int i) const;
    void nameOutputs();
    // Checks item i's input and asks about existing files; false when the
    // item is over (and recorded in the summary).
    bool prepareItem(int i);
    // False when path exists and may not be replaced (recorded as skipped or failed).
    bool mayWrite(int i, const QString& path, bool& replace);

    // Starts what may start now; ends the job when nothing is left.
    void schedule();
    int runningEncoders() const;
    int wavsHeld() const;
    bool startRip(int i);
    // The first step of a conversion item, or the encoding of a ripped track.
    bool startWork(int i);
    bool startEncode(int i);
    // Starts step for item i; false (with the item failed or the job ended) when it could not.
    bool launch(std::unique_ptr<TJobStep> step, const char* status, const QString& caption);

    void stepProgress(TJobStep& step);
    void stepEnded(TJobStep& step, const TStepEnd& end);
    void afterStep(TJobStep& step);
    // Makes the folder path goes into (a name template's); false with the
    // item failed when it cannot, or when it would lie outside the output folder.
    bool makeFolderOf(int i, const QString& path);
    // With ReplayGain on, step measures the WAV its encoder reads beside it.
    void measureBeside(TJobStep& step, const QString& input) const;
    // The loudness step measured becomes item i's, with its track gain.
    void takeLoudness(TJobStep& step, int i);
    // An extraction whose files get the album gain: each complete file
    // waits under its temporary name until every track is measured.
    bool holdsForAlbumGain() const;
    // The encoder's output of item i is complete: it takes its name now, or
    // waits for the album gain.
    void outputDone(int i);
    // At the end of an extraction: the album's gain over every measured
    // track, written into each waiting file, which then takes its name.
    void writeAlbumGain();
    // The waiting files take their names as they are (a stopped job).
    void commitWaitingOutputs();
    // The tags of item i's output: the disc record's, or a converted file's name and cover.
    TTrackTags tagsFor(int i) const;
    // Writes the tags into the complete output of an encoder that does not itself.
    void tagOutput(TStepKind kind, int i);
    // Tells the view how item i's read verified.
    void showVerification(int i);
    void writeRipLog();
    void writeCueSheet();
    // The step leaves the running list; it is deleted once its report is handled.
    void retire(TJobStep& step);

    // Item i is over: its temporary files go and the counters move on.
    void itemDone(int i);
    void itemFailed(int i, const QString& reason);
    // The encoder's output of item i is complete: it and a kept WAV take their names.
    void commitOutput(int i);
    bool needsPreparation(int i);
    // The input of item i's encoding step: a prepared copy, the ripped WAV or the item.
    QString encoderInput(int i) const;
    // Why an encoder that wrote item i's output failed: the system's reason
    // when writing there fails, else the encoder's own words.
    QString encoderFailure(int i, const QString& message) const;
    QString statusText(const char* word, int i) const;
    // The status line, when it changes.
    void setStatus(const QString& text);
    void showProgress();
    void endJob();
    // A failure every later item would share: the item fails and the job ends.
    void failJob(int i, const QString& text);

    TJobKind m_kind;
    HCDROM m_cdHandle;
    QStringList m_items;
    int m_count = 0;
    IJobView& m_view;
    IJobEncoder* m_mp3;
    IJobEncoder* m_wma;
    const TOptionsSetting m_options;
    QString m_folder;
    int m_format = 0;
    bool m_keepWav = false;
    int m_encoders = 1;
    bool m_started = false;
    bool m_finished = false;
    bool m_scheduling = false;
    int m_stepsStarted = 0;
    int m_nextItem = 0; // the next item to read (extraction) or to start (conversions)
    std::vector<TJobItem> m_work;
    std::vector<TPhase> m_phase;
    std::vector<std::unique_ptr<TJobStep>> m_steps;
    TJobSummary m_summary;
    QElapsedTimer m_clock;
    bool m_progressSeen = false;
    QString m_status;
    int m_shownPercent = 0;
    int m_extractedCount = 0;
    int m_encodedCount = 0;
    int m_oggCount = 0;
    int m_mostWavsHeld = 0;
    std::shared_ptr<TRipVerification> m_verification;
    QString m_logPath;
};

// The MP3 encoder jobs use when none is given: the one installed with
// setJobMp3Encoder, else a process-wide one.
IJobEncoder& jobMp3Encoder();
// Installs enc (not owned; null restores the default).
void setJobMp3Encoder(IJobEncoder* enc);

// Encoders to run at once for a setting (0: one per processor core).
int JobEncoderCount(int setting);
