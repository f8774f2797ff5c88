#pragma once
// The recorder's small rules that need no window: its time texts, the
// track-bar arithmetic, the wait at the end of a recording, its message texts,
// and which mixer program stands in for the recording controls.

#include <QString>
#include <QStringList>

#include <optional>

// Track-bar range of the recorder.
constexpr int kTrackBarMax = 400;

// "12.3 Sec" below a minute (three significant digits), otherwise
// "1Hour2 Min3 Sec" with the zero parts left out.
QString RecordTimeLabel(qint64 ms);
// The recording clock: "00:01:05.3".
QString RecordClockText(qint64 elapsedMs);
// Milliseconds a stop waits so that a recording ends on a whole second: the
// rest of the second when more than 100 ms of it have passed, else none.
qint64 RecordStopWait(qint64 recordMilliseconds);
// Milliseconds of a track-bar position over a length.
qint64 TrackBarTime(qint64 lengthMs, int position);

// A message of the recorder in the user's language (English for now).
QString RecorderText(const char* key, const char* english);

struct TMixerCommand {
    QString program;
    QStringList arguments;
};
// The desktop's recording controls: pavucontrol on its input devices page, or
// alsamixer's capture view in a terminal; nothing when neither is installed.
std::optional<TMixerCommand> FindRecordingControl();
