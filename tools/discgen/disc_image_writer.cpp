#include "disc_image_writer.h"

#include "cdaccess/disc_layout.h"
#include "verify/accuraterip_disc_id.h"
#include "verify/track_checksums.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <cmath>
#include <numbers>

namespace discgen {

namespace {

constexpr int kSampleRate = 44100;
constexpr int kSamplesPerFrame = kSectorSize / 4; // stereo 16-bit

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

void putSample(char* out, int value)
{
    const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    out[0] = char(v & 0xff);
    out[1] = char(v >> 8);
}

std::optional<std::int32_t> parseLength(QString text, QString* error)
{
    bool ok = false;
    double frames = 0;
    if (text.endsWith(QLatin1Char('s'))) {
        const double seconds = text.chopped(1).toDouble(&ok);
        frames = std::round(seconds * kFramesPerSecond);
    } else {
        if (text.endsWith(QLatin1Char('f')))
            text.chop(1);
        frames = text.toInt(&ok);
    }
    if (!ok || !std::isfinite(frames) || frames < 1 || frames > kMaxDiscFrames) {
        setError(error,
                 QStringLiteral("Bad track length \"%1\": give seconds (\"3.2s\") or "
                                "frames (\"240\"), at least one frame and at most 80 minutes")
                     .arg(text));
        return std::nullopt;
    }
    return std::int32_t(frames);
}

QString msfText(std::int32_t frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / (60 * kFramesPerSecond), 2, 10, QLatin1Char('0'))
        .arg((frames / kFramesPerSecond) % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % kFramesPerSecond, 2, 10, QLatin1Char('0'));
}

QString iniValue(QString text)
{
    // One line per key: a line break inside a value would start a new key.
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

bool saveFile(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        setError(error, QStringLiteral("Unable to write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace

std::optional<TrackSpec> ParseTrackSpec(const QString& text, QString* error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2) {
        setError(error,
                 QStringLiteral("Bad track \"%1\": expected LENGTH:SIGNAL[:PARAM]").arg(text));
        return std::nullopt;
    }
    const auto frames = parseLength(parts[0], error);
    if (!frames)
        return std::nullopt;
    TrackSpec track;
    track.frames = *frames;
    const QString kind = parts[1].toLower();
    bool ok = false;
    if (kind == QLatin1String("silence") && parts.size() == 2) {
        track.signal = Signal::Silence;
        return track;
    }
    if (kind == QLatin1String("tone") && parts.size() == 3) {
        track.signal = Signal::Tone;
        track.frequency = parts[2].toDouble(&ok);
        if (ok && track.frequency > 0 && track.frequency < kSampleRate / 2.0)
            return track;
        setError(error, QStringLiteral("Bad tone frequency \"%1\" (0 to 22050 Hz)").arg(parts[2]));
        return std::nullopt;
    }
    if (kind == QLatin1String("noise") && parts.size() == 3) {
        track.signal = Signal::Noise;
        track.seed = parts[2].toUInt(&ok);
        if (ok)
            return track;
        setError(error, QStringLiteral("Bad noise seed \"%1\"").arg(parts[2]));
        return std::nullopt;
    }
    setError(error,
             QStringLiteral("Bad signal in \"%1\": use tone:HZ, noise:SEED or silence").arg(text));
    return std::nullopt;
}

QByteArray TrackAudio(const TrackSpec& track)
{
    const qsizetype samples = qsizetype(track.frames) * kSamplesPerFrame;
    QByteArray audio(samples * 4, '\0');
    char* out = audio.data();
    switch (track.signal) {
    case Signal::Silence:
        break;
    case Signal::Tone: {
        constexpr double amplitude = 16000.0;
        const double step = 2.0 * std::numbers::pi * track.frequency / kSampleRate;
        for (qsizetype n = 0; n < samples; ++n, out += 4) {
            const double phase = step * double(n);
            putSample(out, int(std::lround(amplitude * std::sin(phase))));
            putSample(out + 2, int(std::lround(amplitude * std::cos(phase))));
        }
        break;
    }
    case Signal::Noise: {
        // xorshift32: the same seed gives the same bytes on every machine.
        std::uint32_t x = track.seed ? track.seed : 0x9e3779b9u;
        auto next = [&x] {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            return x;
        };
        for (qsizetype n = 0; n < samples; ++n, out += 4) {
            putSample(out, std::int16_t(next() >> 16) / 2);
            putSample(out + 2, std::int16_t(next() >> 16) / 2);
        }
        break;
    }
    }
    return audio;
}

TTOC TocOfTracks(const QList<TrackSpec>& tracks)
{
    return TocOfDisc(DiscSpec{tracks, std::nullopt, 0, {}, {}});
}

TTOC TocOfDisc(const DiscSpec& disc)
{
    TTOC toc;
    if (disc.tracks.isEmpty())
        return toc;
    toc.FirstTrack = 1;
    toc.LastTrack = std::uint8_t(disc.tracks.size());
    std::int32_t start = kLeadInFrames + (disc.pregap ? disc.pregap->frames : 0);
    for (qsizetype i = 0; i < disc.tracks.size(); ++i) {
        toc.Entries.push_back(TTOCTRACK::FromFrames(std::uint8_t(i + 1), start));
        start += disc.tracks[i].frames;
    }
    toc.Entries.push_back(TTOCTRACK::FromFrames(0xAA, start));
    return toc;
}

std::optional<SampleChange> ParseSampleChange(const QString& text, QString* error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool trackOk = false;
    bool sampleOk = false;
    SampleChange change;
    if (parts.size() == 2) {
        change.track = parts[0].toInt(&trackOk);
        change.sample = parts[1].toLongLong(&sampleOk);
    }
    if (!trackOk || !sampleOk || change.track < 1 || change.sample < 0) {
        setError(error,
                 QStringLiteral("Bad sample to change \"%1\": expected TRACK:SAMPLE").arg(text));
        return std::nullopt;
    }
    return change;
}

QByteArray DiscAudio(const DiscSpec& disc)
{
    QByteArray bin;
    std::int64_t total = disc.pregap ? disc.pregap->frames : 0;
    for (const TrackSpec& t : disc.tracks)
        total += t.frames;
    bin.reserve(qsizetype(total) * kSectorSize);
    if (disc.pregap)
        bin += TrackAudio(*disc.pregap);
    QList<qsizetype> starts;
    for (const TrackSpec& t : disc.tracks) {
        starts.append(bin.size());
        bin += TrackAudio(t);
    }
    for (const SampleChange& c : disc.changes) {
        if (c.track < 1 || c.track > disc.tracks.size() ||
            c.sample >= std::int64_t(disc.tracks[c.track - 1].frames) * kSamplesPerFrame)
            continue;
        bin[starts[c.track - 1] + qsizetype(c.sample) * 4] ^= 1;
    }
    if (disc.shift != 0) {
        const qsizetype bytes =
            qsizetype(std::min<std::int64_t>(std::abs(disc.shift) * 4, bin.size()));
        if (disc.shift > 0)
            bin = QByteArray(bytes, '\0') + bin.left(bin.size() - bytes);
        else
            bin = bin.mid(bytes) + QByteArray(bytes, '\0');
    }
    return bin;
}

bool WriteCueBin(const QString& cuePath, const QList<TrackSpec>& tracks, QString* error,
                 const CueText& text)
{
    return WriteCueBin(cuePath, DiscSpec{tracks, std::nullopt, 0, {}, text}, error);
}

bool WriteCueBin(const QString& cuePath, const DiscSpec& disc, QString* error)
{
    const QList<TrackSpec>& tracks = disc.tracks;
    if (tracks.isEmpty() || tracks.size() > kMaxTracks) {
        setError(error, QStringLiteral("A disc holds 1 to %1 tracks, not %2")
                            .arg(kMaxTracks)
                            .arg(tracks.size()));
        return false;
    }
    std::int64_t total = disc.pregap ? disc.pregap->frames : 0;
    for (const TrackSpec& t : tracks) {
        if (t.frames < 1) {
            setError(error, QStringLiteral("Every track needs at least one frame"));
            return false;
        }
        total += t.frames;
    }
    if (total > kMaxDiscFrames) {
        setError(error, QStringLiteral("The tracks are longer than 80 minutes"));
        return false;
    }
    if (std::abs(disc.shift) >= total * kSamplesPerFrame) {
        setError(error,
                 QStringLiteral("A shift of %1 samples moves the whole disc away").arg(disc.shift));
        return false;
    }
    for (const SampleChange& c : disc.changes) {
        if (c.track < 1 || c.track > tracks.size() || c.sample < 0 ||
            c.sample >= std::int64_t(tracks[c.track - 1].frames) * kSamplesPerFrame) {
            setError(error, QStringLiteral("Sample %1 of track %2 is not on the disc")
                                .arg(c.sample)
                                .arg(c.track));
            return false;
        }
    }
    const QFileInfo cueInfo(cuePath);
    const QString binName = cueInfo.completeBaseName() + QStringLiteral(".bin");
    const QString binPath = cueInfo.dir().filePath(binName);
    if (binName.contains(QLatin1Char('"'))) {
        setError(error, QStringLiteral("The image name must not contain '\"'"));
        return false;
    }

    const CueText& text = disc.text;
    const bool latin1 = text.TextEncoding == CueText::Encoding::Latin1;
    bool textOk = true;
    const auto line = [&](const QString& indent, const char* command, const QString& value) {
        if (value.isEmpty())
            return QString();
        for (QChar c : value) {
            if (c == QLatin1Char('"') || c.unicode() < 0x20 || (latin1 && c.unicode() > 0xFF))
                textOk = false;
        }
        return indent + QLatin1String(command) + QStringLiteral(" \"") + value +
               QStringLiteral("\"\n");
    };

    QString cue = line({}, "PERFORMER", text.Performer) + line({}, "TITLE", text.Title);
    cue += QStringLiteral("FILE \"%1\" BINARY\n").arg(binName);
    std::int32_t start = disc.pregap ? disc.pregap->frames : 0;
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        cue += QStringLiteral("  TRACK %1 AUDIO\n").arg(i + 1, 2, 10, QLatin1Char('0'));
        const QString indent = QStringLiteral("    ");
        cue += line(indent, "TITLE", text.TrackTitles.value(i));
        cue += line(indent, "PERFORMER", text.TrackPerformers.value(i));
        if (!text.TrackIsrcs.value(i).isEmpty())
            cue += indent + QStringLiteral("ISRC ") + text.TrackIsrcs.value(i) + QLatin1Char('\n');
        if (i == 0 && disc.pregap)
            cue += QStringLiteral("    INDEX 00 %1\n").arg(msfText(0));
        cue += QStringLiteral("    INDEX 01 %1\n").arg(msfText(start));
        start += tracks[i].frames;
    }
    if (!textOk) {
        setError(error, QStringLiteral("A cue-sheet text holds a '\"', a line break or (in a "
                                       "Latin-1 sheet) a character outside Latin-1"));
        return false;
    }
    return saveFile(binPath, DiscAudio(disc), error) &&
           saveFile(cuePath, latin1 ? cue.toLatin1() : cue.toUtf8(), error);
}

QString DefaultTitle(const TrackSpec& track)
{
    switch (track.signal) {
    case Signal::Tone:
        return QStringLiteral("Tone %1 Hz").arg(track.frequency);
    case Signal::Noise:
        return QStringLiteral("Noise %1").arg(track.seed);
    case Signal::Silence:
        break;
    }
    return QStringLiteral("Silence");
}

bool WriteTitlesSection(const QString& iniPath, const QString& key, const DiscTitles& titles,
                        QString* error)
{
    if (key.isEmpty()) {
        setError(error, QStringLiteral("No disc key"));
        return false;
    }
    QStringList kept;
    QFile existing(iniPath);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            setError(error,
                     QStringLiteral("Unable to read %1: %2").arg(iniPath, existing.errorString()));
            return false;
        }
        bool skipping = false;
        const QString text = QString::fromUtf8(existing.readAll());
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']')))
                skipping = trimmed.mid(1, trimmed.size() - 2)
                               .trimmed()
                               .compare(key, Qt::CaseInsensitive) == 0;
            if (!skipping)
                kept.append(line);
        }
        while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
            kept.removeLast();
        if (!kept.isEmpty())
            kept.append(QString());
    }
    kept.append(QStringLiteral("[%1]").arg(key));
    kept.append(QStringLiteral("Artist=") + iniValue(titles.Artist));
    kept.append(QStringLiteral("Album=") + iniValue(titles.Album));
    kept.append(QStringLiteral("Year=") + iniValue(titles.Year));
    kept.append(QStringLiteral("Genre=%1").arg(titles.Genre));
    kept.append(QStringLiteral("Comment=") + iniValue(titles.Comment));
    kept.append(QStringLiteral("TrackNumber=%1").arg(titles.Titles.size()));
    for (qsizetype i = 0; i < titles.Titles.size(); ++i)
        kept.append(QStringLiteral("%1=%2").arg(i + 1).arg(iniValue(titles.Titles[i])));
    kept.append(QString());
    return saveFile(iniPath, kept.join(QLatin1Char('\n')).toUtf8(), error);
}

