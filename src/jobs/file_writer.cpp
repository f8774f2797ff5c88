#include "jobs/file_writer.h"

#include "jobs/part_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

TFileWriter::~TFileWriter()
{
    // What was written is in the file, also when nobody closes it.
    close();
}

bool TFileWriter::fail(const char* verb, int error)
{
    m_error = QStringLiteral("cannot %1 %2: %3")
                  .arg(QLatin1String(verb), m_shown, SystemErrorText(error));
    return false;
}

bool TFileWriter::open(const QString& path, const QString& shownPath)
{
    close();
    m_shown = shownPath;
    m_error.clear();
    m_end = 0;
    do {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC,
                      0666);
    } while (m_fd < 0 && errno == EINTR);
    return m_fd >= 0 || fail("write", errno);
}

bool TFileWriter::pwriteAll(qint64 offset, const char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(m_fd, data + done, size_t(size - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail("write", errno);
        if (n == 0)
            return fail("write", EIO);
        done += n;
    }
    return true;
}

bool TFileWriter::flush()
{
    if (m_buffer.empty())
        return true;
    const qint64 start = m_end - qint64(m_buffer.size());
    const bool ok = pwriteAll(start, m_buffer.data(), qint64(m_buffer.size()));
    // Start writing it to the disk now, without waiting: the file is synced
    // before it takes its final name, and that sync then finds little left
    // to do instead of the whole file.
    if (ok)
        ::sync_file_range(m_fd, start, off_t(m_buffer.size()), SYNC_FILE_RANGE_WRITE);
    m_buffer.clear();
    return ok;
}

bool TFileWriter::writeAt(qint64 offset, const char* data, qint64 size)
{
    if (m_fd < 0)
        return fail("write", EBADF);
    if (!flush() || !pwriteAll(offset, data, size))
        return false;
    m_end = std::max(m_end, offset + size);
    return true;
}

bool TFileWriter::write(const char* data, qint64 size)
{
    if (m_fd < 0)
        return fail("write", EBADF);
    if (qint64(m_buffer.size()) + size > qint64(kBufferBytes) && !flush())
        return false;
    if (size >= qint64(kBufferBytes))
        return writeAt(m_end, data, size);
    if (m_buffer.capacity() < kBufferBytes)
        m_buffer.reserve(kBufferBytes);
    m_buffer.insert(m_buffer.end(), data, data + size);
    m_end += size;
    return true;
}

bool TFileWriter::truncate(qint64 size)
{
    if (m_fd < 0)
        return fail("write", EBADF);
    if (!flush())
        return false;
    while (::ftruncate(m_fd, off_t(size)) != 0) {
        if (errno != EINTR)
            return fail("write", errno);
    }
    m_end = size;
    return true;
}

qint64 TFileWriter::readAt(qint64 offset, char* data, qint64 size)
{
    if (m_fd < 0) {
        fail("read", EBADF);
        return -1;
    }
    if (!flush())
        return -1;
    for (;;) {
        const ssize_t n = ::pread(m_fd, data, size_t(size), off_t(offset));
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            fail("read", errno);
            return -1;
        }
    }
}

int SyncDescriptor(int fd)
{
    if (::fsync(fd) == 0)
        return 0;
    return errno == EINVAL || errno == ENOTSUP ? 0 : errno;
}

bool TFileWriter::sync()
{
    if (m_fd < 0 || !flush())
        return false;
    if (const int error = SyncDescriptor(m_fd))
        return fail("write", error);
    return true;
}

bool TFileWriter::close()
{
    if (m_fd < 0)
        return m_error.isEmpty();
    const bool flushed = flush();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return fail("write", errno);
    return flushed && m_error.isEmpty();
}
