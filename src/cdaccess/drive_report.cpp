#include "cdaccess/drive_report.h"

#include "cdaccess/cd_access.h"

namespace {

QString msf(const TTOCTRACK& e)
{
    return QStringLiteral("%1:%2:%3")
        .arg(e.Minute, 2, 10, QLatin1Char('0'))
        .arg(e.Second, 2, 10, QLatin1Char('0'))
        .arg(e.Frame, 2, 10, QLatin1Char('0'));
}

QString seconds(std::int32_t frames)
{
    const std::int32_t s = frames / kFramesPerSecond;
    return QStringLiteral("%1:%2")
        .arg(s / 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QString DriveReport(ICDAccess& cd)
{
    QString text;
    const std::vector<TCDREC> drives = cd.GetCDList();
    if (drives.empty())
        return QStringLiteral("No CD drive found.\n");
    text += QStringLiteral("Drives:\n");
    for (std::size_t i = 0; i < drives.size(); ++i)
        text +=
            QStringLiteral("  %1. %2 (%3)\n").arg(i + 1).arg(drives[i].Name(), drives[i].Device);

    const TCDREC& first = drives.front();
    text += QStringLiteral("Drive 1: %1\n").arg(first.Name());
    const HCDROM handle = cd.GetCDHandle(first);
    if (handle == 0)
        return text + QStringLiteral("  Cannot open the drive: %1\n").arg(cd.LastErrorText());
    cd.ModifyCDParms(handle, kCDParmAddressMode, kAddressModeMsf);
    TTOC toc;
    if (!cd.ReadTOC(handle, toc)) {
        text += QStringLiteral("  No disc: %1\n").arg(cd.LastErrorText());
    } else {
        text += QStringLiteral("  Disc key %1, %2 tracks%3\n")
                    .arg(DiscKeyFromTOC(toc))
                    .arg(toc.TrackCount())
                    .arg(AudioCDPresent(toc) ? QString() : QStringLiteral(", no audio"));
        text += QStringLiteral("  Track  Start     Length  Type\n");
        for (int k = 0; k < toc.TrackCount(); ++k) {
            const TTOCTRACK& e = toc.Entries[k];
            text += QStringLiteral("  %1     %2  %3   %4\n")
                        .arg(e.TrackNumber, 2)
                        .arg(msf(e), seconds(toc.Entries[k + 1].MsfFrames() - e.MsfFrames()),
                             e.IsAudio() ? QStringLiteral("audio") : QStringLiteral("data"));
        }
        text += QStringLiteral("  Lead-out  %1\n").arg(msf(toc.Entries.back()));
    }
    cd.CloseCDHandle(handle);
    return text;
}
