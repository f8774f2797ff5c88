#include "jobs/part_file.h"

#include "jobs/file_writer.h"
#include "jobs/safe_file_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Room left in the 255 bytes for '.', ".XXXXXX" and ".part".
constexpr int kTempStemBytes = kMaxFileNameBytes - 20;

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

QString randomTag()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString tag;
    for (int i = 0; i < 6; ++i)
        tag += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return tag;
}

int openRetrying(const QByteArray& path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Flushes path's content to the disk; 0 or the errno.
int syncFile(const QString& path)
{
    const int fd = openRetrying(nativePath(path), O_RDONLY);
    if (fd < 0)
        return errno;
    const int result = SyncDescriptor(fd);
    ::close(fd);
    return result;
}

int renameNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // The file system cannot refuse to replace: look first.
    if (QFileInfo::exists(QFile::decodeName(to)))
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

} // namespace

QString SystemErrorText(int error)
{
    char buffer[256] = {};
    // The GNU strerror_r returns the text, which may not be in buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

TPartFile::~TPartFile()
{
    discard();
}

TPartFile::TPartFile(TPartFile&& other) noexcept
    : m_destination(std::move(other.m_destination)), m_path(std::move(other.m_path)),
      m_error(std::move(other.m_error))
{
    other.m_path.clear();
}

TPartFile& TPartFile::operator=(TPartFile&& other) noexcept
{
    if (this != &other) {
        discard();
        m_destination = std::move(other.m_destination);
        m_path = std::move(other.m_path);
        m_error = std::move(other.m_error);
        other.m_path.clear();
    }
    return *this;
}

bool TPartFile::create()
{
    discard();
    m_error.clear();
    const QFileInfo destination(m_destination);
    const QString folder = destination.path();
    const QString stem = CutToUtf8Bytes(destination.fileName(), kTempStemBytes);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = folder + QStringLiteral("/.") + stem + QLatin1Char('.') +
                                  randomTag() + QStringLiteral(".part");
        const int fd = openRetrying(nativePath(candidate), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_path = candidate;
            return true;
        }
        if (errno != EEXIST) {
            m_error = QStringLiteral("cannot write into %1: %2")
                          .arg(QDir::toNativeSeparators(folder), SystemErrorText(errno));
            return false;
        }
    }
    m_error = QStringLiteral("cannot write into %1: no free temporary name").arg(folder);
    return false;
}

bool TPartFile::commit(bool replace)
{
    m_error.clear();
    if (m_path.isEmpty()) {
        m_error = QStringLiteral("cannot write %1: nothing was written").arg(m_destination);
        return false;
    }
    int error = syncFile(m_path);
    if (error == 0) {
        const QByteArray from = nativePath(m_path);
        const QByteArray to = nativePath(m_destination);
        error = replace ? (::rename(from.constData(), to.constData()) == 0 ? 0 : errno)
                        : renameNoReplace(from, to);
    }
    if (error == EEXIST) {
        m_error = QStringLiteral("%1 exists already; it was kept").arg(m_destination);
        return false;
    }
    if (error != 0) {
        m_error = QStringLiteral("cannot write %1: %2").arg(m_destination, SystemErrorText(error));
        return false;
    }
    m_path.clear();
    return true;
}

void TPartFile::discard()
{
    if (m_path.isEmpty())
        return;
    ::unlink(nativePath(m_path).constData());
    m_path.clear();
}

bool CheckWritableFolder(const QString& folder, QString* error)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir()) {
        if (error)
            *error = QStringLiteral("cannot write into %1: %2")
                         .arg(folder, SystemErrorText(info.exists() ? ENOTDIR : ENOENT));
        return false;
    }
    TPartFile probe(QDir(folder).filePath(QStringLiteral("quillon")));
    if (!probe.create()) {
        if (error)
            *error = probe.errorText();
        return false;
    }
    return true;
}

QString ProbeWriteFailure(const QString& path)
{
    // A writer that removed its file on failure leaves nothing to learn from.
    const int fd = openRetrying(nativePath(path), O_WRONLY | O_APPEND);
    if (fd < 0)
        return {};
    const off_t size = ::lseek(fd, 0, SEEK_END);
    std::vector<char> block(64 * 1024, '\0');
    size_t done = 0;
    int error = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(fd, block.data() + done, block.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += size_t(n);
    }
    if (error == 0)
        error = SyncDescriptor(fd);
    if (size >= 0 && ::ftruncate(fd, size) != 0) {
        // Nothing to do: the file is a temporary one about to be removed.
    }
    ::close(fd);
    return error ? SystemErrorText(error) : QString();
}

bool CopyFileReplacing(const QString& from, const QString& to, QString* error)
{
    const auto failed = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("cannot read %1: %2").arg(from, in.errorString()));
    TPartFile part(to);
    if (!part.create())
        return failed(part.errorText());
    TFileWriter out;
    if (!out.open(part.path(), to))
        return failed(out.errorText());
    QByteArray block(1 << 16, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(block.data(), block.size());
        if (n < 0)
            return failed(QStringLiteral("cannot read %1: %2").arg(from, in.errorString()));
        if (n == 0)
            break;
        if (!out.write(block.constData(), n))
            return failed(out.errorText());
    }
    if (!out.close())
        return failed(out.errorText());
    if (!part.commit(true))
        return failed(part.errorText());
    return true;
}

bool MoveFileReplacing(const QString& from, const QString& to, QString* error)
{
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) == 0)
        return true;
    if (errno != EXDEV) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(to, SystemErrorText(errno));
        return false;
    }
    if (!CopyFileReplacing(from, to, error))
        return false;
    ::unlink(nativePath(from).constData());
    return true;
}
