#pragma once
// Helpers for the Vorbis tests (audio, jobs, e2e): running a writer to its
// end, decoding with our reader, and checking files with the vorbis-tools.

#include "audio/vorbis_in.h"
#include "audio/vorbis_out.h"
#include "audio_test_util.h"

#include <QProcess>

#include <cmath>
#include <string>

namespace vorbistest {

// Runs out over source to its end; the error text, if any ("" on success).
inline std::string runOutput(TPcmOutput& out, TPcmInput& source)
{
    struct Result {
        audiotest::EventCounter finished;
        std::mutex lock;
        std::string error;
    };
    auto result = std::make_shared<Result>();
    out.OnDone = [result](QObject*) { result->finished.hit(); };
    out.OnThreadException = [result](QObject*, const std::exception& e) {
        {
            std::lock_guard lock(result->lock);
            result->error = e.what();
        }
        result->finished.hit();
    };
    out.SetInput(&source);
    out.Run();
    if (!result->finished.waitFor(1, std::chrono::seconds(120)))
        return "timed out";
    audiotest::waitUntil([&] { return !out.Busy(); });
    out.SetInput(nullptr);
    std::lock_guard lock(result->lock);
    return result->error;
}

// Encodes 16-bit PCM into path with a writer set up by configure.
template <typename F>
std::string encode(const QString& path, const QByteArray& pcm, int channels, int rate,
                   F&& configure, qint64 chunk = 5003)
{
    audiotest::PcmSource source(pcm, 16, channels, rate, chunk);
    TVorbisOut out;
    out.SetFileName(path);
    configure(out);
    return runOutput(out, source);
}

inline std::string encode(const QString& path, const QByteArray& pcm, int channels, int rate)
{
    return encode(path, pcm, channels, rate, [](TVorbisOut&) {});
}

// Everything our reader delivers in one run, read in odd-sized pieces.
inline QByteArray readAll(TVorbisIn& in, qint64 limit = 1 << 28)
{
    QByteArray all;
    in.BeginRead();
    char buffer[3001];
    qint64 n;
    while (all.size() < limit && (n = in.ReadData(buffer, sizeof buffer)) > 0)
        all.append(buffer, n);
    in.EndRead();
    return all;
}

inline QByteArray decodeFile(const QString& path)
{
    TVorbisIn in;
    in.SetFileName(path);
    return readAll(in);
}

struct ToolResult {
    int exitCode = -1;
    QString output; // standard output and error together
};

inline ToolResult runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    ToolResult r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

// "" when ogginfo accepts the file without a warning, else what it said.
inline std::string oggInfoComplaint(const QString& path)
{
    const ToolResult r = runTool(QStringLiteral("ogginfo"), {path});
    if (r.exitCode != 0 || r.output.contains(QStringLiteral("WARNING")) ||
        r.output.contains(QStringLiteral("ERROR")))
        return r.output.isEmpty() ? std::string("ogginfo failed") : r.output.toStdString();
    return "";
}

// The comment lines vorbiscomment lists for the (first) stream.
inline QStringList listComments(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("vorbiscomment"), {QStringLiteral("-l"), path});
    p.waitForFinished(60000);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// oggdec's decoding: raw 16-bit little-endian signed.
inline QByteArray oggdecDecode(const QString& path)
{
    return audiotest::runProgram(QStringLiteral("oggdec"),
                                 {QStringLiteral("-Q"), QStringLiteral("-R"), QStringLiteral("-o"),
                                  QStringLiteral("-"), path});
}

// Normalised correlation of two 16-bit streams over their common length.
inline double correlation(const QByteArray& a, const QByteArray& b)
{
    const qsizetype n = std::min(a.size(), b.size()) / 2;
    double ab = 0, aa = 0, bb = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double x = audiotest::sampleAt(a, i);
        const double y = audiotest::sampleAt(b, i);
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return aa == 0 || bb == 0 ? 0 : ab / std::sqrt(aa * bb);
}

// Writes a 16-bit PCM WAV file.
inline std::string writeWav(const QString& path, const QByteArray& pcm, int channels, int rate)
{
    audiotest::PcmSource source(pcm, 16, channels, rate, 16384);
    TWaveOut out;
    out.SetFileName(path);
    return runOutput(out, source);
}

} // namespace vorbistest
