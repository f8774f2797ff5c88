#include "jobs/wav_to_wav.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

const QString TWavToWav::kStopped = QStringLiteral("Stopped.");

TWavToWav::TUnfinished::~TUnfinished()
{
    if (!path.isEmpty())
        QFile::remove(path);
}

TWavToWav::TWavToWav()
{
    WaveOut1.setObjectName(QStringLiteral("WaveOut1"));
    WaveOut1.SetFileMode(foRewrite);
    WaveOut1.SetWavType(wtPCM);
    WaveOut1.SetBlockSize(512);
    WaveOut1.OnProgress = [this](QObject*) {
        if (OnProgress)
            OnProgress(WaveOut1.Progress());
    };
    WaveOut1.OnDone = [this](QObject*) { runEnded({}); };
    WaveOut1.OnThreadException = [this](QObject*, const std::exception& e) {
        runEnded(QString::fromUtf8(e.what()));
    };
}

TWavToWav::~TWavToWav() = default;

QString TWavToWav::TemporaryName(const QString& destination)
{
    const QFileInfo target(destination);
    const QDir folder = target.absoluteDir();
    QString name = folder.filePath(QStringLiteral(".%1.part").arg(target.fileName()));
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = folder.filePath(QStringLiteral(".%1.%2.part").arg(target.fileName()).arg(n));
    return name;
}

bool TWavToWav::Start(const QString& destination, const TResampleFormat& wanted, TWavType type,
                      QString& error)
{
    if (Busy()) {
        error = QStringLiteral("A conversion is going on.");
        return false;
    }
    if (!Chain.WaveIn1.Valid()) {
        error = QStringLiteral("%1 is no WAV file that can be read.").arg(Chain.WaveIn1.FileName());
        return false;
    }
    WaveOut1.SetInput(Chain.Wire(wanted));
    WaveOut1.SetWavType(type);
    {
        std::lock_guard guard(m_lock);
        m_destination = destination;
        m_unfinished.path = TemporaryName(destination);
        WaveOut1.SetFileName(m_unfinished.path);
    }
    m_stopping = false;
    m_busy = true;
    WaveOut1.Run();
    return true;
}

void TWavToWav::Stop()
{
    if (Busy()) {
        m_stopping = true;
        WaveOut1.Stop();
    }
}

void TWavToWav::runEnded(const QString& failure)
{
    QString error = failure;
    {
        std::lock_guard guard(m_lock);
        const QByteArray temp = QFile::encodeName(m_unfinished.path);
        if (error.isEmpty() && m_stopping)
            error = kStopped;
        // rename() replaces the destination in one step: a reader sees either
        // the old file or the whole new one.
        if (error.isEmpty() &&
            std::rename(temp.constData(), QFile::encodeName(m_destination).constData()) != 0) {
            error = QStringLiteral("Cannot save %1: %2")
                        .arg(QDir::toNativeSeparators(m_destination),
                             QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (!error.isEmpty())
            QFile::remove(m_unfinished.path);
        m_unfinished.path.clear();
    }
    m_busy = false;
    if (OnEnded)
        OnEnded(error);
}
