#include "global.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <memory>
#include <thread>

#include <dirent.h>
#include <sys/stat.h>

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

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool isNumber(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}

// True when one of the process's open descriptors refers to the same file
// (same device and inode, so hard links and renamed paths count too).
bool processHoldsFile(const QByteArray& fdFolder, const struct stat& target)
{
    DirHandle dir(opendir(fdFolder.constData()));
    if (!dir)
        return false; // the process ended, or belongs to a user we may not inspect
    while (const dirent* entry = readdir(dir.get())) {
        if (!isNumber(entry->d_name))
            continue;
        struct stat held {};
        const QByteArray link = fdFolder + '/' + entry->d_name;
        if (stat(link.constData(), &held) == 0 && held.st_dev == target.st_dev &&
            held.st_ino == target.st_ino)
            return true;
    }
    return false;
}

} // namespace

bool IsFileInUse(const QString& path)
{
    struct stat target {};
    if (path.isEmpty() || stat(QFile::encodeName(path).constData(), &target) != 0)
        return false;
    DirHandle proc(opendir("/proc"));
    if (!proc)
        return false;
    while (const dirent* entry = readdir(proc.get())) {
        if (!isNumber(entry->d_name))
            continue;
        if (processHoldsFile(QByteArray("/proc/") + entry->d_name + "/fd", target))
            return true;
    }
    return false;
}

void WaitMilliseconds(qint64 n)
{
    if (n < 1)
        return;
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(n)); // no events to handle
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(std::chrono::milliseconds(n));
    loop.exec(QEventLoop::ExcludeUserInputEvents);
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
    // An installed program (bin/ beside share/quillon) keeps its files per
    // user even where its bin folder is writable (a root install, a prefix in
    // the home folder).
    const bool installed = QFileInfo(exeDir + QStringLiteral("../share/quillon")).isDir();
    if (!installed && QFileInfo(exeDir).isWritable())
        return exeDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/quillon");
    QDir().mkpath(data);
    return AddBackslash(data);
}
