#pragma once
// TOggStep: the Vorbis writing step of a job. It owns the WAV source and the
// Vorbis writer (WaveIn1 -> VorbisOut1), fills the writer from the Ogg
// settings, runs it over one WAV file and reports to the job engine by
// posted WM_PROCESSINFO: progress reports while it runs and 3000 at the end.
//
// Threads: start and stop run on the UI thread. The writer's events run on
// its worker thread; they only build a TProcessInfo and post it to the
// receiver, reading the step's start time, which start() sets before the run.

#include "audio/vorbis_out.h"
#include "audio/wave_in.h"
#include "settings/options_setting.h"

#include <QElapsedTimer>
#include <QStringList>

#include <atomic>

class QObject;

// StepResult of a 3000 report whose run failed; Message holds the reason.
constexpr int kOggStepFailed = 8;

// Fills the writer's quality or bit rates from the Ogg settings, through
// its setters (which may adjust or ignore a value).
void ApplyOggSettings(TVorbisOut& out, const TOptionsSetting& options);

// The Vorbis comments of an extracted track: TITLE, ARTIST (the track's own
// artist when it has one), ALBUM, DATE, GENRE (its name), TRACKNUMBER,
// COMMENT, then ALBUMARTIST, DISCNUMBER and DISCTOTAL, ISRC and the
// MusicBrainz ids, each only when not empty.
QStringList ExtractOggComments(const QString& title, int track, const TCDInfo& disc);
// The comment of a converted WAV file: TITLE from its file name.
QStringList ConvertOggComments(const QString& wavPath);

class TOggStep {
public:
    // Throws EPcmException when a Vorbis library is missing.
    explicit TOggStep(QObject* receiver);
    ~TOggStep();
    TOggStep(const TOggStep&) = delete;
    TOggStep& operator=(const TOggStep&) = delete;

    // Writes output from the WAV file input with the current settings and
    // these comments. Failures of the run come back as a 3000 report with
    // kOggStepFailed.
    void start(const QString& input, const QString& output, const QStringList& comments);
    // Stop: ends the running step at once; the Ogg file keeps what was
    // encoded and is closed as a complete stream.
    void stop();
    bool running() const { return VorbisOut1.Busy(); }

    TWaveIn WaveIn1;
    TVorbisOut VorbisOut1;

private:
    void VorbisOut1Progress();
    void VorbisOut1Done();
    void VorbisOut1Failed(const std::exception& e);

    QObject* m_receiver;
    QElapsedTimer m_stepStart;
};
