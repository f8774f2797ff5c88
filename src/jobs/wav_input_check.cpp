#include "jobs/wav_input_check.h"

#include "audio/wave_header.h"

#include <QFile>

namespace {

// ID3v2 or an MPEG audio frame header at the start.
bool looksLikeMp3(const QByteArray& head)
{
    if (head.startsWith("ID3"))
        return true;
    return head.size() >= 2 && quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0;
}

// The length of the MPEG audio frame whose header is at p, or 0 when p holds
// no valid layer II or III header.
int mpegFrameLength(const uchar* p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (p[1] >> 3) & 3; // 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
    const int layer = (p[1] >> 1) & 3;   // 1 III, 2 II
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || (layer != 1 && layer != 2) || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return 0;
    static const int mpeg1Layer3[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                      112, 128, 160, 192, 224, 256, 320};
    static const int mpeg1Layer2[] = {0,   32,  48,  56,  64,  80,  96, 112,
                                      128, 160, 192, 224, 256, 320, 384};
    static const int mpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int rates[] = {44100, 48000, 32000};
    const int kbps =
        version == 3 ? (layer == 1 ? mpeg1Layer3 : mpeg1Layer2)[bitrateIndex] : mpeg2[bitrateIndex];
    const int rate = rates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int perFrame = layer == 1 && version != 3 ? 72 : 144;
    return perFrame * kbps * 1000 / rate + ((p[2] >> 1) & 1);
}

} // namespace

QString CheckMp3Input(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    qint64 start = 0;
    QByteArray head = file.read(10);
    if (head.size() == 10 && head.startsWith("ID3")) {
        const auto b = [&head](int i) { return qint64(quint8(head[i]) & 0x7F); };
        start = 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
    }
    if (!file.seek(start))
        return QStringLiteral("%1 is not an MP3 file").arg(path);
    const QByteArray data = file.read(64 * 1024);
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    for (qsizetype i = 0; i + 4 <= data.size(); ++i) {
        const int length = mpegFrameLength(p + i);
        if (length > 0 && i + length + 4 <= data.size() && mpegFrameLength(p + i + length) > 0)
            return {};
    }
    return QStringLiteral("%1 is not an MP3 file").arg(path);
}

TWavInputCheck CheckWavInput(const QString& path)
{
    TWavInputCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        check.Reason = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return check;
    }
    const QByteArray head = file.peek(12);
    const TWaveHeader header = ScanWaveHeader(file, WaveScanMode::Reader);
    if (header.type == wtUnsupported) {
        if (looksLikeMp3(head))
            check.Reason = QStringLiteral("%1 is an MP3 file, not a WAV file: convert it to WAV "
                                          "first (MP3 to WAV)")
                               .arg(path);
        else if (head.startsWith("RIFF") && head.mid(8, 4) == "WAVE")
            check.Reason =
                QStringLiteral("%1 is a WAV file in an encoding that cannot be read").arg(path);
        else
            check.Reason = QStringLiteral("%1 is not a WAV file").arg(path);
        return check;
    }
    check.SampleRate = header.sampleRate;
    check.Channels = header.channels;
    check.Bits = header.bitsPerSample;
    if (header.channels < 1 || header.channels > 2) {
        check.Reason = QStringLiteral("%1 has %2 channels; only mono and stereo files can be "
                                      "converted")
                           .arg(path)
                           .arg(header.channels);
        return check;
    }
    if (header.sampleRate <= 0) {
        check.Reason = QStringLiteral("%1 names no sample rate").arg(path);
        return check;
    }
    const bool plainPcm = header.type == wtPCM && !header.isFloat && !header.extensible &&
                          (header.bitsPerSample == 8 || header.bitsPerSample == 16);
    if (plainPcm) {
        check.Verdict = TWavInputCheck::Ready;
    } else if (header.type != wtPCM ||
               (header.isFloat ? header.bitsPerSample == 32 || header.bitsPerSample == 64
                               : header.bitsPerSample == 8 || header.bitsPerSample == 16 ||
                                     header.bitsPerSample == 24 || header.bitsPerSample == 32)) {
        check.Verdict = TWavInputCheck::Narrow;
    } else {
        check.Reason = QStringLiteral("%1 holds %2-bit samples, which cannot be converted")
                           .arg(path)
                           .arg(header.bitsPerSample);
        return check;
    }
    const qint64 available = file.size() - header.dataOffset;
    if (header.type == wtPCM && (header.dataLength == 0 || available <= 0)) {
        check.Verdict = TWavInputCheck::Refused;
        check.Reason = QStringLiteral("%1 holds no audio").arg(path);
    }
    return check;
}
