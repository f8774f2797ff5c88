#pragma once
// For the bench drivers: runs an output (and the input chain behind it) to
// the end on its own thread and waits for it.

#include "audio/pcm_output.h"

#include <QElapsedTimer>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

// Empty when the run ended well, else the reason it failed.
inline std::string RunOutputToEnd(TPcmOutput& out)
{
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::string error;
    const auto finish = [&](const std::string& text) {
        std::lock_guard guard(lock);
        error = text;
        done = true;
        ended.notify_all();
    };
    out.OnDone = [&](QObject*) { finish({}); };
    out.OnThreadException = [&](QObject*, const std::exception& e) { finish(e.what()); };
    out.Run();
    std::unique_lock guard(lock);
    ended.wait(guard, [&] { return done; });
    return error;
}

// Prints the reason of a failed run to stderr (exit status 1), or the time
// since clock started in seconds to stdout (0).
inline int ReportRun(const std::string& error, const QElapsedTimer& clock)
{
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%.3f\n", clock.elapsed() / 1000.0);
    return 0;
}
