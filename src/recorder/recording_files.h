#pragma once
// The files behind the recorder window and the sound device that plays and
// records them. A new recording is made directly in "MyNoName.wav" in the
// program folder; an opened file is worked on through its copy "MyTemp.wav"
// there, so that the file itself changes only on Save and Undo can go back
// to it. Replacing a file is done by a complete copy or a rename, never by
// deleting it first.
//
// Threads: the owner's thread (the device's worker is joined by its Stop).
// Device failures come as EWaveDeviceError.

#include "audio/wave_audio_device.h"

#include <QString>

class TRecordingFiles {
public:
    // Paths of the two work files in the program folder.
    static QString NewRecordingPath();
    static QString WorkCopyPath();

    TWaveAudioDevice& Device() { return m_device; }
    const TWaveAudioDevice& Device() const { return m_device; }
    // The file the user works on; empty before New or Open.
    QString CurrentFile() const { return m_currentFile; }
    // The current file is the new-recording file.
    bool IsNew() const { return m_newRecording; }
    bool Modified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }
    // An opened file is being worked on through its copy.
    bool HasWorkCopy() const;
    // Undo has something to go back to: an opened file that was changed.
    bool CanUndo() const { return m_modified && !m_currentFile.isEmpty() && !m_newRecording; }

    // A take begins: the file counts as modified. When the take does not
    // start, TakeFailed restores what was before.
    void TakeStarts();
    void TakeFailed() { m_modified = m_modifiedBeforeTake; }

    // Starts a new recording: an empty WAV file of this format, opened.
    void StartNew(int channels, int bits, int rate);
    // Makes path the current file, worked on through a fresh copy.
    void Open(const QString& path);
    // Undo: the work copy again as the current file holds it.
    void Revert();
    // Whether a save has nothing to do. A new recording without sound (every
    // take failed) counts as unmodified; an unmodified new recording is
    // still saved when the user asked for it (ask is false).
    bool NothingToSave(bool ask);
    // Save of an opened file: the work copy over the file.
    bool SaveInPlace();
    // Save As of an opened file: a copy of the work copy at target. The
    // device is closed first.
    bool CopyWorkTo(const QString& target);
    // After a failed CopyWorkTo: the work copy, as it was, opened again.
    void ReopenWorkCopy() { m_device.Open(m_workCopy); }
    // Save of a new recording: the device closed and the file moved to
    // target (nothing to move when target is the file itself). reason tells
    // why it failed. Open(target) continues with it.
    bool MoveNewTo(const QString& target, QString* reason);
    // The window closes: the device closed, the work copy removed, and a new
    // recording that holds no sound removed too.
    void Close();

private:
    TWaveAudioDevice m_device;
    QString m_currentFile;
    QString m_workCopy = WorkCopyPath();
    bool m_newRecording = false;
    bool m_modified = false;
    bool m_modifiedBeforeTake = false;
};
