#pragma once
// The progress report that workers post to the job window, and the message
// numbers the program's threads use to talk to windows.
//
// A worker creates a TProcessInfo, wraps it in a TMessageEvent and posts it
// with QCoreApplication::postEvent; the receiver owns it from then on.

#include <QEvent>
#include <QString>

#include <memory>

constexpr int WM_USER = 0x400;
constexpr int WM_RIPFAILED = WM_USER + 101;        // 1125
constexpr int WM_PROCESSINFO = WM_USER + 102;      // 1126
constexpr int WM_CDDBFINISHED = WM_USER + 104;     // 1128
constexpr int WM_LOOKUPFINISHED = WM_USER + 110;   // 1134: a title or cover lookup ended
constexpr int WM_LOUDNESSMEASURED = WM_USER + 111; // 1135: a job step's side meter is done

// Qt event types derived from the message numbers (QEvent::User is 1000, so
// every number stays well inside the user range).
constexpr QEvent::Type messageEventType(int message)
{
    return static_cast<QEvent::Type>(QEvent::User + message);
}

// Step codes carried in TProcessInfo::Percent besides 0..100.
enum TStepCode : qint32 {
    scNormalizeStarts = 999,
    scRipDone = 1000,
    scMp3Done = 2000,
    scOggDone = 3000,
    scResampleDone = 4000,
    scWmaDone = 5000,
    scEncodedFileDone = 6000,
};

// StepResult of an encoder's end report (2000, 5000).
enum TEncoderResult : qint32 {
    kEncoderMissing = 0, // the program cannot be found; Message says so
    kEncoderEnded = 2,   // the child ended; Message says how when it failed
    kEncoderError = 8,   // the program printed an error line, in Message
};

struct TProcessInfo {
    qint32 Percent = 0;
    QString ElapsedText;
    QString EstimatedText;
    qint32 StepResult = 0;
    // Free text for the job window's message line (e.g. the reason a write
    // failed); empty when there is nothing to say.
    QString Message;
};

// A posted window message: the message number, its word parameter and, for
// WM_PROCESSINFO, the owned report.
class TMessageEvent : public QEvent {
public:
    TMessageEvent(int message, qintptr wParam = 0, std::unique_ptr<TProcessInfo> info = nullptr)
        : QEvent(messageEventType(message)), m_message(message), m_wParam(wParam),
          m_info(std::move(info))
    {}
    int message() const { return m_message; }
    qintptr wParam() const { return m_wParam; }
    // Hands the report to the receiver; null for messages without one.
    std::unique_ptr<TProcessInfo> takeInfo() { return std::move(m_info); }
    const TProcessInfo* info() const { return m_info.get(); }

private:
    int m_message;
    qintptr m_wParam;
    std::unique_ptr<TProcessInfo> m_info;
};

// Posts a report to a receiver (any thread).
void postProcessInfo(class QObject* receiver, std::unique_ptr<TProcessInfo> info);
// Posts a bare message with a word parameter (any thread).
void postMessage(class QObject* receiver, int message, qintptr wParam = 0);
