// Feeds arbitrary bytes to the ID3v1 tag code: as 128 tag bytes (parsed,
// made again and parsed again, which must give the same fields) and as a whole
// file whose tag is read, rewritten in place and read back.
// Any crash, sanitizer report or hang is a bug.

#include "fuzz_support.h"
#include "tags/id3_tag.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

QTemporaryDir* folder = nullptr;

bool sameFields(const Tid3tag& a, const Tid3tag& b)
{
    return a.title() == b.title() && a.artist() == b.artist() && a.album() == b.album() &&
           a.comment() == b.comment() && a.year() == b.year() && a.genre() == b.genre() &&
           a.track() == b.track() && a.hasTrack() == b.hasTrack();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    Tid3tag parsed;
    if (parsed.parseTagBytes(bytes.left(Tid3tag::TagSize))) {
        Tid3tag again;
        fuzz::check(again.parseTagBytes(parsed.tagBytes()));
        fuzz::check(sameFields(parsed, again));
    }
    Id3FieldText(bytes.left(Tid3tag::TextFieldSize));
    Id3v1CanHold(QString::fromUtf8(bytes));

    const QString path = folder->filePath(QStringLiteral("track.mp3"));
    if (!fuzz::writeFile(path, bytes))
        return 0;
    Tid3tag tag;
    if (tag.ReadTag(path) < 256) {
        tag.SetTitle(tag.title() + QStringLiteral("x"));
        if (tag.WriteTag(QStringLiteral("=")) < 256) {
            Tid3tag written;
            fuzz::check(written.ReadTag(path) < 256);
            fuzz::check(sameFields(tag, written));
        }
    }
    QFile::remove(path);
    return 0;
}
