#pragma once
// Small helpers of the encoder tests: WAV files made on the spot, a scoped
// PATH, and fake encoder programs.

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <QtEndian>

#include <cmath>

// Writes a PCM WAV file: a 440 Hz tone, or noise when noise is set.
inline bool writeWav(const QString& path, int rate, int channels, int bits, double seconds,
                     bool noise = false)
{
    const int bytesPerSample = bits / 8;
    const qint64 frames = static_cast<qint64>(rate * seconds);
    QByteArray data;
    data.reserve(static_cast<qsizetype>(frames * channels * bytesPerSample));
    quint32 seed = 12345;
    for (qint64 i = 0; i < frames; ++i) {
        double v = 0.5 * std::sin(2.0 * M_PI * 440.0 * static_cast<double>(i) / rate);
        if (noise) {
            seed = seed * 1664525u + 1013904223u;
            v = (static_cast<double>(seed >> 8) / (1 << 24) - 0.5);
        }
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                data.append(static_cast<char>(static_cast<quint8>(128 + v * 127)));
            } else {
                const auto s = static_cast<qint16>(v * 32767);
                data.append(static_cast<char>(s & 0xff));
                data.append(static_cast<char>((s >> 8) & 0xff));
            }
        }
    }
    QByteArray header(44, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, header.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, header.data() + at); };
    header.replace(0, 4, "RIFF");
    put32(4, static_cast<quint32>(36 + data.size()));
    header.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1);
    put16(22, static_cast<quint16>(channels));
    put32(24, static_cast<quint32>(rate));
    put32(28, static_cast<quint32>(rate * channels * bytesPerSample));
    put16(32, static_cast<quint16>(channels * bytesPerSample));
    put16(34, static_cast<quint16>(bits));
    header.replace(36, 4, "data");
    put32(40, static_cast<quint32>(data.size()));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(header + data) == header.size() + data.size();
}

// Fills in what prepareStep sets before a step.
template <class Encoder>
void prepareStep(Encoder& encoder, QObject* window, const QString& in, const QString& out,
                 bool encode, quint8 kind)
{
    encoder.Active = true;
    encoder.ReportWindow = window;
    encoder.InputFile = in;
    encoder.OutputFile = out;
    encoder.EncodeMode = encode;
    encoder.JobKind = kind;
}

// Replaces PATH for the lifetime of the object.
class ScopedPath {
public:
    explicit ScopedPath(const QString& value) : m_old(qgetenv("PATH"))
    {
        qputenv("PATH", value.toLocal8Bit());
    }
    ~ScopedPath() { qputenv("PATH", m_old); }
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;

private:
    QByteArray m_old;
};

// Writes an executable script (a fake encoder for a test).
inline bool writeScript(const QString& path, const QByteArray& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n" + body);
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}
