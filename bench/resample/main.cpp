// quillon-bench-resample IN.wav OUT.wav RATE [--reference]
// Resamples a 16-bit WAV file through TWaveIn -> TRateConverter (Blackman,
// 30 taps) -> TWaveOut, as the conversion job does. With --reference the
// output is instead computed by the plain whole-signal model of the same
// conversion, one channel after the other on one thread, and written as raw
// PCM after the same 44-byte header, for a byte comparison.
#include "audio/rate_converter.h"
#include "audio/wave_in.h"
#include "audio/wave_out.h"
#include "converter_test_util.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <condition_variable>
#include <mutex>

namespace {

int runChain(const QString& in, const QString& out, int rate)
{
    TWaveIn reader;
    reader.SetFileName(in);
    TRateConverter rc;
    rc.SetFilterWindow(fwBlackman);
    rc.SetKernelWidth(30);
    rc.SetOutSampleRate(rate);
    rc.SetInput(&reader);
    TWaveOut writer;
    writer.SetFileName(out);
    writer.SetInput(&rc);
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    std::string error;
    writer.OnDone = [&](QObject*) {
        std::lock_guard guard(lock);
        done = true;
        changed.notify_all();
    };
    writer.OnThreadException = [&](QObject*, const std::exception& e) {
        std::lock_guard guard(lock);
        error = e.what();
        done = true;
        changed.notify_all();
    };
    writer.Run();
    std::unique_lock guard(lock);
    changed.wait(guard, [&] { return done; });
    if (!error.empty()) {
        QTextStream(stderr) << "resampling failed: " << QString::fromStdString(error) << "\n";
        return 1;
    }
    return 0;
}

int runReference(const QString& in, const QString& out, int rate)
{
    TWaveIn reader;
    reader.SetFileName(in);
    const int channels = reader.GetChannels(), inRate = reader.GetSampleRate();
    QByteArray pcm;
    {
        reader.BeginRead();
        std::vector<char> buffer(1 << 16);
        qint64 n;
        while ((n = reader.ReadData(buffer.data(), qint64(buffer.size()))) > 0)
            pcm.append(buffer.data(), n);
        reader.EndRead();
    }
    std::vector<std::vector<int16_t>> converted;
    for (int c = 0; c < channels; ++c) {
        std::vector<int16_t> x;
        for (qsizetype i = c; i < pcm.size() / 2; i += channels)
            x.push_back(qFromLittleEndian<qint16>(pcm.constData() + 2 * i));
        converted.push_back(convtest::modelConvert(x, inRate, rate));
    }
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(QByteArray(44, '\0'));
    QByteArray data;
    for (size_t f = 0; f < converted[0].size(); ++f)
        for (int c = 0; c < channels; ++c) {
            char b[2];
            qToLittleEndian<qint16>(converted[size_t(c)][f], b);
            data.append(b, 2);
        }
    file.write(data);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4 || args[3].toInt() <= 0) {
        QTextStream(stderr) << "usage: quillon-bench-resample IN.wav OUT.wav RATE [--reference]\n";
        return 2;
    }
    if (args.size() > 4 && args[4] == QLatin1String("--reference"))
        return runReference(args[1], args[2], args[3].toInt());
    return runChain(args[1], args[2], args[3].toInt());
}
