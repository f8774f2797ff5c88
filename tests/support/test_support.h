#pragma once
// Helpers shared by every test executable.

#include "settings/options_setting.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <iosfwd>
#include <memory>

// Readable QString / QByteArray in GoogleTest failure messages.
void PrintTo(const QString& s, std::ostream* os);
void PrintTo(const QByteArray& b, std::ostream* os);

namespace quillon::test {

// A fresh, empty program folder for one test: sets QUILLON_HOME to a temporary
// directory for the lifetime of the object and restores the old value after.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const;                    // no trailing separator
    QString file(const QString& name) const; // path()/name

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

// Folder of the build's executables (quillon, quillon-wmaenc, tools).
QString binDir();
// tests/data in the source tree.
QString dataDir();

// Reads a whole file; empty on failure.
QByteArray readFile(const QString& path);
// Writes a whole file; false on failure.
bool writeFile(const QString& path, const QByteArray& data);

// True when an external program is found on PATH.
bool haveProgram(const QString& name);

// A real JPEG image of noise, made by ffmpeg (kept for the process): the
// size of a cover; empty when ffmpeg failed.
QByteArray noiseJpeg(int width, int height);

// Caps the size of any file this process writes (RLIMIT_FSIZE) for the
// lifetime of the object, with SIGXFSZ ignored, so a write past the cap fails
// with EFBIG. A real way to make writes fail, also when the tests run as root.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(qint64 bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    unsigned long long m_soft = 0;
    unsigned long long m_hard = 0;
    void (*m_previousHandler)(int) = nullptr;
};

// Extractions read plainly, without asking any database (for tests about
// something else than verification).
void UsePlainReads(TOptionsSetting& options);
// The same as an options.ini section.
inline constexpr char kPlainReadsIni[] = "[Verify]\nReadMode=burst\nAccurateRip=0\nCTDB=0\n";

} // namespace quillon::test
