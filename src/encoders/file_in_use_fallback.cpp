// A stand-in for IsFileInUse while the settings unit does not define it yet;
// weak, so the real definition replaces it as soon as it is linked in.
#include "settings/global.h"

#include <QDir>
#include <QFileInfo>

__attribute__((weak)) bool IsFileInUse(const QString& path)
{
    const QFileInfo target(path);
    if (!target.exists())
        return false;
    const QString wanted = target.canonicalFilePath();
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QDir fds(QStringLiteral("/proc/") + pid + QStringLiteral("/fd"));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System)) {
            if (fd.symLinkTarget() == wanted)
                return true;
        }
    }
    return false;
}
