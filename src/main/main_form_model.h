#pragma once
// What the main window does that needs no widget: the open drive, reading the
// disc into track rows, noticing discs coming and going, the checks before an
// extraction, the language switch and the close sequence. The window shows
// rows and the status line and forwards commands here.
//
// Threads: UI thread only.

#include "cdaccess/cd_access.h"
#include "track_rows.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The outside parts the main window relies on, replaceable in tests.
struct TMainFormServices {
    ICDAccess* cd = nullptr;
    std::function<QString(const TTOC&)> discKey;                 // DiscKeyFromTOC
    std::function<void(const QString& key, bool load)> discInfo; // LoadSaveDiscInfo
    std::function<void(bool load)> options;                      // LoadSaveOptions
    bool lookups = false; // titles of a disc may be looked up (on the network)
};

// The real parts: libcdio (or the installed CD access), cdinfo.dat, options.ini.
TMainFormServices DefaultMainFormServices();

class TDiscLookup;
struct TDiscCandidate;

class TMainFormModel : public QObject {
    Q_OBJECT
public:
    explicit TMainFormModel(TMainFormServices services, QObject* parent = nullptr);

    // --- drive and disc -------------------------------------------------
    // Opens drive index of the drive list; sets DriveName and the status line.
    // Every failure is reported in the status line only; returns 0 then.
    HCDROM OpenDrive(int index);
    HCDROM CDHandle() const { return m_handle; }
    // The drive chosen in the options: the titles of the old disc are kept,
    // its handle is closed and the new drive's disc is read into the rows, so
    // that the list, playback and extraction all follow the new drive.
    void SwitchDrive(int index);
    void setCDHandle(HCDROM handle) { m_handle = handle; }
    QString DriveName() const { return m_driveName; }
    // Why the disc image chosen as the drive did not open (the file is
    // missing, say); empty when the drive opened or is no image.
    QString ImageProblem() const { return m_imageProblem; }
    ICDAccess& cd() const { return *m_services.cd; }

    // True when the open drive holds a disc with at least one audio track.
    bool AudioCDPresent();
    // Rereads the disc in the open drive into the rows (nothing without a drive).
    void ReadDisc();
    // The user's "Refresh".
    void Refresh();
    // Called periodically: a disc that arrived is read, one that left clears
    // the rows (its titles are kept in the disc store first).
    void PollDisc();

    const std::vector<TTrackRow>& rows() const { return m_rows; }
    QString discKey() const { return m_discKey; }

    // The showing sequence: opens drive 0 and reads the disc. Returns false
    // when no drive could be opened (the window then keeps its English texts).
    bool Start();

    // --- status line ----------------------------------------------------
    QString statusText() const { return m_status; }
    void setStatusText(const QString& text);
    QString IdleStatus() const { return m_idleStatus; }
    void setIdleStatus(const QString& text) { m_idleStatus = text; }
    bool NoDiscAtStart() const { return m_noDiscAtStart; }
    // Activation: repeats the no-disc notice while no disc was read.
    void Activated();

    // --- commands ---------------------------------------------------------
    // The checks before an extraction; the items for the job window, or
    // nothing when a check failed (the user has been told why).
    std::optional<QStringList> PrepareExtract(const QStringList& titles,
                                              const std::vector<bool>& checked);
    // True when OutputFolder exists; otherwise tells the user and returns false.
    bool CheckOutputFolder();
    // Opens the output folder through opener, or tells the user it is missing.
    void OpenOutputDirectory(const std::function<void(const QString&)>& opener);
    // Switches to the language of a "Language" menu item (its name without the
    // first two characters). False, after telling the user, when the file is missing.
    bool SwitchLanguage(const QString& itemName);
    // Eject and close tray; false when the drive refused (or none is open).
    bool EjectCD();
    bool CloseCD();

    // --- titles from the lookup ---------------------------------------------
    // Looks the disc's titles up in the background ("Look up titles"); a
    // disc without stored titles is looked up by itself when it appears
    // ([Lookup] Auto).
    void LookUpTitles();
    bool LookupRunning() const;
    // After choiceNeeded(): the candidates to choose from and the problems
    // of the sources that failed.
    const std::vector<TDiscCandidate>& LookupCandidates() const;
    QStringList LookupProblems() const;
    // Applies candidate index of the last lookup to the disc record, the
    // rows and the disc store (nothing when the disc changed meanwhile).
    void ApplyLookedUpCandidate(int index);
    // Saves the release's front cover beside the tracks of an extraction.
    void SaveCoverInto(const QString& folder);
    // "Artist - Album" of the disc record; empty when neither is known.
    QString DiscTitle() const;

    // The close sequence: titles into the disc record and the disc store under
    // the current disc's key, drive closed, playback stopped, options saved.
    // Each step runs even when an earlier one failed; failures are shown.
    void Close(const QStringList& titles);

    // Called while a track plays when something must stop it (extraction,
    // close). Set by whoever provides playback.
    std::function<void()> StopPlayback;
    // Where the window's current titles come from (for keeping them when the
    // disc changes).
    std::function<QStringList()> CurrentTitles;

signals:
    void statusChanged(const QString& text);
    void rowsChanged();
    // The titles of the rows changed (a lookup was applied).
    void titlesChanged();
    // A lookup brought several candidates: the window lets the user choose.
    void choiceNeeded();

private:
    QString presentDiscKey();
    void keepTitles();
    void clearRows();
    void showError(const QString& text);
    void startLookup(bool manual);
    void lookupFinished();

    TMainFormServices m_services;
    HCDROM m_handle = 0;
    QString m_driveName;
    QString m_imageProblem;
    QString m_idleStatus;
    QString m_status;
    bool m_noDiscAtStart = false;
    std::vector<TTrackRow> m_rows;
    QString m_discKey; // key of the disc whose rows are shown
    TDiscLookup* m_lookup;
    QString m_lookupKey; // the disc the last lookup was for
};

// Language name of a "Language" menu item: its name without the first two characters.
QString LanguageOfMenuItem(const QString& itemName);
