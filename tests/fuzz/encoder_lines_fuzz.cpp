// Feeds arbitrary bytes, as an encoder's output arriving in two reads, to the
// line splitter and every parser of encoder lines (lame encoding and decoding
// progress, the WMA utility's lines, the cleaning for messages).
// Any crash, sanitizer report or hang is a bug.

#include "encoders/lame_output_parser.h"
#include "encoders/line_splitter.h"
#include "encoders/wma_output_parser.h"
#include "fuzz_support.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype cut = bytes.isEmpty() ? 0 : data[0] % bytes.size();

    TLineSplitter splitter;
    QList<QByteArray> lines = splitter.feed(bytes.left(cut));
    lines += splitter.feed(bytes.mid(cut));
    lines += splitter.flush();

    TLameEncodeParser encode;
    TLameDecodeParser decode;
    for (const QByteArray& line : lines) {
        fuzz::check(line.size() <= TLineSplitter::kMaxLine);
        if (const auto p = encode.parseLine(line))
            fuzz::check(p->Percent >= 1 && p->Percent <= 100);
        decode.parseLine(line, double(data[0]));
        ClassifyWmaLine(line);
        IsBlankLine(line);
        const QString clean = WithoutTerminalEscapes(QString::fromLocal8Bit(line));
        fuzz::check(!clean.contains(QChar(0x1B)));
    }
    WmaFinishedSeconds(double(data[0]) / 3.0);
    return 0;
}
