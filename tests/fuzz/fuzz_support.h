#pragma once
// What the fuzz targets share: a check that stops the run when the code under
// test breaks one of its promises, and a file written for code that reads files.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdlib>

namespace fuzz {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace fuzz
