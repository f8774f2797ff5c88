// Feeds arbitrary argument vectors (NUL-separated words) to the command-line
// parser: a request, or a reason when there is none; a parsed track list
// stays within the disc, without repeats. Any crash, sanitizer report or hang
// is a bug.

#include "cdaccess/cdio_access.h"
#include "cli_args.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QStringList args;
    for (const QByteArray& word :
         QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0'))
        args << QString::fromUtf8(word);
    QStringList rest = args;
    TakeImageDriveArguments(rest);
    fuzz::check(rest.size() <= args.size());

    QString error;
    const auto request = ParseCliArguments(args, error);
    if (!request) {
        fuzz::check(!error.isEmpty());
        return 0;
    }
    CliHelpText(request->Command);
    CliFormatIndex(request->Format);
    if (!request->Tracks.isEmpty()) {
        QString why;
        if (const auto tracks = ParseTrackList(request->Tracks, 99, why)) {
            std::set<int> seen;
            for (int t : *tracks)
                fuzz::check(t >= 1 && t <= 99 && seen.insert(t).second);
        } else {
            fuzz::check(!why.isEmpty());
        }
    }
    return 0;
}
