#include "recorder/recording_files.h"

#include "jobs/part_file.h"
#include "settings/global.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr qint64 kEmptyWaveSize = 44; // a header and no sound

// Replaces target with a byte copy of source; target is untouched unless the
// copy is complete (so copying a file onto itself is harmless too).
bool copyOver(const QString& source, const QString& target)
{
    return CopyFileReplacing(source, target, nullptr);
}

bool samePath(const QString& a, const QString& b)
{
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}
} // namespace

QString TRecordingFiles::NewRecordingPath()
{
    return ProgramFolder() + QStringLiteral("MyNoName.wav");
}

QString TRecordingFiles::WorkCopyPath()
{
    return ProgramFolder() + QStringLiteral("MyTemp.wav");
}

bool TRecordingFiles::HasWorkCopy() const
{
    return QFile::exists(m_workCopy);
}

void TRecordingFiles::TakeStarts()
{
    m_modifiedBeforeTake = m_modified;
    m_modified = true;
}

void TRecordingFiles::StartNew(int channels, int bits, int rate)
{
    m_currentFile = NewRecordingPath();
    m_newRecording = true;
    m_device.Close();
    TWaveAudioDevice::CreateEmptyWave(m_currentFile, channels, bits, rate);
    m_device.Open(m_currentFile);
}

void TRecordingFiles::Open(const QString& path)
{
    m_currentFile = path;
    m_newRecording = false;
    m_device.Close();
    if (!copyOver(path, m_workCopy))
        throw EWaveDeviceError(QStringLiteral("Cannot copy %1 to %2").arg(path, m_workCopy));
    m_device.Open(m_workCopy);
}

void TRecordingFiles::Revert()
{
    m_device.Close();
    if (!copyOver(m_currentFile, m_workCopy))
        throw EWaveDeviceError(
            QStringLiteral("Cannot copy %1 to %2").arg(m_currentFile, m_workCopy));
    m_device.Open(m_workCopy);
}

bool TRecordingFiles::NothingToSave(bool ask)
{
    if (m_currentFile.isEmpty())
        return true;
    if (m_newRecording && m_device.IsOpen() && m_device.Length() == 0)
        m_modified = false;
    return !m_modified && (ask || !m_newRecording);
}

bool TRecordingFiles::SaveInPlace()
{
    return copyOver(m_workCopy, m_currentFile);
}

bool TRecordingFiles::CopyWorkTo(const QString& target)
{
    m_device.Close();
    return copyOver(m_workCopy, target);
}

bool TRecordingFiles::MoveNewTo(const QString& target, QString* reason)
{
    m_device.Close();
    QFile::remove(m_workCopy);
    return samePath(target, m_currentFile) || MoveFileReplacing(m_currentFile, target, reason);
}

void TRecordingFiles::Close()
{
    m_device.Close();
    QFile::remove(m_workCopy);
    // A new recording that holds no sound is of no use to anybody.
    if (m_newRecording && QFileInfo(m_currentFile).size() <= kEmptyWaveSize)
        QFile::remove(m_currentFile);
}
