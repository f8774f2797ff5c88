#include "tags/cover_image.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ImageMimeType(const QByteArray& image)
{
    if (image.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (image.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("image/png");
    return {};
}

bool FindCoverBeside(const QString& musicFile, QByteArray* image, QString* mime)
{
    const QDir folder = QFileInfo(musicFile).absoluteDir();
    const QStringList present = folder.entryList(QDir::Files | QDir::Readable);
    for (const char* wanted : {"cover.jpg", "folder.jpg", "cover.png", "folder.png"}) {
        for (const QString& name : present) {
            if (name.compare(QLatin1String(wanted), Qt::CaseInsensitive) != 0)
                continue;
            QFile file(folder.filePath(name));
            if (file.size() > kMaxCoverBytes || !file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.readAll();
            const QString type = ImageMimeType(bytes);
            if (type.isEmpty())
                continue;
            *image = bytes;
            *mime = type;
            return true;
        }
    }
    return false;
}
