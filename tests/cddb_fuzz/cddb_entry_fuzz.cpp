// Feeds arbitrary bytes to the CDDB parsers and checks what they promise:
// one title slot per track, cleaned values, matches whose words are safe to
// put back into a URL.
#include "cddb/cddb_answer.h"
#include "cddb/cddb_entry.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool isClean(const QString& s)
{
    for (QChar c : s) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return s == s.trimmed();
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isWord(const QString& s)
{
    for (QChar c : s) {
        if (c.unicode() >= 0x80 || !c.isLetterOrNumber())
            return false;
    }
    return !s.isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int mode = data[0] % 3;
    const int number = data[1] % 101;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    if (mode == 0) {
        const TCddbEntry e = ParseCddbEntry(text, number);
        check(int(e.Titles.size()) == number);
        for (const auto& t : e.Titles)
            check(!t || isClean(*t));
        for (const auto* f : {&e.Artist, &e.Album, &e.Year, &e.Genre})
            check(!*f || isClean(**f));
        check(e.Artist.has_value() == e.Album.has_value());
    } else if (mode == 1) {
        const TCddbQueryAnswer a = ParseCddbQueryAnswer(text, number % 11);
        check(int(a.Matches.size()) <= number % 11);
        check((a.Kind == TCddbAnswerKind::Matches) == !a.Matches.empty());
        for (const TCddbMatch& m : a.Matches)
            check(isWord(m.Category) && isWord(m.DiscId) && m.DiscId.size() == 8);
    } else {
        const TCddbReadAnswer a = ParseCddbReadAnswer(text);
        check(!a.Ok || a.Code == 210);
    }
    return 0;
}
