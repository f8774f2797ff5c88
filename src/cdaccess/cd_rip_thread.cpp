#include "cd_rip_thread.h"

#include "jobs/file_writer.h"
#include "jobs/rip_verification.h"
#include "settings/global.h"
#include "settings/process_info.h"

#include <QObject>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

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

// The track's WAV file after its header, as a verified read fills it: every
// read starts over after the header; the peak is measured for a normalise
// pass (of the last read only).
class TWavFileSink : public ITrackSink {
public:
    TWavFileSink(TFileWriter& file, bool measure, int& peak)
        : m_file(file), m_measure(measure), m_peak(peak)
    {}
    bool restart() override
    {
        m_peak = 0;
        return m_file.truncate(kWavHeaderSize);
    }
    bool write(const char* pcm, std::size_t bytes) override
    {
        if (m_measure)
            m_peak = std::max(m_peak, blockPeak(pcm, qsizetype(bytes)));
        return m_file.write(pcm, qint64(bytes));
    }
    QString errorText() const override { return m_file.errorText(); }

private:
    TFileWriter& m_file;
    bool m_measure;
    int& m_peak;
};

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

TCDRipThread::TCDRipThread(qint32 trackIndex, const QString& filePath, const QString& shownPath)
    : m_trackIndex(trackIndex), m_filePath(filePath),
      m_shownPath(shownPath.isEmpty() ? filePath : shownPath)
{}

