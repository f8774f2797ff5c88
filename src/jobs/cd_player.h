#pragma once
// Plays CD tracks through the sound card for the main window: a TCDSource
// reading the track's sectors into a TAudioOut. One track at a time, from its
// first sector up to the next track (or the lead-out after the last one);
// playback stops by itself at the end of that range.
//
// States: idle -> playing (Play) -> paused (Pause) -> playing (Play resumes the
// paused track) -> idle (Stop, the end of the range, or a read/device failure).
//
// Threads: every public call comes from the owner's (UI) thread. The output's
// events arrive on its worker; they only post to this object, whose handler
// runs on the owner's thread and ignores the end of a run it has already
// replaced or stopped (the output is not idle then, or we are idle already).

#include "audio/audio_out.h"
#include "audio/cd_source.h"
#include "cdaccess/cd_access.h"

#include <QObject>
#include <QString>

class TCDPlayer : public QObject {
    Q_OBJECT
public:
    explicit TCDPlayer(QObject* parent = nullptr);
    ~TCDPlayer() override;

    // Plays the track of `row` (0-based; row k is TOC entry k) of the disc in
    // the drive `handle`, or resumes the paused track. False, and nothing
    // changes, when there is no such audio track or the sound device cannot
    // start (LastError says why).
    bool Play(HCDROM handle, const TTOC& toc, int row, const QString& title);
    // Holds playback; what the sound card has queued still plays out.
    void Pause();
    // Ends playback at once and returns when the drive is no longer read.
    void Stop();

    // A track is being played or is paused.
    bool IsPlaying() const { return m_playing; }
    bool IsPaused() const { return m_paused; }
    // "Play " + title while playing or paused, the idle status otherwise.
    QString StatusText() const;
    // The text the status line returns to when playback stops.
    void SetIdleStatus(const QString& text) { m_idleStatus = text; }
    // The text in front of the title (a language file may change it).
    void SetPlayPrefix(const QString& text) { m_playPrefix = text; }
    // Why the last Play failed or the last run ended early; empty otherwise.
    QString LastError() const { return m_lastError; }
    // The sectors [first, end) of the track playing (or last played).
    std::int32_t FirstSector() const { return m_source.StartSector(); }
    std::int32_t EndSector() const { return m_source.EndSector(); }

    TAudioOut& Output() { return m_output; }

signals:
    // Playing, paused or stopped changed; StatusText() has the new text.
    void stateChanged();

private:
    void runEnded(const QString& error);
    void setIdle();

    TCDSource m_source;
    TAudioOut m_output; // after the source: destroyed (and its worker joined) first
    bool m_playing = false;
    bool m_paused = false;
    QString m_title;
    QString m_idleStatus;
    QString m_playPrefix = QStringLiteral("Play ");
    QString m_lastError;
};
