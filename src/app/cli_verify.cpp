#include "cli_verify.h"

#include "cdaccess/disc_layout.h"
#include "settings/options_setting.h"
#include "verify/database_fetch.h"
#include "verify/drive_offset_search.h"
#include "verify/rip_log_head.h"
#include "verify/verified_rip.h"
#include "verify/verified_track_reader.h"
#include "verify/verify_settings.h"

#include <QDir>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int kExitFailed = 1;

void print(std::FILE* f, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), f);
    std::fflush(f);
}

int fail(const QString& reason)
{
    print(stderr, QStringLiteral("quillon: %1\n").arg(reason));
    return kExitFailed;
}

QString signedText(int n)
{
    return (n > 0 ? QStringLiteral("+") : QString()) + QString::number(n);
}

QString hex(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

// A warning for a database that could not be asked: the rip goes on without it.
void warnAboutLookup(const QString& name, const TDatabaseLookup& lookup)
{
    if (lookup.Result == TDatabaseLookup::Outcome::Failed)
        print(stderr, QStringLiteral("quillon: %1 lookup failed: %2\n").arg(name, lookup.Error));
}

// What to say below a track's result line: a second read, read errors.
QStringList trackNotes(const TVerifiedTrack& t)
{
    QStringList notes;
    if (!t.Error.isEmpty())
        notes << QStringLiteral("not read completely: %1").arg(t.Error);
    if (t.TestCrc) {
        const QString why = t.ReReadSecurely
                                ? QStringLiteral("read again securely after a mismatch")
                                : QStringLiteral("read twice (test and copy)");
        notes << QStringLiteral("%1: copy CRC %2, test CRC %3%4")
                     .arg(why, hex(t.Checksums.CopyCrc), hex(*t.TestCrc),
                          *t.TestCrc == t.Checksums.CopyCrc ? QString()
                                                            : QStringLiteral(" (differs)"));
    }
    if (t.Read.UnreadableSectors > 0) {
        QStringList at;
        for (const TSuspectSector& s : t.Read.Suspects) {
            if ((s.Flags & sfUnreadable) && at.size() < 10)
                at << SectorTimeText(s.Lsn - t.Span.Start);
        }
        notes << QStringLiteral("%1 unreadable sectors, written as silence, at %2%3")
                     .arg(t.Read.UnreadableSectors)
                     .arg(at.join(QStringLiteral(", ")))
                     .arg(t.Read.UnreadableSectors > at.size() ? QStringLiteral(", ...")
                                                               : QString());
    }
    return notes;
}

// Draws "Track 3 of 8: secure read, 45 %" in place on a terminal.
class TProgressLine {
public:
    TProgressLine() : m_terminal(isatty(STDERR_FILENO) != 0) {}
    void show(int ordinal, int count, const TTrackReadProgress& p)
    {
        if (!m_terminal || p.Sectors <= 0)
            return;
        const int percent = int(p.DoneSectors * 100 / p.Sectors);
        const QString text =
            QStringLiteral("Track %1 of %2: %3 read, %4 %")
                .arg(ordinal)
                .arg(count)
                .arg(p.Pass == 2 ? QStringLiteral("second (secure)")
                                 : (p.Secure ? QStringLiteral("secure") : QStringLiteral("burst")))
                .arg(percent);
        if (text == m_last)
            return;
        m_last = text;
        print(stderr, QStringLiteral("\r%1\x1b[K").arg(text));
    }
    void clear()
    {
        if (!m_last.isEmpty())
            print(stderr, QStringLiteral("\r\x1b[K"));
        m_last.clear();
    }

private:
    bool m_terminal;
    QString m_last;
};

} // namespace

