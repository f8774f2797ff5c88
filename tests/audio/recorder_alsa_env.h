#pragma once
// ALSA for the recorder tests (also used by the recorder window's tests):
// capture from quillon_rec delivers the input bytes, playback through
// quillon_play writes the bytes played to a file. Sets ALSA_CONFIG_PATH and the
// device variables for the lifetime of the object.

#include "support/test_support.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillon::test {

// Deterministic "microphone" bytes: a counter pattern nobody records by chance.
inline QByteArray RecorderInputPattern(qsizetype size)
{
    QByteArray b(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xFF);
    return b;
}

class RecorderAlsaEnv {
public:
    explicit RecorderAlsaEnv(const QByteArray& input)
    {
        QByteArray conf = readFile(dataDir() + QStringLiteral("/alsa_recorder/recorder_test.conf"));
        conf.replace("@INPUT@", inputPath().toUtf8());
        conf.replace("@PLAYED@", playedPath().toUtf8());
        EXPECT_TRUE(writeFile(inputPath(), input));
        EXPECT_TRUE(writeFile(m_dir.filePath(QStringLiteral("test.conf")), conf));
        set("ALSA_CONFIG_PATH",
            "/usr/share/alsa/alsa.conf:" + m_dir.filePath(QStringLiteral("test.conf")).toUtf8());
        set("QUILLON_ALSA_CAPTURE_DEVICE", "quillon_rec");
        set("QUILLON_ALSA_DEVICE", "quillon_play");
    }
    ~RecorderAlsaEnv()
    {
        for (const char* name :
             {"ALSA_CONFIG_PATH", "QUILLON_ALSA_CAPTURE_DEVICE", "QUILLON_ALSA_DEVICE"})
            qunsetenv(name);
    }
    RecorderAlsaEnv(const RecorderAlsaEnv&) = delete;
    RecorderAlsaEnv& operator=(const RecorderAlsaEnv&) = delete;

    QString inputPath() const { return m_dir.filePath(QStringLiteral("input.raw")); }
    QString playedPath() const { return m_dir.filePath(QStringLiteral("played.raw")); }
    void set(const char* name, const QByteArray& value) { qputenv(name, value); }

private:
    QTemporaryDir m_dir;
};

} // namespace quillon::test
