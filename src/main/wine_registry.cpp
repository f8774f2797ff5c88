#include "wine_registry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {
// user.reg writes a backslash inside a key name as two.
QByteArray escapedKey(const QString& key)
{
    QByteArray path = key.toUtf8();
    while (path.startsWith('\\'))
        path.remove(0, 1);
    while (path.endsWith('\\'))
        path.chop(1);
    return path.replace("\\", "\\\\").toLower();
}

// The key name of a header line "[name] timestamp", lower case; empty if none.
QByteArray headerName(const QByteArray& line)
{
    if (!line.startsWith('['))
        return {};
    const qsizetype close = line.lastIndexOf(']');
    return close < 0 ? QByteArray() : line.mid(1, close - 1).toLower();
}

bool isHeader(const QByteArray& line)
{
    return line.startsWith('[');
}
} // namespace

QString TWineRegistry::UserRegistryPath()
{
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty())
        prefix = QDir::homePath() + QStringLiteral("/.wine");
    return prefix + QStringLiteral("/user.reg");
}

bool TWineRegistry::load(const QString& path)
{
    m_path = path;
    m_lines.clear();
    m_modified = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_lines = file.readAll().split('\n');
    return true;
}

bool TWineRegistry::save()
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(m_lines.join('\n'));
    if (!file.commit())
        return false;
    m_modified = false;
    return true;
}

int TWineRegistry::findKey(const QString& key) const
{
    const QByteArray wanted = escapedKey(key);
    for (int i = 0; i < m_lines.size(); ++i) {
        if (isHeader(m_lines[i]) && headerName(m_lines[i]) == wanted)
            return i;
    }
    return -1;
}

int TWineRegistry::endOfKey(int header) const
{
    int end = header + 1;
    while (end < m_lines.size() && !isHeader(m_lines[end]))
        ++end;
    return end;
}

bool TWineRegistry::keyExists(const QString& key) const
{
    return findKey(key) >= 0;
}

bool TWineRegistry::deleteKey(const QString& key)
{
    const int header = findKey(key);
    if (header < 0)
        return false;
    const QByteArray prefix = escapedKey(key) + "\\\\";
    for (const QByteArray& line : m_lines) {
        if (isHeader(line) && headerName(line).startsWith(prefix))
            return false; // a key with subkeys is not removed
    }
    m_lines.erase(m_lines.begin() + header, m_lines.begin() + endOfKey(header));
    m_modified = true;
    return true;
}

bool TWineRegistry::deleteValue(const QString& key, const QString& name)
{
    const int header = findKey(key);
    if (header < 0)
        return false;
    const QByteArray quoted = '"' + name.toUtf8().toLower() + "\"=";
    const int end = endOfKey(header);
    for (int i = header + 1; i < end; ++i) {
        if (!m_lines[i].toLower().startsWith(quoted))
            continue;
        // Long values go on over lines ending in a backslash.
        int last = i;
        while (last + 1 < end && m_lines[last].trimmed().endsWith('\\'))
            ++last;
        m_lines.erase(m_lines.begin() + i, m_lines.begin() + last + 1);
        m_modified = true;
        return true;
    }
    return false;
}

int ClearRealPlayerHistory(TWineRegistry& registry)
{
    const QString base = QStringLiteral("Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\"
                                        "MostRecentClips");
    int count = 0;
    for (int k = 1; k <= 8 && registry.deleteKey(base + QString::number(k)); ++k)
        ++count;
    return count;
}

int ClearMediaPlayerHistory(TWineRegistry& registry)
{
    const QString key = QStringLiteral("Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList");
    int count = 0;
    for (int k = 0;
         k <= 8 && registry.deleteValue(key, QStringLiteral("File") + QString::number(k)); ++k)
        ++count;
    return count;
}