int RunOffsetCommand(HCDROM handle, const std::atomic<bool>* stop)
{
    const TReadOffsetFinding found =
        FindReadOffset(cdAccess(), handle, VerifySettingsFrom(OptionsSetting), stop);
    if (found.Result != TReadOffsetFinding::Outcome::Found)
        return fail(found.failureText());
    print(stdout, QStringLiteral("Read offset: %1 samples (%2 of %3 tracks agree)\n")
                      .arg(signedText(found.Offset))
                      .arg(found.TracksAgreeing)
                      .arg(found.TracksTried));
    print(stdout, QStringLiteral("Store it as ReadOffset=%1 under [Verify] in options.ini, or give "
                                 "--offset %1 to quillon verify.\n")
                      .arg(found.Offset));
    return 0;
}

int RunVerifyCommand(const TCliRequest& request, const TCDREC& drive, HCDROM handle,
                     const TTOC& toc, const QString& folder, const std::atomic<bool>* stop)
{
    TVerifySettings settings = VerifySettingsFrom(OptionsSetting);
    if (request.ReadOffset)
        settings.ReadOffset = *request.ReadOffset;
    if (!request.ReadMode.isEmpty())
        settings.Mode = ReadModeFromText(request.ReadMode).value_or(settings.Mode);
    const TDiscLayout layout = DiscLayoutOf(toc);
    if (layout.isEmpty())
        return fail(QStringLiteral("the disc's table of contents makes no sense"));

    TDatabaseAnswers answers = FetchDatabaseAnswers(settings, toc, stop);
    warnAboutLookup(QStringLiteral("AccurateRip"), answers.AccurateRip);
    warnAboutLookup(QStringLiteral("CTDB"), answers.Ctdb);

    TVerifiedRip rip(layout, answers);
    TRipLogData head = RipLogHead(settings, OptionsSetting, DriveLogText(drive), drive.IsImage,
                                  QStringLiteral("none (verified without making files)"));

    TProgressLine progress;
    bool incomplete = false;
    {
        TVerifiedTrackReader reader(cdAccess(), handle, layout, settings, answers, stop);
        TDiscardingTrackSink sink;
        const THiddenTrackScan hidden = reader.scanHiddenTrack();
        head.HiddenSectors = hidden.Sectors;
        head.HiddenAudible = hidden.Audible;
        if (hidden.Audible && OptionsSetting.Verify.RipHiddenTrack) {
            head.HiddenRipped = true;
            rip.add(reader.readHiddenTrack(sink));
        }
        const int count = int(layout.Tracks.size());
        for (int i = 0; i < count && !(stop && stop->load()); ++i) {
            const TVerifiedTrack track = reader.read(
                i, sink, [&](const TTrackReadProgress& p) { progress.show(i + 1, count, p); });
            progress.clear();
            if (track.Read.Stopped && track.Error.isEmpty())
                break; // stopped: the track is not reported as a result
            rip.add(track);
            QString text = TrackResultLine(track.Number, track.AccurateRip) + QLatin1Char('\n');
            for (const QString& note : trackNotes(track))
                text += QStringLiteral("  ") + note + QLatin1Char('\n');
            print(stdout, text);
            incomplete = incomplete || !track.complete();
        }
    }
    if (stop && stop->load())
        return fail(QStringLiteral("stopped"));
    print(stdout, QStringLiteral("CTDB: %1\n").arg(rip.ctdbResultText()));

    const QString logPath = RipLogPath(folder, head.Album);
    QString error;
    if (!WriteRipLogFile(logPath, RipLogText(rip.logData(head)), &error))
        return fail(error);
    print(stdout, QStringLiteral("Rip log: %1\n").arg(QDir::toNativeSeparators(logPath)));
    const std::vector<int> doubtful = rip.doubtfulTracks();
    if (!doubtful.empty()) {
        QStringList numbers;
        for (int n : doubtful)
            numbers << QString::number(n);
        return fail(QStringLiteral("tracks that did not verify: %1")
                        .arg(numbers.join(QStringLiteral(", "))));
    }
    return incomplete ? kExitFailed : 0;
}
