// Feeds arbitrary bytes to the Ogg Vorbis reader as a stream: the format
// queries, the comments, a bounded read, a seek and a read from a start
// sample. Any crash, sanitizer report or hang is a bug.

#include "audio/vorbis_in.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

void readSome(TVorbisIn& in)
{
    in.BeginRead();
    char buffer[4096];
    // Bounded: a looping or endless stream must still end here.
    for (int i = 0; i < 32 && in.ReadData(buffer, sizeof buffer) > 0; ++i) {
    }
    in.EndRead();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);

    TVorbisIn in;
    in.setStream(&buffer);
    if (!in.Valid())
        return 0;
    in.GetChannels();
    in.GetSampleRate();
    in.GetBitsPerSample();
    in.GetTotalTime();
    in.Comments();
    in.BitrateNominal();
    readSome(in);
    in.SetStartSample(qint32(size % 5000));
    in.Jump(int(size % 100));
    readSome(in);
    return 0;
}
