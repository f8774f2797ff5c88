#include "cover_art_file.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

TCoverSave SaveFrontCover(const QString& folder, const QByteArray& bytes, QString* path,
                          QString* problem)
{
    const bool png = bytes.startsWith("\x89PNG");
    const QString target =
        QDir(folder).filePath(png ? QStringLiteral("cover.png") : QStringLiteral("cover.jpg"));
    if (path)
        *path = target;
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return TCoverSave::Kept;
    if (bytes.isEmpty()) {
        if (problem)
            *problem = QStringLiteral("No cover to save");
        return TCoverSave::Failed;
    }
    // Written beside its destination under a hidden temporary name; the
    // rename never replaces a file that appeared meanwhile.
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral(".cover-XXXXXX.part")));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        if (problem)
            *problem = QStringLiteral("Cannot write %1: %2").arg(target, file.errorString());
        return TCoverSave::Failed;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    if (!file.rename(target)) {
        if (QFileInfo::exists(target))
            return TCoverSave::Kept;
        if (problem)
            *problem = QStringLiteral("Cannot write %1: %2").arg(target, file.errorString());
        return TCoverSave::Failed;
    }
    file.setAutoRemove(false);
    return TCoverSave::Saved;
}