TCDRipThread::~TCDRipThread()
{
    Wait();
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

void TCDRipThread::postProgress(qint64 done, qint64 total, std::int64_t startMs,
                                const QString& state)
{
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    // A post wakes the receiver's thread: once per percent is enough for a
    // gauge, where one per read would be thousands a track.
    if (percent == m_lastPercent && state == m_lastState)
        return;
    m_lastPercent = percent;
    m_lastState = state;
    QString elapsed, estimated;
    ProgressTimeTexts(static_cast<double>(nowMs() - startMs) / 1000.0, percent, elapsed, estimated);
    post(percent, 0, elapsed, estimated, state);
}

void TCDRipThread::postFinal(qint32 result, const QString& message)
{
    post(scRipDone, result, {}, {}, message);
}

void TCDRipThread::Execute()
{
    ICDAccess& cd = cdAccess();
    const TCommonOptions& options = Options;

    if (!cd.ModifyCDParms(CDHandle, kCDParmAddressMode, kAddressModeMsf)) {
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
    // past the table. Row 0, the audio before track 1, is read only by the
    // verified reading.
    if (m_trackIndex < (Verification ? 0 : 1) || m_trackIndex > toc.TrackCount()) {
        postFinal(rrReadFailed, QStringLiteral("Track %1 is not on this disc.").arg(m_trackIndex));
        return;
    }

    TFileWriter file;
    if (!file.open(m_filePath, m_shownPath)) {
        postFinal(rrCreateFailed, file.errorText());
        return;
    }
    if (!file.write(CDWavHeader(0).constData(), kWavHeaderSize)) {
        postFinal(rrWriteFailed, file.errorText());
        return;
    }

    m_peak = 0;
    m_lastPercent = -1;
    if (Verification) {
        if (!ReadVerified(toc, file))
            return;
    } else if (!ReadPlain(toc, file)) {
        return;
    }
    if (StopRequested.load())
        return;

    const auto dataLength = static_cast<std::uint32_t>(std::clamp<qint64>(
        file.size() - kWavHeaderSize, 0, std::numeric_limits<std::uint32_t>::max() - 36));
    if (!file.writeAt(0, CDWavHeader(dataLength).constData(), kWavHeaderSize)) {
        postFinal(rrWriteFailed, file.errorText());
        return;
    }

    if (options.IsNormalize) {
        post(scNormalizeStarts);
        QString message;
        if (!Normalize(file, options.NormalizePercent, message)) {
            if (!message.isEmpty())
                postFinal(rrWriteFailed, message);
            return; // an empty message means a stop request: no report
        }
    }
    if ((SyncWhenDone && !file.sync()) || !file.close()) {
        postFinal(rrWriteFailed, file.errorText());
        return;
    }
    postFinal(rrOk);
}

bool TCDRipThread::Normalize(TFileWriter& file, int percent, QString& message)
{
    // A silent track has no peak to bring anywhere.
    if (m_peak == 0)
        return true;
    const float factor = NormalizeGain(m_peak, percent);
    const qint64 total = file.size();
    const std::int64_t startMs = nowMs();

    // Blocks of 64 KiB rewritten where they are; progress is posted
    // whenever the percentage moves so that a long track does not flood the
    // receiver. The file is a temporary one: a pass cut short leaves nothing
    // half-scaled under the final name.
    constexpr qint64 kBlock = 65536;
    std::vector<char> buffer(kBlock);
    char* block = buffer.data();
    m_lastPercent = -1;
    for (qint64 done = kWavHeaderSize; done < total;) {
        postProgress(done, total, startMs);
        const qint64 n = file.readAt(done, block, std::min(kBlock, total - done));
        if (n <= 0) {
            message = file.errorText().isEmpty()
                          ? QStringLiteral("cannot read %1: it ended early").arg(m_shownPath)
                          : file.errorText();
            return false;
        }
        for (qint64 i = 0; i + 1 < n; i += 2) {
            const qint16 s = qFromLittleEndian<qint16>(block + i);
            qToLittleEndian<qint16>(ScaleSample(s, factor), block + i);
        }
        if (!file.writeAt(done, block, n)) {
            message = file.errorText();
            return false;
        }
        done += n;
        if (StopRequested.load())
            return false;
    }
    postProgress(total, total, startMs);
    return true;
}

bool TCDRipThread::ReadPlain(const TTOC& toc, TFileWriter& file)
{
    ICDAccess& cd = cdAccess();
    const TCommonOptions& options = Options;
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
    const std::int64_t startMs = nowMs();
    // The peak is only wanted for a normalise pass.
    const bool measure = options.IsNormalize;
    qint64 done = 0;
    bool readFailed = false;
    qint64 failedFrom = 0;
    qint64 failedTo = 0;
    bool writeFailed = false;
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
                if (measure)
                    m_peak = std::max(m_peak, blockPeak(data, len));
                writeFailed = !file.write(data, len);
            } else {
                readFailed = true;
                failedFrom = start + done;
                failedTo = failedFrom + count - 1;
            }
        }
        done += count;
        postProgress(done, length, startMs);
        if (readFailed || writeFailed || StopRequested.load())
            break;
    }
    if (length == 0)
        postProgress(0, 0, startMs);

    if (readFailed) {
        postFinal(rrReadFailed, QStringLiteral("(track %1, sectors %2 to %3)")
                                    .arg(m_trackIndex)
                                    .arg(failedFrom)
                                    .arg(failedTo));
        return false;
    }
    if (writeFailed) {
        postFinal(rrWriteFailed, file.errorText());
        return false;
    }
    return true;
}

bool TCDRipThread::ReadVerified(const TTOC& toc, TFileWriter& file)
{
    QString error;
    if (!Verification->prepare(cdAccess(), CDHandle, toc, &error)) {
        if (!StopRequested.load())
            postFinal(rrReadFailed, error);
        return false;
    }
    TWavFileSink sink(file, Options.IsNormalize, m_peak);
    const std::int64_t startMs = nowMs();
    const int number = m_trackIndex == 0 ? 0 : toc.Entries[size_t(m_trackIndex - 1)].TrackNumber;
    const TVerifiedTrack track =
        Verification->read(number, sink, LogName, [&](const TTrackReadProgress& p) {
            postProgress(p.DoneSectors, p.Sectors, startMs, ReadStateText(p));
        });
    if (track.complete())
        return true;
    if (track.Error.isEmpty())
        return false; // stopped: no report
    // The sink's own words when writing failed, else the drive's.
    const bool writing = !file.errorText().isEmpty();
    postFinal(writing ? rrWriteFailed : rrReadFailed, track.Error);
    return false;
}
