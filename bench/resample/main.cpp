// quillon-bench-resample IN_RATE OUT_RATE [--sox]
// Measures one rate conversion on -6 dBFS tones that sit on bins of a
// 16384-point Blackman-Harris spectrum of the output, through Quillon's rate
// converter or (--sox) through `sox in.wav -r OUT_RATE out.wav`, and prints
// one row of the quality table:
//   passband   the worst level error of tones up to 0.45 x the lower rate
//   -3 dB      where the level of a tone has fallen by 3 dB
//   spur       the largest component besides a passband tone below the lower
//              rate's Nyquist frequency, against the tone
//   images     rising rates: the largest component above that frequency for
//              a passband tone; falling rates: the largest alias of a tone
//              between the two Nyquist frequencies, against the tone's level
#include "audio/rate_converter.h"
#include "audio/wave_in.h"
#include "audio/wave_out.h"
#include "audio_test_util.h"
#include "converter_test_util.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

using namespace audiotest;
using namespace convtest;

namespace {

constexpr int kPoints = 16384;
constexpr size_t kSkip = 4096; // past the tone's start
constexpr double kAmplitude = 16384;

using TResampler = std::function<std::vector<int16_t>(const std::vector<int16_t>&, int, int)>;

QByteArray bytesOf(const std::vector<int16_t>& x)
{
    return QByteArray(reinterpret_cast<const char*>(x.data()), qsizetype(x.size() * 2));
}

std::vector<int16_t> samplesOf(const QByteArray& pcm)
{
    std::vector<int16_t> x(size_t(pcm.size() / 2));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = sampleAt(pcm, qsizetype(i));
    return x;
}

std::vector<int16_t> ours(const std::vector<int16_t>& x, int inRate, int outRate)
{
    PcmSource source(bytesOf(x), 16, 1, inRate, 1 << 16);
    TRateConverter rc;
    rc.SetOutSampleRate(outRate);
    rc.SetInput(&source);
    return samplesOf(pullAll(rc, 1 << 16));
}

std::vector<int16_t> sox(const std::vector<int16_t>& x, int inRate, int outRate)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.wav"));
    const QString out = dir.filePath(QStringLiteral("out.wav"));
    PcmSource source(bytesOf(x), 16, 1, inRate, 1 << 16);
    TWaveOut writer;
    writer.SetFileName(in);
    if (!writeWave(writer, source).empty())
        return {};
    QProcess p;
    p.start(QStringLiteral("sox"), {in, QStringLiteral("-r"), QString::number(outRate), out});
    p.waitForFinished(60000);
    return samplesOf(readWaveFile(out));
}

// The reading of a tone at hz (moved to the nearest odd output bin).
ToneReading measure(const TResampler& resample, int inRate, int outRate, double hz)
{
    const int bin = oddBin(hz, outRate, kPoints);
    const size_t frames = size_t(double(kSkip + kPoints + 2048) * inRate / outRate);
    const auto y = resample(tone16(double(bin) * outRate / kPoints, inRate, frames, kAmplitude),
                            inRate, outRate);
    if (y.size() < kSkip + kPoints)
        return {-300, 0, 0, 0};
    const int lower = std::min(inRate, outRate);
    return readTone(amplitudeSpectrum(y, kSkip, kPoints), kPoints, outRate, bin, kAmplitude,
                    lower / 2.0);
}

// The largest output component, against the input tone, for a tone at hz
// that the output rate cannot hold.
double aliasDb(const TResampler& resample, int inRate, int outRate, double hz)
{
    const int aliasBin = oddBin(outRate - hz, outRate, kPoints);
    const double f = outRate - double(aliasBin) * outRate / kPoints;
    const size_t frames = size_t(double(kSkip + kPoints + 2048) * inRate / outRate);
    const auto y = resample(tone16(f, inRate, frames, kAmplitude), inRate, outRate);
    if (y.size() < kSkip + kPoints)
        return 0;
    const auto a = amplitudeSpectrum(y, kSkip, kPoints);
    return dB(*std::max_element(a.begin(), a.end()) / kAmplitude);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int inRate = args.value(1).toInt();
    const int outRate = args.value(2).toInt();
    if (inRate <= 0 || outRate <= 0 || inRate == outRate) {
        QTextStream(stderr) << "usage: quillon-bench-resample IN_RATE OUT_RATE [--sox]\n";
        return 2;
    }
    const bool useSox = args.contains(QStringLiteral("--sox"));
    const TResampler resample = useSox ? TResampler(sox) : TResampler(ours);
    const int lower = std::min(inRate, outRate);

    double worstGain = 0;
    double worstSpur = -300;
    double worstImage = -300;
    for (int k = 1; k <= 9; ++k) {
        const ToneReading r = measure(resample, inRate, outRate, 0.05 * k * lower);
        if (std::abs(r.gainDb) > std::abs(worstGain))
            worstGain = r.gainDb;
        worstSpur = std::max(worstSpur, r.spurDb);
        worstImage = std::max(worstImage, r.imageDb);
    }
    // The level falls through the transition band: bisect for -3 dB.
    double below = 0.45 * lower;
    double above = 0.5 * lower - 3.0 * outRate / kPoints; // the last bins below Nyquist
    while (above - below > 2.0 * outRate / kPoints) {
        const double mid = (below + above) / 2;
        (measure(resample, inRate, outRate, mid).gainDb > -3 ? below : above) = mid;
    }
    if (outRate < inRate) {
        worstImage = -300;
        for (int k = 1; k <= 4; ++k) {
            const double hz = outRate / 2.0 + k * (inRate - outRate) / 10.0;
            worstImage = std::max(worstImage, aliasDb(resample, inRate, outRate, hz));
        }
    }
    // An output of digital silence reads about -240 dB.
    const QString images = worstImage < -200 ? QStringLiteral("silence")
                                             : QStringLiteral("%1 dB").arg(worstImage, 0, 'f', 1);
    QTextStream(stdout) << QStringLiteral("| %1 -> %2 | %3 | %4 dB | %5 kHz | %6 dB | %7 |\n")
                               .arg(inRate)
                               .arg(outRate)
                               .arg(useSox ? QStringLiteral("sox") : QStringLiteral("quillon"))
                               .arg(worstGain, 0, 'f', 3)
                               .arg((below + above) / 2000, 0, 'f', 2)
                               .arg(worstSpur, 0, 'f', 1)
                               .arg(images);
    return 0;
}
