#include "cd_rip_thread.h"

#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"

#include <QFile>
#include <QObject>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void putLE32(char* p, std::uint32_t v)
{
    qToLittleEndian<quint32>(v, p);
}

void putLE16(char* p, std::uint16_t v)
{
    qToLittleEndian<quint16>(v, p);
}

// Largest absolute sample of a block of 16-bit little-endian samples.
int blockPeak(const char* data, qsizetype bytes)
{
    int peak = 0;
    for (qsizetype i = 0; i + 1 < bytes; i += 2) {
        const int s = qFromLittleEndian<qint16>(data + i);
        peak = std::max(peak, s < 0 ? -s : s);
    }
    return peak;
}

QString failureText(const QString& path, const QString& reason)
{
    return QStringLiteral("Could not write %1: %2").arg(path, reason);
}

} // namespace

QByteArray CDWavHeader(std::uint32_t dataLength)
{
    QByteArray h(kWavHeaderSize, '\0');
    char* p = h.data();
    std::memcpy(p, "RIFF", 4);
    putLE32(p + 4, dataLength + 36);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    putLE32(p + 16, 16);     // format length
    putLE16(p + 20, 1);      // PCM
    putLE16(p + 22, 2);      // channels
    putLE32(p + 24, 44100);  // samples per second
    putLE32(p + 28, 176400); // bytes per second
    putLE16(p + 32, 4);      // block alignment
    putLE16(p + 34, 16);     // bits per sample
    std::memcpy(p + 36, "data", 4);
    putLE32(p + 40, dataLength);
    return h;
}

bool IsValidTitleForFileName(const QString& title)
{
    if (title.isEmpty() || title == QLatin1String(".") || title == QLatin1String(".."))
        return false;
    for (const QChar c : title) {
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

float NormalizeGain(int peak, int percent)
{
    if (peak <= 0)
        return 1.0f;
    const double target = std::max(percent, 0) / 100.0 * 32768.0;
    return static_cast<float>(target / peak);
}

qint16 ScaleSample(qint16 sample, float factor)
{
    // nearbyint follows the default rounding mode: to nearest, ties to even.
    const float scaled = static_cast<float>(sample) * factor;
    const double r = std::nearbyint(static_cast<double>(scaled));
    return static_cast<qint16>(std::clamp(r, -32768.0, 32767.0));
}

void ProgressTimeTexts(double elapsedSeconds, int percent, QString& elapsed, QString& estimated)
{
    elapsed.clear();
    estimated.clear();
    if (percent <= 0)
        return;
    const double e = std::nearbyint(elapsedSeconds);
    elapsed = TimeText(static_cast<qint64>(e));
    estimated = TimeText(static_cast<qint64>(std::nearbyint(e * 100.0 / percent)));
}

TCDRipThread::TCDRipThread(qint32 trackIndex, const QString& title)
    : m_trackIndex(trackIndex), m_title(title)
{
}

TCDRipThread::~TCDRipThread()
{
    Wait();
}

QString TCDRipThread::FileName() const
{
    return AddBackslash(OptionsSetting.CommonOptions.OutputFolder) + m_title +
           QStringLiteral(".wav");
}

void TCDRipThread::Resume()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Execute(); });
}

void TCDRipThread::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void TCDRipThread::post(qint32 percent, qint32 result, const QString& elapsed,
                        const QString& estimated, const QString& message)
{
    if (!Window)
        return;
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = percent;
    info->StepResult = result;
    info->ElapsedText = elapsed;
    info->EstimatedText = estimated;
    info->Message = message;
    postProcessInfo(Window, std::move(info));
}

void TCDRipThread::postProgress(qint64 done, qint64 total, std::int64_t startMs)
{
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    QString elapsed, estimated;
    ProgressTimeTexts((nowMs() - startMs) / 1000.0, percent, elapsed, estimated);
    post(percent, 0, elapsed, estimated);
}

void TCDRipThread::postFinal(qint32 result, const QString& message)
{
    post(scRipDone, result, {}, {}, message);
}

