#include "verify/rip_log_head.h"

#include <QDateTime>

TRipLogData RipLogHead(const TVerifySettings& settings, const TOptionsSetting& options,
                       const QString& drive, bool isImage, const QString& format)
{
    TRipLogData head;
    head.Program = QStringLiteral("Quillon " QUILLON_VERSION);
    head.Date = QDateTime::currentDateTime();
    head.Drive = drive;
    head.IsImage = isImage;
    head.ReadMode = ReadModeText(settings.Mode);
    head.ReadOffset = settings.ReadOffset;
    head.Format = format;
    head.Settings << QStringLiteral("Retries:            %1").arg(settings.Retries);
    head.Artist = options.CDInfo.Artist;
    head.Album = options.CDInfo.Album;
    return head;
}

QString DriveLogText(const TCDREC& drive)
{
    return drive.IsImage ? drive.Device
                         : drive.Name() + QStringLiteral(" (") + drive.Device + QLatin1Char(')');
}
