#pragma once
// Playback tests without a sound card: ALSA reads the system configuration
// plus tests/data/alsa/quillon-test.conf, whose `quillon_play` device writes
// every byte played to the file named by QUILLON_ALSA_FILE (and `quillon_wav`
// the same with a WAV header, which shows the format the device was opened
// with). QUILLON_ALSA_DEVICE makes device 0 of TAudioOut one of them.

#include "support/test_support.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace audiotest {

class AlsaPlayback {
public:
    explicit AlsaPlayback(const char* device = "quillon_play")
        : m_file(m_dir.filePath(QStringLiteral("played.raw")))
    {
        const QString config = QStringLiteral("/usr/share/alsa/alsa.conf:") +
                               quillon::test::dataDir() + QStringLiteral("/alsa/quillon-test.conf");
        qputenv("ALSA_CONFIG_PATH", config.toLocal8Bit());
        qputenv("QUILLON_ALSA_DEVICE", device);
        qputenv("QUILLON_ALSA_FILE", m_file.toLocal8Bit());
    }
    ~AlsaPlayback()
    {
        qunsetenv("QUILLON_ALSA_DEVICE");
        qunsetenv("QUILLON_ALSA_FILE");
    }
    AlsaPlayback(const AlsaPlayback&) = delete;
    AlsaPlayback& operator=(const AlsaPlayback&) = delete;

    static void useDevice(const char* device) { qputenv("QUILLON_ALSA_DEVICE", device); }
    QString file() const { return m_file; }
    QByteArray played() const { return quillon::test::readFile(m_file); }
    qint64 playedSize() const { return QFileInfo(m_file).size(); }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

// Processes posted events until the condition holds (for up to twenty seconds).
template <typename F> bool processEventsUntil(F&& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace audiotest
