#pragma once
// Small helpers for the audio tests: an in-memory source, a pass-through
// filter, a collecting sink and a waitable event counter.

#include "audio/pcm_converter.h"
#include "audio/pcm_exception.h"
#include "audio/pcm_output.h"

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace audiotest {
using namespace Qt::StringLiterals;

// Counts events and lets a test wait for them (never forever).
class EventCounter {
public:
    void hit(const std::string& text = {})
    {
        std::lock_guard lock(m_lock);
        ++m_count;
        m_last = text;
        m_changed.notify_all();
    }
    bool waitFor(int count, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, timeout, [&] { return m_count >= count; });
    }
    int count()
    {
        std::lock_guard lock(m_lock);
        return m_count;
    }
    std::string last()
    {
        std::lock_guard lock(m_lock);
        return m_last;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_count = 0;
    std::string m_last;
};

// Polls a condition for up to ten seconds (never a timing assertion).
template <typename F> bool waitUntil(F&& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A 16-bit stereo 44100 Hz source that repeats one byte, either for a fixed
// number of bytes or endlessly (Size -1).
class ByteSource : public TPcmInput {
public:
    ByteSource(char fill, qint64 total) : m_fill(fill), m_total(total) {}
    ~ByteSource() override { NotifyRemoval(); }
    int GetBitsPerSample() override { return 16; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    void BeginRead() override
    {
        m_size = m_total;
        m_position = 0;
        m_busy = true;
        ++beginCount;
    }
    void EndRead() override
    {
        m_busy = false;
        ++endCount;
    }
    qint64 ReadData(char* buffer, qint64 size) override
    {
        if (failReads)
            throw EPcmException("read failed");
        qint64 n = size;
        if (m_total >= 0)
            n = std::min<qint64>(size, m_total - m_position);
        std::fill(buffer, buffer + n, m_fill);
        m_position += n;
        ++reads;
        return n;
    }
    std::atomic<int> beginCount{0};
    std::atomic<int> endCount{0};
    std::atomic<int> reads{0};
    std::atomic<bool> failReads{false};

private:
    char m_fill;
    qint64 m_total;
};

// A filter that passes its input on unchanged.
class PassThrough : public TPcmConverter {
public:
    ~PassThrough() override { NotifyRemoval(); }
    int GetBitsPerSample() override { return Input() ? Input()->GetBitsPerSample() : 16; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    void BeginRead() override
    {
        if (Input())
            Input()->BeginRead();
        m_busy = true;
    }
    void EndRead() override
    {
        if (Input())
            Input()->EndRead();
        m_busy = false;
    }
    qint64 ReadData(char* buffer, qint64 size) override { return readInput(buffer, size); }
};

// A sink that keeps every byte it pulls, 4096 at a time.
class CollectingOut : public TPcmOutput {
public:
    ~CollectingOut() override { StopWorker(); }
    QByteArray data()
    {
        std::lock_guard lock(m_dataLock);
        return m_data;
    }
    std::atomic<int> blocks{0};
    std::atomic<int> finishCount{0};
    bool failPrepare = false;

protected:
    void PrepareRun() override
    {
        if (failPrepare)
            throw EPcmException("prepare failed");
        Input()->BeginRead();
    }
    bool ProduceBlock(bool abort) override
    {
        progressStep();
        if (!m_running)
            return true;
        if (abort)
            return false;
        char buffer[4096];
        const qint64 n = readInput(buffer, sizeof buffer);
        ++blocks;
        if (n <= 0)
            return false;
        std::lock_guard lock(m_dataLock);
        m_data.append(buffer, n);
        return true;
    }
    void FinishRun() override
    {
        ++finishCount;
        if (TPcmInput* input = Input())
            input->EndRead();
    }

private:
    std::mutex m_dataLock;
    QByteArray m_data;
};

} // namespace audiotest

namespace audiotest {

// A source that delivers the given PCM bytes in the given format, in reads of
// at most `chunk` bytes (odd sizes exercise the writers' accumulation).
class PcmSource : public TPcmInput {
public:
    PcmSource(QByteArray data, int bits, int channels, int rate, qint64 chunk = 5000)
        : m_data(std::move(data)), m_bits(bits), m_channels(channels), m_rate(rate), m_chunk(chunk)
    {}
    ~PcmSource() override { NotifyRemoval(); }
    int GetBitsPerSample() override { return m_bits; }
    int GetChannels() override { return m_channels; }
    int GetSampleRate() override { return m_rate; }
    void BeginRead() override
    {
        m_size = sizeUnknown ? -1 : m_data.size();
        m_position = 0;
        m_busy = true;
    }
    void EndRead() override { m_busy = false; }
    qint64 ReadData(char* buffer, qint64 size) override
    {
        const qint64 n = std::min({size, m_chunk, qint64(m_data.size()) - m_position});
        std::memcpy(buffer, m_data.constData() + m_position, size_t(n));
        m_position += n;
        return n;
    }
    bool sizeUnknown = false;

private:
    QByteArray m_data;
    int m_bits, m_channels, m_rate;
    qint64 m_chunk;
};

} // namespace audiotest

#include "audio/wave_in.h"
#include "audio/wave_out.h"

#include <QProcess>
#include <QStringList>
#include <QtEndian>

#include <cmath>

namespace audiotest {

// A deterministic test signal: two tones plus a little noise, 16-bit or 8-bit.
inline QByteArray testSignal(int frames, int bits, int channels, unsigned seed = 1)
{
    QByteArray out;
    unsigned state = seed;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            state = state * 1103515245u + 12345u;
            const double noise = double((state >> 16) & 0x3FF) / 1024.0 - 0.5;
            const double v = 0.45 * std::sin(i * (0.031 + 0.017 * c)) +
                             0.2 * std::sin(i * 0.0021 + c) + 0.02 * noise;
            if (bits == 16) {
                char b[2];
                qToLittleEndian<qint16>(qint16(std::lrint(v * 32767)), b);
                out.append(b, 2);
            } else {
                out.append(char(std::lrint(128 + v * 127)));
            }
        }
    }
    return out;
}

// Runs one writer over a source to the end; returns the error text, if any.
inline std::string writeWave(TPcmOutput& out, TPcmInput& source)
{
    // Shared with the handlers: the worker may still be returning from one
    // when this function has gone on.
    struct Result {
        EventCounter finished;
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
    if (!result->finished.waitFor(1))
        return "timed out";
    out.SetInput(nullptr);
    std::lock_guard lock(result->lock);
    return result->error;
}

// Everything a reader delivers in one run.
inline QByteArray readWave(TWaveIn& in, qint64 limit = 1 << 28)
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

inline QByteArray readWaveFile(const QString& path)
{
    TWaveIn in;
    in.SetFileName(path);
    return readWave(in);
}

// Runs a program with an argument vector; its standard output, or a null
// array when it failed.
inline QByteArray runProgram(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QByteArray();
    QByteArray out = p.readAllStandardOutput();
    if (out.isNull())
        out = QByteArray("");
    return out;
}

// A file's audio as ffmpeg decodes it: interleaved 16-bit little-endian.
inline QByteArray ffmpegDecode(const QString& path)
{
    return runProgram(QStringLiteral("ffmpeg"), {u"-v"_s, u"error"_s, u"-i"_s, path, u"-f"_s,
                                                 u"s16le"_s, u"-acodec"_s, u"pcm_s16le"_s, u"-"_s});
}

inline int16_t sampleAt(const QByteArray& pcm, qsizetype i)
{
    return qFromLittleEndian<qint16>(pcm.constData() + 2 * i);
}

} // namespace audiotest

namespace audiotest {

// "" when two 16-bit sample streams are equal, else where they first differ.
inline std::string sampleDifference(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (qsizetype i = 0; i < a.size() / 2; ++i) {
        if (sampleAt(a, i) != sampleAt(b, i))
            return "sample " + std::to_string(i) + ": " + std::to_string(sampleAt(a, i)) + " vs " +
                   std::to_string(sampleAt(b, i));
    }
    return "";
}

} // namespace audiotest

namespace audiotest {

// A whole-block decoder (sox, ffmpeg) may deliver the padding of the last
// block that the sample count leaves out: ours must be a prefix of theirs, at
// most one block shorter.
inline std::string prefixDifference(const QByteArray& ours, const QByteArray& theirs,
                                    qsizetype blockBytes)
{
    if (ours.size() > theirs.size() || theirs.size() - ours.size() > blockBytes)
        return "sizes " + std::to_string(ours.size()) + " and " + std::to_string(theirs.size());
    return sampleDifference(ours, theirs.left(ours.size()));
}

// Signal-to-error ratio in dB of a decoded stream against the original.
inline double snrDb(const QByteArray& original, const QByteArray& decoded)
{
    double error = 0, signal = 0;
    const qsizetype n = std::min(original.size(), decoded.size()) / 2;
    for (qsizetype i = 0; i < n; ++i) {
        const double d = sampleAt(decoded, i) - sampleAt(original, i);
        error += d * d;
        signal += double(sampleAt(original, i)) * sampleAt(original, i);
    }
    return error == 0 ? 200.0 : 10 * std::log10(signal / error);
}

// A file's audio as sox decodes it: interleaved 16-bit little-endian.
inline QByteArray soxDecode(const QString& path)
{
    return runProgram(QStringLiteral("sox"), {path, u"-t"_s, u"raw"_s, u"-e"_s, u"signed"_s,
                                              u"-b"_s, u"16"_s, u"-L"_s, u"-"_s});
}

} // namespace audiotest
