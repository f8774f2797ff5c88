#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>

#include <ostream>

#include <csignal>
#include <sys/resource.h>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

void PrintTo(const QByteArray& b, std::ostream* os)
{
    *os << "QByteArray(" << b.size() << " bytes: " << b.left(64).toHex(' ').toStdString()
        << (b.size() > 64 ? " ...)" : ")");
}

namespace quillon::test {

TempHome::TempHome()
{
    m_hadPrevious = qEnvironmentVariableIsSet("QUILLON_HOME");
    m_previous = qgetenv("QUILLON_HOME");
    qputenv("QUILLON_HOME", QFile::encodeName(m_dir.path()));
}

TempHome::~TempHome()
{
    if (m_hadPrevious)
        qputenv("QUILLON_HOME", m_previous);
    else
        qunsetenv("QUILLON_HOME");
}

QString TempHome::path() const
{
    return m_dir.path();
}

QString TempHome::file(const QString& name) const
{
    return m_dir.filePath(name);
}

QString binDir()
{
    return QStringLiteral(QUILLON_BIN_DIR);
}

QString dataDir()
{
    return QStringLiteral(QUILLON_TEST_DATA_DIR);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

bool haveProgram(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

QByteArray noiseJpeg(int width, int height)
{
    static QMap<QPair<int, int>, QByteArray> made;
    QByteArray& image = made[{width, height}];
    if (image.isEmpty()) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("noise.jpg"));
        QProcess ffmpeg;
        ffmpeg.start(
            QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("nullsrc=s=%1x%2,geq=random(1)*255:128:128").arg(width).arg(height),
             QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-q:v"),
             QStringLiteral("2"), path});
        if (ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0)
            image = readFile(path);
    }
    return image;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(qint64 bytes)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    m_soft = old.rlim_cur;
    m_hard = old.rlim_max;
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit capped = old;
    capped.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &capped);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    const rlimit old{rlim_t(m_soft), rlim_t(m_hard)};
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, m_previousHandler);
}

void UsePlainReads(TOptionsSetting& options)
{
    options.Verify.ReadMode = QStringLiteral("burst");
    options.Verify.AccurateRip = false;
    options.Verify.CTDB = false;
}

} // namespace quillon::test
