#pragma once
// A stand-in for the job window in encoder tests: collects every
// WM_PROCESSINFO report, posted or sent, and can run a handler on each.

#include "settings/process_info.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <vector>

class ReportSink : public QObject {
public:
    struct Report {
        TProcessInfo info;
    };
    std::vector<Report> reports;
    std::function<void(const TProcessInfo&)> onReport;

    bool event(QEvent* e) override
    {
        if (e->type() != messageEventType(WM_PROCESSINFO))
            return QObject::event(e);
        auto info = static_cast<TMessageEvent*>(e)->takeInfo();
        reports.push_back({*info});
        if (onReport)
            onReport(reports.back().info);
        return true;
    }

    int count(qint32 percent) const
    {
        int n = 0;
        for (const auto& r : reports)
            n += r.info.Percent == percent ? 1 : 0;
        return n;
    }
    const Report* last(qint32 percent) const
    {
        for (auto it = reports.rbegin(); it != reports.rend(); ++it)
            if (it->info.Percent == percent)
                return &*it;
        return nullptr;
    }
    std::vector<int> progress() const
    {
        std::vector<int> out;
        for (const auto& r : reports)
            if (r.info.Percent >= 0 && r.info.Percent <= 100)
                out.push_back(r.info.Percent);
        return out;
    }

    // Runs the event loop until a report with percent arrives; a guard against
    // a hang, not a speed check.
    bool waitFor(qint32 percent, int guardMs = 60000)
    {
        QElapsedTimer timer;
        timer.start();
        while (count(percent) == 0 && timer.elapsed() < guardMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            50);
        return count(percent) > 0;
    }
    // Runs the event loop for ms, so that stray reports would arrive.
    void settle(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};
