#include "wave_audio_device.h"

#include "audio/alsa_pcm_device.h"
#include "audio/wave_header.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

// Frames moved per turn of a worker: 20 ms.
int chunkFrames(int rate)
{
    return std::max(1, rate / 50);
}

// Sleeps until frames of audio have had time to pass since start; false when
// a stop was requested meanwhile.
bool paceTo(Clock::time_point start, qint64 frames, int rate, const std::atomic<bool>& stop)
{
    const auto due = start + std::chrono::microseconds(frames * 1000000 / rate);
    for (;;) {
        if (stop)
            return false;
        const auto now = Clock::now();
        if (now >= due)
            return true;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(due - now, std::chrono::milliseconds(20)));
    }
}

void put16(QByteArray& b, int at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}

void put32(QByteArray& b, int at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

// Copies length bytes from the current position of in to out.
bool copyBytes(QIODevice& in, QIODevice& out, qint64 length)
{
    std::vector<char> buffer(1 << 16);
    while (length > 0) {
        const qint64 want = std::min<qint64>(length, qint64(buffer.size()));
        if (in.read(buffer.data(), want) != want || out.write(buffer.data(), want) != want)
            return false;
        length -= want;
    }
    return true;
}

// Playback during a playback-capable run: leads the wall clock by this much so
// the device buffer never runs dry.
constexpr qint64 kPlayLeadMilliseconds = 150;
} // namespace

TWaveAudioDevice::TWaveAudioDevice() = default;

TWaveAudioDevice::~TWaveAudioDevice()
{
    Close();
}

QByteArray TWaveAudioDevice::EmptyWaveHeader(int channels, int bits, int rate)
{
    QByteArray h(44, '\0');
    const int align = channels * (bits / 8);
    std::copy_n("RIFF", 4, h.data());
    put32(h, 4, 36);
    std::copy_n("WAVEfmt ", 8, h.data() + 8);
    put32(h, 16, 16);
    put16(h, 20, 1);
    put16(h, 22, quint16(channels));
    put32(h, 24, quint32(rate));
    put32(h, 28, quint32(rate) * quint32(align));
    put16(h, 32, quint16(align));
    put16(h, 34, quint16(bits));
    std::copy_n("data", 4, h.data() + 36);
    put32(h, 40, 0);
    return h;
}

