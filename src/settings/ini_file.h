#pragma once
// The INI layer behind options.ini, cdinfo.dat and the language files.
//
// Reading follows the classic private-profile rules: section and key names are
// compared without regard to case, the first of duplicate sections or keys
// wins, a missing key gives the caller's default, a present key with an empty
// value gives an empty text, integers are decimal or "0x" hexadecimal and
// anything else gives the default, and a text value arrives cut to 2047
// characters. Spaces around names and values are ignored; a value enclosed in
// matching single or double quotes loses them.
//
// Writes change the in-memory copy only; updateFile() then rewrites the whole
// file through a temporary file and a rename, so a failed save leaves the
// previous file as it was. Lines the program does not touch (other sections,
// unknown keys, comments) are written back byte for byte.
//
// Files are UTF-8; a value that is not valid UTF-8 (a file from an older
// 8-bit code page) is read as Latin-1 rather than garbled.
//
// Threads: one object per thread; objects share nothing.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class TIniFile {
public:
    // Longest text value a read returns, in characters.
    static constexpr int MaxValueLength = 2047;

    // Loads the file; a missing, unreadable or non-regular file gives an empty
    // store without an error.
    explicit TIniFile(const QString& fileName);

    QString fileName() const { return m_fileName; }

    // Replaces the in-memory contents with the given file text.
    void setData(const QByteArray& data);
    // The file text updateFile() would write.
    QByteArray data() const;

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    qint32 readInteger(const QString& section, const QString& key, qint32 defaultValue) const;
    // Any integer other than 0 is true; a value that is no integer gives the default.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint32 value);
    void writeBool(const QString& section, const QString& key, bool value);

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    // Key names of a section, in file order, without duplicates.
    QStringList keys(const QString& section) const;

    // Writes the whole store to the file atomically. Throws
    // std::runtime_error("Unable to write to <path>") when that fails; the
    // previous file is then unchanged.
    void updateFile() const;

    // Integer text as the reader takes it: optional sign, decimal digits or
    // "0x"/"0X" and up to 8 hexadecimal digits (taken as 32 bits). Returns
    // false for anything else, including values out of the 32-bit range.
    static bool parseInteger(const QString& text, qint32* value);

private:
    struct Line {
        QByteArray raw;   // the line as it stands in the file, without its end
        QString key;      // empty for blank lines, comments and other text
        QByteArray value; // raw value bytes of a key line, spaces trimmed
    };
    struct Section {
        QByteArray header; // "[name]" line; empty for the lines before any section
        QString name;
        std::vector<Line> lines;
        QHash<QString, int> keyIndex; // folded key -> first line with that key
    };

    const Line* findLine(const QString& section, const QString& key) const;
    Section& sectionFor(const QString& section);
    void rebuildKeyIndex(Section& section);
    static QString fold(const QString& name);

    QString m_fileName;
    std::vector<Section> m_sections;    // m_sections[0] holds the lines before any header
    QHash<QString, int> m_sectionIndex; // folded name -> first section of that name
};
