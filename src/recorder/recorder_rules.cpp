#include "recorder/recorder_rules.h"

#include "settings/global.h"
#include "settings/language.h"

#include <QStandardPaths>

QString RecordTimeLabel(qint64 ms)
{
    if (ms < 60000)
        return QString::number(double(ms) / 1000.0, 'g', 3) + QStringLiteral(" Sec");
    QString text;
    if (const qint64 hours = ms / 3600000; hours != 0)
        text += QString::number(hours) + QStringLiteral("Hour");
    if (const qint64 minutes = ms / 60000 % 60; minutes != 0)
        text += QString::number(minutes) + QStringLiteral(" Min");
    if (const qint64 seconds = ms / 1000 % 60; seconds != 0)
        text += QString::number(seconds) + QStringLiteral(" Sec");
    return text;
}

QString RecordClockText(qint64 elapsedMs)
{
    const qint64 seconds = elapsedMs / 1000;
    return TwoDigits(seconds / 3600) + QLatin1Char(':') + TwoDigits(seconds / 60 % 60) +
           QLatin1Char(':') + TwoDigits(seconds % 60) + QLatin1Char('.') +
           QString::number(elapsedMs % 1000 / 100);
}

qint64 RecordStopWait(qint64 recordMilliseconds)
{
    return recordMilliseconds > 100 ? 1000 - recordMilliseconds : 0;
}

qint64 TrackBarTime(qint64 lengthMs, int position)
{
    return lengthMs * position / kTrackBarMax;
}

QString RecorderText(const char* key, const char* english)
{
    return GetResString(QString::fromLatin1(key), QString::fromUtf8(english));
}

std::optional<TMixerCommand> FindRecordingControl()
{
    if (!QStandardPaths::findExecutable(QStringLiteral("pavucontrol")).isEmpty())
        return TMixerCommand{QStringLiteral("pavucontrol"), {QStringLiteral("--tab=4")}};
    if (!QStandardPaths::findExecutable(QStringLiteral("alsamixer")).isEmpty() &&
        !QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator")).isEmpty())
        return TMixerCommand{
            QStringLiteral("x-terminal-emulator"),
            {QStringLiteral("-e"), QStringLiteral("alsamixer"), QStringLiteral("--view=capture")}};
    return std::nullopt;
}