void TWaveAudioDevice::CreateEmptyWave(const QString& path, int channels, int bits, int rate)
{
    if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate <= 0)
        throw EWaveDeviceError(QStringLiteral("Unsupported recording format"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(EmptyWaveHeader(channels, bits, rate)) != 44 || !file.commit())
        throw EWaveDeviceError(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

void TWaveAudioDevice::Open(const QString& path)
{
    Close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EWaveDeviceError(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    const TWaveHeader h = ScanWaveHeader(file, WaveScanMode::Reader);
    if (h.type == wtUnsupported)
        throw EWaveDeviceError(
            QStringLiteral("%1 is not a WAV file this program can read").arg(path));
    const bool pcmBits = h.bitsPerSample == 8 || h.bitsPerSample == 16 || h.bitsPerSample == 24 ||
                         h.bitsPerSample == 32;
    if (h.type != wtPCM || !pcmBits || h.sampleRate <= 0 ||
        h.blockAlign != h.channels * h.bitsPerSample / 8 || h.blockAlign <= 0)
        throw EWaveDeviceError(QStringLiteral("%1 is not an uncompressed PCM WAV file").arg(path));

    m_path = path;
    m_channels = h.channels;
    m_bits = h.bitsPerSample;
    m_rate = h.sampleRate;
    m_blockAlign = h.blockAlign;
    m_dataOffset = h.dataOffset;
    m_dataLengthOffset = h.dataLengthOffset;
    // A header written before the data arrived (size 0) or one that claims
    // more than the file holds: the file's bytes count.
    const qint64 present = std::max<qint64>(0, file.size() - h.dataOffset);
    qint64 data = (h.dataLength > 0 && h.dataLength < present) ? qint64(h.dataLength) : present;
    data -= data % m_blockAlign;
    m_fileData = data;
    m_keep = data;
    m_captureBytes = 0;
    m_position = 0;
    {
        std::lock_guard lock(m_errorLock);
        m_error.clear();
    }
    m_mode = TWaveMode::Stopped;
}

void TWaveAudioDevice::Close()
{
    join();
    m_capture.reset();
    m_captureBytes = 0;
    m_path.clear();
    m_mode = TWaveMode::NotOpen;
}

qint64 TWaveAudioDevice::logicalBytes() const
{
    return m_capture ? m_keep + m_captureBytes.load() : m_fileData;
}

qint64 TWaveAudioDevice::msToBytes(qint64 ms) const
{
    const qint64 bytes = ms * m_rate / 1000 * m_blockAlign;
    return std::clamp<qint64>(bytes, 0, logicalBytes());
}

qint64 TWaveAudioDevice::bytesToMs(qint64 bytes) const
{
    return m_blockAlign > 0 ? bytes / m_blockAlign * 1000 / m_rate : 0;
}

qint64 TWaveAudioDevice::Length() const
{
    return IsOpen() ? bytesToMs(logicalBytes()) : 0;
}

qint64 TWaveAudioDevice::Position() const
{
    return IsOpen() ? bytesToMs(m_position.load()) : 0;
}

QString TWaveAudioDevice::LastError() const
{
    std::lock_guard lock(m_errorLock);
    return m_error;
}

void TWaveAudioDevice::fail(const QString& message)
{
    std::lock_guard lock(m_errorLock);
    m_error = message;
}

void TWaveAudioDevice::ensureOpen() const
{
    if (!IsOpen())
        throw EWaveDeviceError(QStringLiteral("No sound file is open"));
}

void TWaveAudioDevice::join()
{
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
    m_stop = false;
    if (IsOpen())
        m_mode = TWaveMode::Stopped;
}

void TWaveAudioDevice::Stop()
{
    join();
}

void TWaveAudioDevice::Seek(qint64 ms)
{
    ensureOpen();
    join();
    m_position = msToBytes(ms);
}

void TWaveAudioDevice::SeekToStart()
{
    Seek(0);
}

void TWaveAudioDevice::SeekToEnd()
{
    ensureOpen();
    join();
    m_position = logicalBytes();
}

void TWaveAudioDevice::Step()
{
    ensureOpen();
    join();
    m_position = std::min(logicalBytes(), m_position + msToBytes(kStepMilliseconds));
}

void TWaveAudioDevice::Back()
{
    ensureOpen();
    join();
    m_position = std::max<qint64>(0, m_position - msToBytes(kStepMilliseconds));
}

std::unique_ptr<AlsaPcmDevice> TWaveAudioDevice::openPcm(bool capture) const
{
    try {
        if (capture)
            return std::make_unique<AlsaPcmDevice>(AlsaDeviceName("QUILLON_ALSA_CAPTURE_DEVICE"),
                                                   AlsaPcmDevice::Direction::Capture, m_bits,
                                                   m_channels, m_rate);
        return std::make_unique<AlsaPcmDevice>(AlsaDeviceName("QUILLON_ALSA_DEVICE"),
                                               AlsaPcmDevice::Direction::Playback, m_bits,
                                               m_channels, m_rate);
    } catch (const EAlsaError& e) {
        throw EWaveDeviceError(QString::fromStdString(e.what()));
    }
}

void TWaveAudioDevice::Play(qint64 fromMs)
{
    ensureOpen();
    join();
    const qint64 from = fromMs >= 0 ? msToBytes(fromMs) : m_position.load();
    auto pcm = openPcm(false);
    fail({});
    m_position = from;
    m_mode = TWaveMode::Playing;
    m_worker = std::thread(&TWaveAudioDevice::playLoop, this, std::move(pcm), Clock::now(), from,
                           logicalBytes());
}

void TWaveAudioDevice::playLoop(std::unique_ptr<AlsaPcmDevice> pcm, Clock::time_point start,
                                qint64 from, qint64 end)
{
    QFile file(m_path);
    QFile capture(m_capture ? m_capture->fileName() : QString());
    const qint64 keep = m_capture ? m_keep : end;
    const int frames = chunkFrames(m_rate);
    std::vector<char> buffer(size_t(frames) * size_t(m_blockAlign));
    try {
        if (!file.open(QIODevice::ReadOnly) || (m_capture && !capture.open(QIODevice::ReadOnly)))
            throw EWaveDeviceError(QStringLiteral("Cannot read %1").arg(m_path));
        const qint64 leadFrames = kPlayLeadMilliseconds * m_rate / 1000;
        qint64 written = 0;
        qint64 at = from;
        while (at < end) {
            if (!paceTo(start, std::max<qint64>(0, written - leadFrames), m_rate, m_stop))
                break;
            const qint64 want = std::min<qint64>(qint64(buffer.size()), end - at);
            // The bytes before the recording come from the file, the rest from
            // the recording kept aside.
            const qint64 fromFile = std::clamp<qint64>(keep - at, 0, want);
            if (fromFile > 0 &&
                (!file.seek(m_dataOffset + at) || file.read(buffer.data(), fromFile) != fromFile))
                throw EWaveDeviceError(QStringLiteral("Cannot read %1").arg(m_path));
            if (want > fromFile &&
                (!capture.seek(at + fromFile - keep) ||
                 capture.read(buffer.data() + fromFile, want - fromFile) != want - fromFile))
                throw EWaveDeviceError(QStringLiteral("Cannot read the recording"));
            const long count = long(want / m_blockAlign);
            long done = 0;
            while (done < count && !m_stop) {
                if (!pcm->wait(100))
                    continue;
                done += pcm->write(buffer.data() + done * m_blockAlign, count - done);
            }
            written += done;
            at += qint64(done) * m_blockAlign;
            m_position = at;
            if (m_stop)
                break;
        }
        if (m_stop)
            pcm->drop();
        else
            pcm->drain();
    } catch (const std::exception& e) {
        fail(QString::fromStdString(e.what()));
    }
    m_mode = TWaveMode::Stopped;
}

void TWaveAudioDevice::Record(qint64 fromMs)
{
    ensureOpen();
    join();
    const qint64 from = fromMs >= 0 ? msToBytes(fromMs) : m_position.load();
    auto pcm = openPcm(true);
    if (m_capture && from >= m_keep) {
        // Recording again inside the recording not yet saved: keep what
        // comes before the new start.
        if (!m_capture->resize(from - m_keep))
            throw EWaveDeviceError(QStringLiteral("Cannot write the recording"));
        m_captureBytes = from - m_keep;
    } else {
        auto capture = std::make_unique<QTemporaryFile>(m_path + QStringLiteral(".XXXXXX.rec"));
        if (!capture->open())
            throw EWaveDeviceError(
                QStringLiteral("Cannot create a recording file beside %1").arg(m_path));
        m_capture = std::move(capture);
        m_keep = std::min(from, m_fileData);
        m_captureBytes = 0;
    }
    fail({});
    m_position = from;
    m_mode = TWaveMode::Recording;
    // The clock starts now, not when the worker gets going.
    m_worker = std::thread(&TWaveAudioDevice::recordLoop, this, std::move(pcm), Clock::now());
}

void TWaveAudioDevice::recordLoop(std::unique_ptr<AlsaPcmDevice> pcm, Clock::time_point start)
{
    QFile out(m_capture->fileName());
    const int frames = chunkFrames(m_rate);
    std::vector<char> buffer(size_t(frames) * size_t(m_blockAlign));
    // A RIFF file counts its size in 32 bits.
    qint64 limit = qint64(0xFFFFFFFFu) - m_dataOffset - 1;
    limit -= limit % m_blockAlign;
    try {
        // Unbuffered, so that a full disk shows at the write that failed.
        if (!out.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !out.seek(m_captureBytes))
            throw EWaveDeviceError(QStringLiteral("Cannot write the recording"));
        qint64 captured = 0;
        while (paceTo(start, captured + frames, m_rate, m_stop)) {
            if (!pcm->wait(100))
                continue;
            const long n = pcm->read(buffer.data(), frames);
            if (n <= 0)
                continue;
            const qint64 bytes = qint64(n) * m_blockAlign;
            if (m_keep + m_captureBytes + bytes > limit)
                throw EWaveDeviceError(
                    QStringLiteral("The recording has reached the largest size of a WAV file"));
            if (out.write(buffer.data(), bytes) != bytes)
                throw EWaveDeviceError(
                    QStringLiteral("Cannot write the recording: %1").arg(out.errorString()));
            captured += n;
            m_captureBytes += bytes;
            m_position = m_keep + m_captureBytes;
        }
        pcm->drop();
    } catch (const std::exception& e) {
        fail(QString::fromStdString(e.what()));
    }
    out.close();
    m_mode = TWaveMode::Stopped;
}

void TWaveAudioDevice::Save()
{
    ensureOpen();
    join();
    const qint64 data = logicalBytes();
    const qint64 pad = data % 2; // RIFF chunks are padded to even sizes
    QFile in(m_path);
    if (!in.open(QIODevice::ReadOnly))
        throw EWaveDeviceError(QStringLiteral("Cannot read %1: %2").arg(m_path, in.errorString()));
    QByteArray header = in.read(m_dataOffset);
    if (header.size() != m_dataOffset)
        throw EWaveDeviceError(QStringLiteral("Cannot read %1").arg(m_path));
    put32(header, 4, quint32(m_dataOffset + data + pad - 8));
    put32(header, int(m_dataLengthOffset), quint32(data));

    QSaveFile out(m_path);
    bool ok = out.open(QIODevice::WriteOnly) && out.write(header) == header.size() &&
              copyBytes(in, out, std::min(m_keep, data));
    if (ok && m_capture) {
        QFile capture(m_capture->fileName());
        ok = capture.open(QIODevice::ReadOnly) && copyBytes(capture, out, m_captureBytes);
    }
    if (ok && pad)
        ok = out.write("\0", 1) == 1;
    if (!ok || !out.commit()) {
        out.cancelWriting();
        throw EWaveDeviceError(QStringLiteral("Cannot save %1: %2").arg(m_path, out.errorString()));
    }
    m_fileData = data;
    m_keep = data;
    m_capture.reset();
    m_captureBytes = 0;
}
