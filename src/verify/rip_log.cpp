#include "verify/rip_log.h"

#include "cdaccess/cd_access.h"
#include "jobs/safe_file_name.h"

#include <QTextStream>

namespace {

constexpr int kMaxPositions = 100; // positions listed per track; the rest are counted
constexpr int kLabelWidth = 20;

QString hex(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// "Label:" and the value, values lined up; indent for a track's lines.
QString line(const QString& label, const QString& value, int indent = 0)
{
    return QString(indent, QLatin1Char(' ')) +
           (label + QLatin1Char(':')).leftJustified(kLabelWidth - indent) + value;
}

QString trackLine(const QString& label, const QString& value)
{
    return line(label, value, 2);
}

QString lookupText(const TDatabaseLookup& lookup)
{
    switch (lookup.Result) {
    case TDatabaseLookup::Outcome::NotAsked:
        return QStringLiteral("not asked");
    case TDatabaseLookup::Outcome::NotInDatabase:
        return QStringLiteral("disc not in database");
    case TDatabaseLookup::Outcome::Found:
        return QStringLiteral("disc found");
    case TDatabaseLookup::Outcome::Failed:
        return QStringLiteral("lookup failed: %1").arg(lookup.Error);
    }
    return {};
}

QString flagsText(std::uint16_t flags)
{
    static const std::pair<TSectorFlag, const char*> names[] = {
        {sfUnreadable, "unreadable"},  {sfReadError, "read error"},        {sfSkipped, "skipped"},
        {sfDropped, "dropped bytes"},  {sfDuplicated, "duplicated bytes"}, {sfDrift, "drift"},
        {sfCacheError, "cache error"},
    };
    QStringList parts;
    for (const auto& [flag, name] : names) {
        if (flags & flag)
            parts << QLatin1String(name);
    }
    return parts.join(QStringLiteral(", "));
}

QString matchText(TTrackVerdict verdict, int confidence)
{
    switch (verdict) {
    case TTrackVerdict::Accurate:
        return QStringLiteral("accurate (confidence %1)").arg(confidence);
    case TTrackVerdict::NotAccurate:
        return QStringLiteral("differs");
    case TTrackVerdict::NotInDatabase:
        return QStringLiteral("not in database");
    case TTrackVerdict::NotChecked:
        break;
    }
    return QStringLiteral("not checked");
}

void writeTrack(QTextStream& out, const TRipLogTrack& t)
{
    out << (t.Number == 0 ? QStringLiteral("Track 00 (hidden track one audio)")
                          : QStringLiteral("Track %1").arg(twoDigits(t.Number)))
        << "\n";
    if (!t.FileName.isEmpty())
        out << trackLine(QStringLiteral("File"), t.FileName) << "\n";
    out << trackLine(QStringLiteral("Start"), SectorTimeText(t.Start)) << "\n";
    out << trackLine(QStringLiteral("Length"), SectorTimeText(t.Sectors)) << "\n";
    out << trackLine(QStringLiteral("Copy CRC"), hex(t.CopyCrc)) << "\n";
    if (t.TestCrc)
        out << trackLine(QStringLiteral("Test CRC"),
                         hex(*t.TestCrc) + (*t.TestCrc == t.CopyCrc ? QStringLiteral(" (same)")
                                                                    : QStringLiteral(" (differs)")))
            << "\n";
    if (t.V1 && t.V2)
        out << trackLine(QStringLiteral("AccurateRip"),
                         QStringLiteral("v1 %1, v2 %2").arg(hex(*t.V1), hex(*t.V2)))
            << "\n";
    const int suspects = int(t.Read.Suspects.size());
    if (suspects == 0) {
        out << trackLine(QStringLiteral("Read errors"), QStringLiteral("none")) << "\n";
    } else {
        out << trackLine(QStringLiteral("Read errors"),
                         QStringLiteral("%1 suspect sectors").arg(suspects) +
                             (t.Read.UnreadableSectors
                                  ? QStringLiteral(", %1 unreadable (written as silence)")
                                        .arg(t.Read.UnreadableSectors)
                                  : QString()))
            << "\n";
        out << "  " << QStringLiteral("Suspect positions:") << "\n";
        for (int i = 0; i < std::min(suspects, kMaxPositions); ++i) {
            const TSuspectSector& s = t.Read.Suspects[std::size_t(i)];
            out << "    " << SectorTimeText(s.Lsn - t.Start) << "  " << flagsText(s.Flags) << "\n";
        }
        if (suspects > kMaxPositions)
            out << "    " << QStringLiteral("and %1 more").arg(suspects - kMaxPositions) << "\n";
    }
    for (const QString& message : t.Read.Messages)
        out << trackLine(QStringLiteral("Drive says"), message) << "\n";
    if (t.ReReadSecurely)
        out << "  " << QStringLiteral("Read again in secure mode after a mismatch") << "\n";
    if (t.Ctdb)
        out << trackLine(QStringLiteral("CTDB"), matchText(t.Ctdb->Verdict, t.Ctdb->Confidence))
            << "\n";
    if (t.Number != 0)
        out << TrackResultLine(t.Number, t.AccurateRip) << "\n";
    out << "\n";
}

} // namespace

QString SectorTimeText(std::int64_t sectors)
{
    const QString sign = sectors < 0 ? QStringLiteral("-") : QString();
    sectors = std::abs(sectors);
    return sign + QStringLiteral("%1:%2.%3")
                      .arg(twoDigits(int(sectors / (60 * kFramesPerSecond))))
                      .arg(twoDigits(int(sectors / kFramesPerSecond % 60)))
                      .arg(twoDigits(int(sectors % kFramesPerSecond)));
}

QString CtdbResultText(const TDatabaseLookup& lookup, std::uint32_t discCrc,
                       const std::optional<TCtdbMatch>& disc)
{
    if (!disc)
        return lookupText(lookup);
    if (disc->Verdict == TTrackVerdict::Accurate)
        return QStringLiteral("disc CRC %1 accurately ripped (confidence %2 of %3)")
            .arg(hex(discCrc))
            .arg(disc->Confidence)
            .arg(disc->TotalConfidence);
    return QStringLiteral("disc CRC %1 %2")
        .arg(hex(discCrc), matchText(disc->Verdict, disc->Confidence));
}

QString TrackResultLine(int number, const TAccurateRipMatch& match)
{
    const QString head = QStringLiteral("Track %1  ").arg(twoDigits(number));
    switch (match.Verdict) {
    case TTrackVerdict::Accurate:
        return head + QStringLiteral("accurately ripped (confidence %1)").arg(match.Confidence);
    case TTrackVerdict::NotAccurate:
        return head + QStringLiteral("not accurately ripped");
    case TTrackVerdict::NotInDatabase:
        return head + QStringLiteral("not in database");
    case TTrackVerdict::NotChecked:
        break;
    }
    return head + QStringLiteral("not verified");
}

QString RipLogText(const TRipLogData& log)
{
    QString text;
    QTextStream out(&text);
    out << log.Program << " rip log\n\n";
    out << line(QStringLiteral("Date"), log.Date.toString(Qt::ISODate)) << "\n";
    out << line(log.IsImage ? QStringLiteral("Image") : QStringLiteral("Drive"), log.Drive) << "\n";
    out << line(QStringLiteral("Read mode"), log.ReadMode) << "\n";
    out << line(QStringLiteral("Read offset"),
                QStringLiteral("%1%2 samples")
                    .arg(log.ReadOffset > 0 ? QLatin1String("+") : QLatin1String())
                    .arg(log.ReadOffset))
        << "\n";
    out << line(QStringLiteral("Format"), log.Format) << "\n";
    for (const QString& setting : log.Settings)
        out << setting << "\n";
    if (!log.Artist.isEmpty() || !log.Album.isEmpty())
        out << line(QStringLiteral("Disc"), log.Artist + QStringLiteral(" / ") + log.Album) << "\n";
    if (log.AccurateRipId.isValid())
        out << line(QStringLiteral("AccurateRip id"), log.AccurateRipId.text()) << "\n";
    if (!log.CtdbToc.isEmpty())
        out << line(QStringLiteral("CTDB TOC"), log.CtdbToc) << "\n";
    if (log.HiddenSectors > 0) {
        const QString length = SectorTimeText(log.HiddenSectors);
        QString hidden;
        if (!log.HiddenAudible)
            hidden = QStringLiteral("%1 of silence before track 1").arg(length);
        else if (log.HiddenRipped)
            hidden = QStringLiteral("%1 of audio before track 1, ripped as track 0").arg(length);
        else
            hidden = QStringLiteral("%1 of audio before track 1, not ripped").arg(length);
        out << line(QStringLiteral("Hidden track"), hidden) << "\n";
    }
    out << "\n";

    std::vector<TTrackVerdict> verdicts;
    int withErrors = 0;
    int unreadable = 0;
    int testDiffers = 0;
    for (const TRipLogTrack& t : log.Tracks) {
        writeTrack(out, t);
        if (t.Number == 0)
            continue;
        verdicts.push_back(t.AccurateRip.Verdict);
        withErrors += t.Read.isClean() ? 0 : 1;
        unreadable += t.Read.UnreadableSectors;
        testDiffers += t.TestCrc && *t.TestCrc != t.CopyCrc ? 1 : 0;
    }

    out << line(QStringLiteral("AccurateRip"), lookupText(log.AccurateRip)) << "\n";
    out << line(QStringLiteral("CTDB"), CtdbResultText(log.Ctdb, log.CtdbCrc, log.CtdbDisc))
        << "\n\n";

    const int total = int(verdicts.size());
    const auto countOf = [&](TTrackVerdict v) {
        return int(std::count(verdicts.begin(), verdicts.end(), v));
    };
    out << "Summary\n";
    const int accurate = countOf(TTrackVerdict::Accurate);
    if (total > 0 && accurate == total)
        out << "  " << QStringLiteral("All %1 tracks accurately ripped").arg(total) << "\n";
    else if (accurate > 0)
        out << "  " << QStringLiteral("%1 of %2 tracks accurately ripped").arg(accurate).arg(total)
            << "\n";
    if (const int n = countOf(TTrackVerdict::NotAccurate))
        out << "  " << QStringLiteral("%1 tracks not accurately ripped").arg(n) << "\n";
    if (const int n = countOf(TTrackVerdict::NotInDatabase))
        out << "  " << QStringLiteral("%1 tracks not in database").arg(n) << "\n";
    if (const int n = countOf(TTrackVerdict::NotChecked))
        out << "  " << QStringLiteral("%1 tracks not verified").arg(n) << "\n";
    if (testDiffers)
        out << "  " << QStringLiteral("%1 tracks read differently the second time").arg(testDiffers)
            << "\n";
    if (withErrors == 0)
        out << "  " << QStringLiteral("No read errors") << "\n";
    else
        out << "  "
            << QStringLiteral("Read errors in %1 tracks, %2 sectors unreadable")
                   .arg(withErrors)
                   .arg(unreadable)
            << "\n";
    out.flush();
    return text;
}

QString RipLogFileName(const QString& album)
{
    // The same rules as the tracks' names, so "AC/DC" is "AC-DC" in both.
    const QString stem = SafeNamePart(album.simplified(), kMaxFileNameBytes - 4);
    return stem.isEmpty() ? QStringLiteral("Rip.log") : stem + QStringLiteral(".log");
}
