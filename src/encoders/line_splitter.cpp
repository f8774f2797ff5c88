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

QString WithoutTerminalEscapes(const QString& line)
{
    QString text;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QChar(0x1b)) {
            // CSI: ESC '[' parameters, ended by a letter; other escapes are two characters.
            if (i + 1 < line.size() && line[i + 1] == QLatin1Char('[')) {
                i += 2;
                while (i < line.size() && !line[i].isLetter())
                    ++i;
            } else {
                ++i;
            }
            continue;
        }
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            continue;
        text += c;
    }
    return text.trimmed();
}
