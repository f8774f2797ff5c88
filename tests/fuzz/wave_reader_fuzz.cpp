// Feeds arbitrary bytes to the WAV reader as a file: header scan, format
// queries, a whole read (also from a start frame), the writer's append scan
// and the compressed-WAV loader. Any crash, sanitizer report or hang is a bug.

#include "audio/av_library.h"
#include "audio/wave_converter.h"
#include "audio/wave_header.h"
#include "audio/wave_in.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

void readAll(TWaveIn& in)
{
    in.BeginRead();
    char buffer[4099];
    // Bounded: a loop over a small file must still end.
    for (int i = 0; i < 64 && in.ReadData(buffer, sizeof buffer) > 0; ++i) {
    }
    in.EndRead();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Broken packets are expected here; their log lines would only slow the run.
    if (const av::Api* a = av::api())
        a->av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);

    ScanWaveHeader(buffer, WaveScanMode::Append);

    TWaveIn in;
    in.setStream(&buffer);
    if (in.Valid()) {
        in.GetWavType();
        in.GetTotalTime();
        readAll(in);
        in.SetStartSample(int(size % 3000));
        in.SetEndSample(size % 2 ? -1 : int(size % 7000));
        in.SetLoop(size % 5 == 0);
        readAll(in);
    }

    TWaveConverter converter;
    converter.LoadWave(buffer);
    if (converter.SuggestFormat() == 0 && converter.content().size() < 65536 &&
        converter.Convert() == 0) {
        QBuffer image;
        image.open(QIODevice::ReadWrite);
        converter.SaveWave(image);
    }
    return 0;
}
