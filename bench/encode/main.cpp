// quillon-bench-encode flac|opus IN.wav OUT SETTING [gain]
// Encodes IN.wav to OUT with the FLAC writer (SETTING = compression level)
// or the Opus writer (SETTING = kbit/s); with "gain" the audio passes the
// ReplayGain meter on its way. Prints the wall time in seconds.
#include "../run_output.h"
#include "audio/flac_out.h"
#include "audio/opus_out.h"
#include "audio/replay_gain_meter.h"
#include "audio/wave_in.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 5 || (args[1] != u"flac" && args[1] != u"opus")) {
        err << "usage: quillon-bench-encode flac|opus IN.wav OUT SETTING [gain]\n";
        return 2;
    }
    std::string error;
    QElapsedTimer clock;
    clock.start();
    try {
        TWaveIn in;
        in.SetFileName(args[2]);
        TReplayGainMeter meter;
        meter.SetInput(&in);
        std::unique_ptr<TEncodedFileOut> out;
        if (args[1] == u"flac") {
            auto flac = std::make_unique<TFlacOut>();
            flac->SetCompressionLevel(args[4].toInt());
            out = std::move(flac);
        } else {
            auto opus = std::make_unique<TOpusOut>();
            opus->SetBitRate(args[4].toInt());
            out = std::move(opus);
        }
        const bool gain = args.size() > 5 && args[5] == u"gain";
        out->SetInput(gain ? static_cast<TPcmInput*>(&meter) : &in);
        out->SetGainMeter(gain ? &meter : nullptr);
        out->SetFileName(args[3]);
        error = RunOutputToEnd(*out);
    } catch (const std::exception& e) {
        error = e.what();
    }
    return ReportRun(error, clock);
}
