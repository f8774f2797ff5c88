// quillon-bench-ogg IN.wav OUT.ogg QUALITY
// Encodes IN.wav to OUT.ogg with the Vorbis step's chain and settings
// (quality-driven, Compression = QUALITY / 10 as the slider gives it).
// Prints the wall time in seconds.
#include "audio/vorbis_out.h"
#include "audio/wave_in.h"
#include "jobs/steps/ogg_step.h"
#include "settings/options_setting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <condition_variable>
#include <cstdio>
#include <mutex>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 4) {
        err << "usage: quillon-bench-ogg IN.wav OUT.ogg QUALITY\n";
        return 2;
    }
    TOptionsSetting options;
    options.IsUseCompress = true;
    options.CompressPosition = int(args[3].toDouble() * 10 + 10.5);

    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::string error;
    QElapsedTimer clock;
    clock.start();
    try {
        TWaveIn in;
        in.SetFileName(args[1]);
        TVorbisOut out;
        out.SetInput(&in);
        out.SetFileName(args[2]);
        ApplyOggSettings(out, options);
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
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!error.empty()) {
        err << QString::fromStdString(error) << "\n";
        return 1;
    }
    std::printf("%.3f\n", clock.elapsed() / 1000.0);
    return 0;
}