namespace {

// Every audio track's checksums over the disc as it should be.
std::vector<TTrackChecksumValues> intendedChecksums(const DiscSpec& disc, const TDiscLayout& layout)
{
    DiscSpec intended = disc;
    intended.changes.clear();
    intended.shift = 0;
    const QByteArray audio = DiscAudio(intended);
    std::vector<TTrackChecksumValues> values;
    for (std::size_t i = 0; i < layout.Tracks.size(); ++i) {
        const TAudioTrackSpan& span = layout.Tracks[i];
        TTrackChecksums sums(layout, int(i));
        sums.add(audio.constData() + qsizetype(span.Start) * kSectorSize,
                 std::size_t(span.Sectors) * kSectorSize);
        values.push_back(sums.values());
    }
    return values;
}

void appendLittleEndian(QByteArray& out, std::uint32_t v)
{
    char bytes[4];
    qToLittleEndian<quint32>(v, bytes);
    out.append(bytes, 4);
}

QString hex(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0'));
}

} // namespace

QByteArray AccurateRipAnswerOf(const DiscSpec& disc, const QList<int>& confidences)
{
    const TTOC toc = TocOfDisc(disc);
    const TDiscLayout layout = DiscLayoutOf(toc);
    const TAccurateRipDiscId id = AccurateRipDiscIdOf(toc);
    const std::vector<TTrackChecksumValues> values = intendedChecksums(disc, layout);
    QByteArray out;
    for (int confidence : confidences) {
        out.append(char(id.AudioTracks));
        appendLittleEndian(out, id.Id1);
        appendLittleEndian(out, id.Id2);
        appendLittleEndian(out, id.Id3);
        for (const TTrackChecksumValues& v : values) {
            out.append(char(confidence));
            appendLittleEndian(out, v.V2);
            appendLittleEndian(out, v.HasFrame450 ? v.Frame450 : 0);
        }
    }
    return out;
}

QByteArray CtdbAnswerOf(const DiscSpec& disc, int confidence)
{
    const TDiscLayout layout = DiscLayoutOf(TocOfDisc(disc));
    const std::vector<TTrackChecksumValues> values = intendedChecksums(disc, layout);
    QStringList tracks;
    for (const TTrackChecksumValues& v : values)
        tracks << hex(v.CtdbCrc);
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\">\n"
                          "  <entry confidence=\"%1\" crc32=\"%2\" trackcrcs=\"%3\"/>\n"
                          "</ctdb>\n")
        .arg(confidence)
        .arg(hex(CtdbDiscCrc(values)), tracks.join(QLatin1Char(' ')))
        .toUtf8();
}

} // namespace discgen
