#include "global.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <chrono>

QString TwoDigits(qint64 n)
{
    const QString text = QString::number(n);
    return (n >= 0 && n <= 9) ? QStringLiteral("0") + text : text;
}

QString TimeText(qint64 seconds)
{
    return TwoDigits(seconds / 60) + QLatin1Char(':') + TwoDigits(seconds % 60);
}

QString AddBackslash(const QString& path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

void WaitMilliseconds(qint64 n)
{
    if (n < 1)
        return;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(n);
    while (std::chrono::steady_clock::now() < end) {
    }
}

qint64 GetFileSizeByName(const QString& path)
{
    const QFileInfo info(QFileInfo(path).absoluteFilePath());
    if (!info.exists() || info.isDir())
        return -1;
    return info.size();
}

QString ExecutableFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return AddBackslash(dir);
}

QString ProgramFolder()
{
    const QString home = qEnvironmentVariable("QUILLON_HOME");
    if (!home.isEmpty()) {
        QDir().mkpath(home);
        return AddBackslash(home);
    }
    const QString exeDir = ExecutableFolder();
    if (QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                         + QStringLiteral("/quillon");
    QDir().mkpath(data);
    return AddBackslash(data);
}
