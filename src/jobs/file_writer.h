#pragma once
// TFileWriter: writes and rereads one existing file through its descriptor,
// so that a failure carries the system's own reason ("No space left on
// device", "File too large") instead of a short count without one.
//
// Appending writes gather in a buffer and reach the file in large pieces;
// any other call writes the buffer out first, so the file reads back as
// written.
//
// Threads: one thread at a time (the rip thread uses it on its worker).

#include <QString>

#include <vector>

// fsync(fd): 0 or the errno. File systems that cannot sync (FUSE, SMB) count
// as synced: the rename that follows is still atomic.
int SyncDescriptor(int fd);

class TFileWriter {
public:
    TFileWriter() = default;
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;

    // Opens path for reading and writing, emptied (made when missing). shownPath names the file
    // in messages (the destination rather than its temporary name).
    bool open(const QString& path, const QString& shownPath);
    // Writes all of data at the end of what was written so far. A failure
    // may be told by a later call, when the buffer is written out.
    bool write(const char* data, qint64 size);
    bool writeAt(qint64 offset, const char* data, qint64 size);
    // Cuts the file back to its first size bytes (a track read again starts
    // over after the header).
    bool truncate(qint64 size);
    // Reads up to size bytes at offset; -1 on failure.
    qint64 readAt(qint64 offset, char* data, qint64 size);
    qint64 size() const { return m_end; }
    // Closes the file; a failure of the close (some file systems report a
    // full disk only here) counts as a write failure.
    bool close();
    // Writes out what is gathered and waits until the file is on the disk.
    // File systems that cannot sync (FUSE, SMB) count as done.
    bool sync();

    // "cannot write <shownPath>: <reason>" after a failure.
    const QString& errorText() const { return m_error; }

private:
    bool fail(const char* verb, int error);
    bool pwriteAll(qint64 offset, const char* data, qint64 size);
    // Writes out what is gathered; false when that fails.
    bool flush();

    static constexpr size_t kBufferBytes = 512 * 1024;
    std::vector<char> m_buffer; // the last bytes before m_end, not yet in the file

    int m_fd = -1;
    qint64 m_end = 0;
    QString m_shown;
    QString m_error;
};
