#include "line_splitter.h"

QList<QByteArray> TLineSplitter::feed(const QByteArray& chunk)
{
    QList<QByteArray> lines;
    for (const char c : chunk) {
        if (c == '\r' || c == '\n') {
            lines.append(m_pending);
            m_pending.clear();
            continue;
        }
        m_pending.append(c);
        if (m_pending.size() >= kMaxLine) {
            lines.append(m_pending);
            m_pending.clear();
        }
    }
    return lines;
}

QByteArray TLineSplitter::flush()
{
    QByteArray rest;
    rest.swap(m_pending);
    return rest;
}

bool IsBlankLine(const QByteArray& line)
{
    for (const char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if (u > ' ' && u != 0x7f)
            return false;
    }
    return true;
}
