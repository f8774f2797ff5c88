#pragma once
// Pieces shared by the job engine tests: a view that records what it is told,
// a scripted MP3 encoder, and a loop that runs a job to its end.

#include "jobs/job_engine.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <deque>
#include <functional>
#include <stdexcept>

namespace quillon::test {

class RecordingView : public IJobView {
public:
    QStringList statusLines;
    QStringList captions;
    QStringList times;
    std::vector<int> gauge;
    std::vector<std::vector<TStepLine>> stepLines;
    bool initializingVisible = false;
    int closed = 0;

    void setStatusLine(const QString& t) override { statusLines << t; }
    void setFrameCaption(const QString& t) override { captions << t; }
    void setInitializing(const QString&, bool visible) override { initializingVisible = visible; }
    void setProgress(int percent, bool) override { gauge.push_back(percent); }
    void setTimes(const QString& e, const QString& s) override
    {
        times << e + QLatin1Char('|') + s;
    }
    void setStepLines(const std::vector<TStepLine>& lines) override { stepLines.push_back(lines); }
    void closeJob() override { ++closed; }
};

// What ScriptedEncoder writes: three silent MPEG-1 layer III frames
// (128 kbit/s, 44100 Hz), enough for a tag writer to take it for an MP3.
inline QByteArray fakeMp3Frames()
{
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0x64);
    return frame.repeated(3);
}

// An MP3 encoder stand-in: each start is recorded, writes a small output
// file and posts the scripted reports (by default one progress report, then
// the end report 2000/2).
class ScriptedEncoder : public IJobEncoder {
public:
    struct Call {
        QString input;
        QString output;
        bool encode;
        TJobKind kind;
        QObject* receiver;
        int bitRate; // of the settings the step was given
    };
    struct Script {
        bool fail = false;    // start throws
        bool progress = true; // a progress report before the end
        int result = 2;       // StepResult of the end report; -1: no end report
        QString message;
        bool writes = true; // the output gets some bytes
    };
    std::vector<Call> calls;
    std::deque<Script> scripts; // one per start; empty: the default
    std::function<void(const Call&)> onStart;
    bool active = false;
    int stops = 0;

    void start(QObject* receiver, const QString& input, const QString& output, bool encode,
               TJobKind kind, const TOptionsSetting& options) override
    {
        calls.push_back({input, output, encode, kind, receiver, options.BitRate});
        if (onStart)
            onStart(calls.back());
        Script s;
        if (!scripts.empty()) {
            s = scripts.front();
            scripts.pop_front();
        }
        if (s.fail)
            throw std::runtime_error("Error while creating mp3 encoding process!2");
        active = true;
        QFile out(output);
        if (s.writes && out.open(QIODevice::WriteOnly))
            out.write(fakeMp3Frames());
        if (s.progress) {
            auto info = std::make_unique<TProcessInfo>();
            info->Percent = 50;
            info->ElapsedText = QStringLiteral("00:01");
            info->EstimatedText = QStringLiteral("00:02");
            postProcessInfo(receiver, std::move(info));
        }
        if (s.result >= 0) {
            auto end = std::make_unique<TProcessInfo>();
            end->Percent = scMp3Done;
            end->StepResult = s.result;
            end->Message = s.message;
            postProcessInfo(receiver, std::move(end));
        }
    }
    void stop(QObject*) override
    {
        active = false;
        ++stops;
    }
};

// Processes events until the view is closed or until a generous guard
// against hanging passes; true when the view was closed.
inline bool runUntilClosed(const RecordingView& view, int guardMs = 60000,
                           const std::function<bool()>& also = {})
{
    QDeadlineTimer guard(guardMs);
    while (!view.closed && !guard.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (also && also())
            return true;
    }
    return view.closed > 0;
}

// The temporary files a job left in folder (hidden ".part" names); a job
// that has ended leaves none.
inline QStringList partFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden);
}

// A file lame would take for MP3: two MPEG-1 layer III frames (128 kbit/s,
// 44100 Hz, 417 bytes each) of silence.
inline bool writeFakeMp3(const QString& path)
{
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0x00);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(frame + frame) == 834;
}

} // namespace quillon::test
