// quillon-bench-ogg IN.wav OUT.ogg QUALITY
// Encodes IN.wav to OUT.ogg with the Vorbis step's chain and settings
// (quality-driven, Compression = QUALITY / 10 as the slider gives it).
// Prints the wall time in seconds.
#include "../run_output.h"
#include "audio/vorbis_out.h"
#include "audio/wave_in.h"
#include "jobs/steps/ogg_step.h"
#include "settings/options_setting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

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
        error = RunOutputToEnd(out);
    } catch (const std::exception& e) {
        error = e.what();
    }
    return ReportRun(error, clock);
}
