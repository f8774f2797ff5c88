#pragma once
// The current user's registry as Wine keeps it in $WINEPREFIX/user.reg (default
// ~/.wine/user.reg), edited as text: whole keys or single values are removed
// and everything else is written back byte for byte. Saving writes a temporary
// file and renames it, so a failed save leaves the old registry intact.
//
// Key paths are written as on Windows below HKEY_CURRENT_USER
// ("Software\\RealNetworks\\..."); names compare ignoring case.

#include <QByteArray>
#include <QList>
#include <QString>

class TWineRegistry {
public:
    // $WINEPREFIX/user.reg, or ~/.wine/user.reg without WINEPREFIX.
    static QString UserRegistryPath();

    // Reads the file; false when it cannot be read (the registry is then empty).
    bool load(const QString& path);
    // Writes the file back atomically; false on failure.
    bool save();
    bool isModified() const { return m_modified; }

    bool keyExists(const QString& key) const;
    // Removes a key with its values; false when it does not exist or has subkeys.
    bool deleteKey(const QString& key);
    // Removes one value of a key; false when the key or the value is missing.
    bool deleteValue(const QString& key, const QString& name);

private:
    int findKey(const QString& key) const; // line of the key's header, or -1
    int endOfKey(int header) const;        // line after the key's last line

    QString m_path;
    QList<QByteArray> m_lines;
    bool m_modified = false;
};

// The players' recent-file lists. Each returns the number of entries removed.
// RealPlayer: keys ...\Preferences\MostRecentClips1..8, stopping at the first
// that cannot be removed. Windows Media Player: values File0..File8 of
// ...\Player\RecentFileList, stopping at the first missing one.
int ClearRealPlayerHistory(TWineRegistry& registry);
int ClearMediaPlayerHistory(TWineRegistry& registry);
