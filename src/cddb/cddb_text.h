#pragma once
// Small text helpers shared by the CDDB answer and entry parsers.

#include <QString>
#include <QStringList>
#include <QStringView>

// Splits at CR, LF or CR LF. A final line break does not start another line.
QStringList SplitCddbLines(QStringView text);

// Removes spaces and control characters at both ends and turns control
// characters inside into spaces: server text never carries a tab, escape or
// NUL into a title.
QString CleanCddbText(QStringView text);
