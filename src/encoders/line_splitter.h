#pragma once
// Cuts what a child process prints into lines. A carriage return, a line feed
// or both end a line (lame rewrites its progress line after a bare CR). A line
// that arrives in two reads is held back until its end arrives, so parsers
// always see whole lines.

#include <QByteArray>
#include <QList>
#include <QString>

class TLineSplitter {
public:
    // A line that grows beyond this without an end is handed out as it is, so
    // a program that never ends its lines cannot make us hold unbounded memory.
    static constexpr qsizetype kMaxLine = 64 * 1024;

    // Complete lines of chunk (with what was held back before it), in order.
    QList<QByteArray> feed(const QByteArray& chunk);
    // The held-back rest, when the stream has ended; empty if none.
    QByteArray flush();

private:
    QByteArray m_pending;
};

// True when the line holds nothing but blanks and control characters.
bool IsBlankLine(const QByteArray& line);

// line without terminal escape sequences (ESC [ ... letter) and other control
// characters, trimmed: lame colours and redraws its lines.
QString WithoutTerminalEscapes(const QString& line);