void TCDRipThread::Execute()
{
    ICDAccess& cd = cdAccess();
    const TCommonOptions& options = OptionsSetting.CommonOptions;

    if (!cd.ModifyCDParms(CDHandle, 36, 1)) {
        if (Window)
            postMessage(Window, WM_RIPFAILED, rfAddressMode);
        return;
    }
    TTOC toc;
    if (!cd.ReadTOC(CDHandle, toc)) {
        if (Window)
            postMessage(Window, WM_RIPFAILED, rfReadTOC);
        return;
    }
    // A row number beyond the disc cannot be read; say so instead of reading
    // past the table.
    if (m_trackIndex < 1 || m_trackIndex > toc.TrackCount()) {
        postFinal(rrReadFailed,
                  QStringLiteral("Track %1 is not on this disc.").arg(m_trackIndex));
        return;
    }

    const TTOCTRACK& first = toc.Entries[m_trackIndex - 1];
    const TTOCTRACK& next = toc.Entries[m_trackIndex];
    // Reads address the disc by LBA, so the track's own LBA is its first
    // sector whatever the first track's offset is.
    const qint64 start = first.Lba();
    qint64 length = std::max<qint64>(0, next.MsfFrames() - first.MsfFrames());
    // A negative limit means no limit.
    if (options.EnableRipTime && options.RipTime >= 0 &&
        qint64(options.RipTime) * kFramesPerSecond < length)
        length = qint64(options.RipTime) * kFramesPerSecond;

    const QString fileName = FileName();
    // A title that is no plain file name must not reach the file system: it
    // could name a file outside the output folder.
    if (!IsValidTitleForFileName(m_title)) {
        postFinal(rrCreateFailed);
        return;
    }

    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        postFinal(rrCreateFailed, failureText(fileName, file.errorString()));
        return;
    }
    if (file.write(CDWavHeader(0)) != kWavHeaderSize) {
        const QString reason = file.errorString();
        file.close();
        postFinal(rrWriteFailed, failureText(fileName, reason));
        return;
    }

    const std::int64_t startMs = nowMs();
    m_peak = 0;
    qint64 done = 0;
    bool readFailed = false;
    QString writeError;
    while (done < length) {
        const int count = static_cast<int>(std::min<qint64>(kSectorsPerRead, length - done));
        {
            TTRACKBUF buf;
            buf.StartFrame = static_cast<std::int32_t>(start + done);
            buf.NumFrames = count;
            buf.MaxLen = count * kSectorSize;
            buf.Buf = QByteArray(buf.MaxLen, Qt::Uninitialized);
            if (cd.ReadCDAudioLBA(CDHandle, buf)) {
                // Trust the returned length and offset only inside the buffer.
                const qsizetype offset = std::clamp<qsizetype>(buf.StartOffset, 0, buf.Buf.size());
                const qsizetype len = std::clamp<qsizetype>(buf.Len, 0, buf.Buf.size() - offset);
                const char* data = buf.Buf.constData() + offset;
                m_peak = std::max(m_peak, blockPeak(data, len));
                if (file.write(data, len) != len)
                    writeError = file.errorString();
            } else {
                readFailed = true;
            }
        }
        done += count;
        postProgress(done, length, startMs);
        if (readFailed || !writeError.isEmpty() || StopRequested.load())
            break;
    }
    if (length == 0)
        postProgress(0, 0, startMs);

    if (readFailed) {
        file.close();
        postFinal(rrReadFailed);
        return;
    }
    if (!writeError.isEmpty()) {
        file.close();
        postFinal(rrWriteFailed, failureText(fileName, writeError));
        return;
    }

    const qint64 size = file.size();
    const auto dataLength = static_cast<std::uint32_t>(
        std::clamp<qint64>(size - kWavHeaderSize, 0, std::numeric_limits<std::uint32_t>::max() - 36));
    if (!file.seek(0) || file.write(CDWavHeader(dataLength)) != kWavHeaderSize) {
        const QString reason = file.errorString();
        file.close();
        postFinal(rrWriteFailed, failureText(fileName, reason));
        return;
    }
    file.close();

    if (StopRequested.load())
        return;

    if (options.IsNormalize) {
        post(scNormalizeStarts);
        QString message;
        if (!Normalize(fileName, options.NormalizePercent, message)) {
            if (!message.isEmpty())
                postFinal(rrWriteFailed, message);
            return; // an empty message means a stop request: no report
        }
    }
    postFinal(rrOk);
}

bool TCDRipThread::Normalize(const QString& path, int percent, QString& message)
{
    // A silent track has no peak to bring anywhere.
    if (m_peak == 0)
        return true;
    const float factor = NormalizeGain(m_peak, percent);

    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString norName = (dot > slash ? path.left(dot) : path) + QStringLiteral(".nor");

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        message = QStringLiteral("Could not read %1: %2").arg(path, in.errorString());
        return false;
    }
    QFile out(norName);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        message = failureText(norName, out.errorString());
        return false;
    }
    const auto abandon = [&](const QString& text) {
        message = text;
        out.close();
        in.close();
        QFile::remove(norName);
        return false;
    };

    const qint64 total = in.size();
    const std::int64_t startMs = nowMs();
    const QByteArray header = in.read(kWavHeaderSize);
    if (out.write(header) != header.size())
        return abandon(failureText(norName, out.errorString()));
    qint64 done = header.size();

    // Blocks of 2048 bytes; progress is posted whenever the percentage moves
    // so that a long track does not flood the receiver.
    constexpr qint64 kBlock = 2048;
    char block[kBlock];
    int lastPercent = -1;
    for (;;) {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (percent != lastPercent) {
            postProgress(done, total, startMs);
            lastPercent = percent;
        }
        const qint64 n = in.read(block, kBlock);
        if (n < 0)
            return abandon(QStringLiteral("Could not read %1: %2").arg(path, in.errorString()));
        if (n == 0)
            break;
        for (qint64 i = 0; i + 1 < n; i += 2) {
            const qint16 s = qFromLittleEndian<qint16>(block + i);
            qToLittleEndian<qint16>(ScaleSample(s, factor), block + i);
        }
        if (out.write(block, n) != n)
            return abandon(failureText(norName, out.errorString()));
        done += n;
        if (StopRequested.load())
            return abandon({});
    }
    in.close();
    out.close();
    // rename() replaces the original in one step: either the old or the new
    // file is there, never neither.
    if (std::rename(QFile::encodeName(norName).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(norName);
        message = failureText(path, reason);
        return false;
    }
    return true;
}
