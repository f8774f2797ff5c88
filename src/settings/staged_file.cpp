#include "settings/staged_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TStagedFile::~TStagedFile()
{
    discard();
}

bool TStagedFile::fail(const QString& what, const QString& path, int error)
{
    m_error = QStringLiteral("%1 %2: %3")
                  .arg(what, QDir::toNativeSeparators(path),
                       QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

bool TStagedFile::create(const QString& destination)
{
    discard();
    m_destination = destination;
    const QFileInfo target(destination);
    const QDir folder = target.absoluteDir();
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            folder.filePath(QStringLiteral(".%1.%2.part").arg(target.fileName()).arg(n));
        // O_EXCL also refuses a dangling symbolic link of that name.
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_path = name;
            m_error.clear();
            return true;
        }
        if (errno != EEXIST)
            return fail(QStringLiteral("Cannot create a file in"), folder.path(), errno);
    }
    return fail(QStringLiteral("Cannot create a file in"), folder.path(), EEXIST);
}

bool TStagedFile::createReplacing(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        return fail(QStringLiteral("Cannot read"), file, ENOENT);
    // No write bit at all means "keep this file" also for root, whom the
    // access check always lets through.
    constexpr QFile::Permissions anyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!info.isWritable() || !(info.permissions() & anyWrite))
        return fail(QStringLiteral("Cannot change"), file, EACCES);
    // A link stays a link: the file it points to is the one replaced.
    if (!create(info.isSymLink() ? info.canonicalFilePath() : file))
        return false;
    QFile::setPermissions(m_path, info.permissions());
    return true;
}

bool TStagedFile::commit()
{
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("Nothing to save.");
        return false;
    }
    // On disk before the rename: a crash then leaves the old file or the
    // whole new one, never an empty one.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return fail(QStringLiteral("Cannot write"), m_destination, error);
    }
    ::close(fd);
    if (std::rename(QFile::encodeName(m_path).constData(),
                    QFile::encodeName(m_destination).constData()) != 0)
        return fail(QStringLiteral("Cannot save"), m_destination, errno);
    m_path.clear();
    m_error.clear();
    return true;
}

void TStagedFile::discard()
{
    if (m_path.isEmpty())
        return;
    QFile::remove(m_path);
    m_path.clear();
}
