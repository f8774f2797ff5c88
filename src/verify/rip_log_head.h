#pragma once
// The head of a rip log, the same for every verified read: the program, the
// date, the drive, how it read and what the disc is called. Callers add what
// only they know (normalizing, audio before track 1).

#include "cdaccess/cd_access.h"
#include "settings/options_setting.h"
#include "verify/rip_log.h"
#include "verify/verify_settings.h"

#include <QString>

// drive: as DriveLogText names it; format: the output format in one line.
TRipLogData RipLogHead(const TVerifySettings& settings, const TOptionsSetting& options,
                       const QString& drive, bool isImage, const QString& format);

// "Name (/dev/sr0)" for a drive, the file for a disc image.
QString DriveLogText(const TCDREC& drive);
