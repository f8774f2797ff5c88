#pragma once
// TPartFile: an output that is written under a temporary name beside its
// destination and takes the destination's name only when it is complete.
// Whatever happens before commit() (a stop, a failing encoder, a full disk, a
// crash), the destination keeps what it held before, and the temporary file
// is removed by discard() or the destructor.
//
// The temporary name is hidden and ends in ".part" (".Intro.mp3.k3J9aZ.part");
// it is created exclusively, so it never names a file someone else owns.
// Its content may be written by anyone between create() and commit(): this
// program, a worker thread or a child process given path().
//
// Threads: the object is used by one thread at a time.

#include <QString>

// The system's text for an errno value ("No space left on device").
QString SystemErrorText(int error);

class TPartFile {
public:
    TPartFile() = default;
    explicit TPartFile(const QString& destination) : m_destination(destination) {}
    ~TPartFile();
    TPartFile(TPartFile&& other) noexcept;
    TPartFile& operator=(TPartFile&& other) noexcept;
    TPartFile(const TPartFile&) = delete;
    TPartFile& operator=(const TPartFile&) = delete;

    // Creates the empty temporary file; false with errorText() when the
    // folder cannot be written.
    bool create();
    // True between create() and commit() or discard().
    bool isOpen() const { return !m_path.isEmpty(); }
    const QString& path() const { return m_path; }
    const QString& destination() const { return m_destination; }

    // Flushes the temporary file to disk and renames it to the destination.
    // Without replace, a destination that exists (it may have appeared since
    // the user was asked) is left alone and the commit fails.
    bool commit(bool replace);
    // Removes the temporary file, if any.
    void discard();

    // Why the last call failed, with the path it concerns.
    const QString& errorText() const { return m_error; }

private:
    QString m_destination;
    QString m_path;
    QString m_error;
};

// Tries to make and remove a file in folder; false with the reason ("cannot
// write into <folder>: <system reason>") when that is not possible.
bool CheckWritableFolder(const QString& folder, QString* error);

// Learns why writing a file failed when the writer (a child process) did not
// say: appends a block to path and reports the system's reason if that fails
// too; empty when the write works. The block is cut off again.
QString ProbeWriteFailure(const QString& path);

// Copies from onto to: the copy is written under a temporary name beside to
// and takes its name when complete, replacing a file there (the caller has
// asked). false with the reason in error; to is untouched then.
bool CopyFileReplacing(const QString& from, const QString& to, QString* error);
// Moves from onto to: a rename where the file system allows it, else a
// complete copy as above and then the removal of from.
bool MoveFileReplacing(const QString& from, const QString& to, QString* error);
