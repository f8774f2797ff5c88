#pragma once
// A file written under a hidden temporary name beside its destination
// (".NAME.1.part") that takes the destination's name only when it is
// complete. Until commit() the destination keeps what it held; discard() or
// the destructor removes the temporary file.
//
// The temporary name is created exclusively, so it never names a file
// someone else made. Whoever writes it (this program, a library that opens
// the path itself) does so between create() and commit().
//
// Threads: one thread at a time.

#include <QString>

class TStagedFile {
public:
    TStagedFile() = default;
    ~TStagedFile();
    TStagedFile(const TStagedFile&) = delete;
    TStagedFile& operator=(const TStagedFile&) = delete;

    // Reserves the temporary name beside destination; false with error()
    // when the folder cannot take it.
    bool create(const QString& destination);
    // Reserves the temporary name for a new version of an existing file we
    // may change, with the file's permissions: the way to change a file
    // safely. A symbolic link's target is the one replaced. Refuses a
    // write-protected file.
    bool createReplacing(const QString& file);
    bool isOpen() const { return !m_path.isEmpty(); }
    const QString& path() const { return m_path; }
    const QString& destination() const { return m_destination; }

    // Flushes the temporary file to disk and renames it over the
    // destination, replacing a file there (the caller has made sure it may).
    bool commit();
    // Removes the temporary file, if any.
    void discard();

    // Why the last call failed, naming the file concerned.
    const QString& error() const { return m_error; }

private:
    bool fail(const QString& what, const QString& path, int error);

    QString m_destination;
    QString m_path;
    QString m_error;
};
