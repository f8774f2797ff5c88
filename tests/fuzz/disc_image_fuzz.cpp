// Opens arbitrary bytes as a disc image (.cue with a small .bin beside it,
// .toc or .nrg, chosen by the first byte) through the drive interface the
// program uses: open, address mode, table of contents, CD-Text, the disc key
// and reads at each track's ends. Any crash, sanitizer report or hang is a bug.

#include "cdaccess/cd_access.h"
#include "cdaccess/cdio_access.h"
#include "fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

QTemporaryDir* folder = nullptr;

void readSector(TCdioAccess& cd, HCDROM handle, std::int32_t lba)
{
    TTRACKBUF buf;
    buf.StartFrame = lba;
    buf.NumFrames = 1;
    buf.MaxLen = kSectorSize;
    buf.Buf.resize(buf.MaxLen);
    if (cd.ReadCDAudioLBA(handle, buf))
        fuzz::check(buf.Len >= 0 && buf.Len <= buf.MaxLen);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder = new QTemporaryDir;
    // A short data file for cue sheets that name "disc.bin" (20 sectors).
    fuzz::writeFile(folder->filePath(QStringLiteral("disc.bin")),
                    QByteArray(20 * kSectorSize, '\1'));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const char* const kinds[] = {"disc.cue", "disc.toc", "disc.nrg"};
    const QString path = folder->filePath(QString::fromLatin1(kinds[data[0] % 3]));
    if (!fuzz::writeFile(path,
                         QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1))))
        return 0;

    TCdioAccess cd;
    TCDREC drive;
    drive.Device = path;
    drive.IsImage = true;
    const HCDROM handle = cd.GetCDHandle(drive);
    if (handle != 0) {
        cd.ModifyCDParms(handle, kCDParmAddressMode, kAddressModeMsf);
        TTOC toc;
        if (cd.ReadTOC(handle, toc)) {
            fuzz::check(toc.Entries.size() == size_t(toc.TrackCount()) + 1 || toc.Entries.empty());
            AudioCDPresent(toc);
            DiscKeyFromTOC(toc);
            for (int k = 0; k < toc.TrackCount() && k < 8; ++k) {
                readSector(cd, handle, toc.Entries[size_t(k)].Lba());
                readSector(cd, handle, toc.Entries[size_t(k) + 1].Lba() - 1);
            }
        }
        TCdText text;
        cd.ReadCDText(handle, text);
        cd.CloseCDHandle(handle);
    }
    QFile::remove(path);
    return 0;
}
