#include "ini_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <stdexcept>

namespace {

QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

// The value as the reader sees it: surrounding quotes of one kind dropped.
QByteArray unquote(const QByteArray& value)
{
    if (value.size() >= 2) {
        const char first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The value as it goes into the file. A line break would end the line and
// turn the rest into a key of its own, so line breaks become spaces. Values
// that the reader would change (leading or trailing spaces, surrounding
// quotes) are quoted so that they read back exactly.
QByteArray encodeValue(QString value)
{
    for (QChar& c : value) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            c = QLatin1Char(' ');
    }
    bool quote = false;
    if (!value.isEmpty()) {
        const QChar first = value.front();
        const QChar last = value.back();
        quote = isSpace(first) || isSpace(last) || first.isSpace() || last.isSpace() ||
                (value.size() >= 2 && first == last &&
                 (first == QLatin1Char('"') || first == QLatin1Char('\'')));
    }
    const QByteArray bytes = value.toUtf8();
    return quote ? '"' + bytes + '"' : bytes;
}

QString cutToMaxLength(QString text)
{
    if (text.size() <= TIniFile::MaxValueLength)
        return text;
    qsizetype n = TIniFile::MaxValueLength;
    // Never leave half of a surrogate pair at the end.
    if (text.at(n - 1).isHighSurrogate())
        --n;
    text.truncate(n);
    return text;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

TIniFile::TIniFile(const QString& fileName) : m_fileName(fileName)
{
    QByteArray contents;
    const QFileInfo info(fileName);
    if (info.isFile()) {
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly))
            contents = file.readAll();
    }
    setData(contents);
}

QString TIniFile::fold(const QString& name)
{
    return name.toCaseFolded();
}

void TIniFile::setData(const QByteArray& data)
{
    m_sections.clear();
    m_sectionIndex.clear();
    m_sections.emplace_back();

    qsizetype start = 0;
    bool firstLine = true;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QByteArray raw = data.mid(start, end - start);
        start = end + 1;
        if (raw.endsWith('\r'))
            raw.chop(1);

        QByteArray text = raw;
        if (firstLine && text.startsWith("\xEF\xBB\xBF"))
            text.remove(0, 3);
        firstLine = false;
        text = text.trimmed();

        if (text.startsWith('[')) {
            qsizetype close = text.indexOf(']');
            if (close < 0)
                close = text.size();
            Section section;
            section.header = raw;
            section.name = decodeText(text.mid(1, close - 1).trimmed());
            m_sections.push_back(std::move(section));
            continue;
        }

        Line line;
        line.raw = raw;
        const qsizetype eq = text.indexOf('=');
        if (!text.startsWith(';') && eq > 0) {
            line.key = decodeText(text.left(eq).trimmed());
            line.value = text.mid(eq + 1).trimmed();
        }
        m_sections.back().lines.push_back(std::move(line));
    }
    // The first of duplicate sections and keys is the one that counts.
    for (int i = 1; i < int(m_sections.size()); ++i) {
        const QString folded = fold(m_sections[i].name);
        if (!m_sectionIndex.contains(folded))
            m_sectionIndex.insert(folded, i);
    }
    for (Section& section : m_sections)
        rebuildKeyIndex(section);
}

void TIniFile::rebuildKeyIndex(Section& section)
{
    section.keyIndex.clear();
    for (int i = 0; i < int(section.lines.size()); ++i) {
        const Line& line = section.lines[i];
        if (line.key.isEmpty())
            continue;
        const QString folded = fold(line.key);
        if (!section.keyIndex.contains(folded))
            section.keyIndex.insert(folded, i);
    }
}

QByteArray TIniFile::data() const
{
    QByteArray out;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section& section = m_sections[i];
        if (i > 0)
            out += section.header + '\n';
        for (const Line& line : section.lines)
            out += line.raw + '\n';
    }
    return out;
}

const TIniFile::Line* TIniFile::findLine(const QString& section, const QString& key) const
{
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.constEnd())
        return nullptr;
    const Section& found = m_sections[*s];
    const auto k = found.keyIndex.constFind(fold(key));
    if (k == found.keyIndex.constEnd())
        return nullptr;
    return &found.lines[*k];
}

QString TIniFile::readString(const QString& section, const QString& key,
                             const QString& defaultValue) const
{
    const Line* line = findLine(section, key);
    if (!line)
        return cutToMaxLength(defaultValue);
    return cutToMaxLength(decodeText(unquote(line->value)));
}

bool TIniFile::parseInteger(const QString& text, qint32* value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= text.size())
        return false;

    qint64 magnitude = 0;
    if (text.size() - i > 2 && text[i] == QLatin1Char('0') &&
        (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        i += 2;
        if (text.size() - i > 8)
            return false;
        for (; i < text.size(); ++i) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                return false;
            magnitude = magnitude * 16 + d;
        }
        // Hexadecimal is a 32-bit pattern: 0xFFFFFFFF is -1.
        const auto bits = static_cast<quint32>(magnitude);
        const auto pattern = static_cast<qint32>(bits);
        *value = negative ? static_cast<qint32>(0u - bits) : pattern;
        return true;
    }

    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < '0' || u > '9')
            return false;
        magnitude = magnitude * 10 + (u - '0');
        if (magnitude > qint64(2147483648LL))
            return false;
    }
    const qint64 signedValue = negative ? -magnitude : magnitude;
    if (signedValue > 2147483647LL)
        return false;
    *value = static_cast<qint32>(signedValue);
    return true;
}

qint32 TIniFile::readInteger(const QString& section, const QString& key, qint32 defaultValue) const
{
    const Line* line = findLine(section, key);
    if (!line)
        return defaultValue;
    qint32 value = 0;
    if (!parseInteger(readString(section, key, QString()), &value))
        return defaultValue;
    return value;
}

bool TIniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TIniFile::Section& TIniFile::sectionFor(const QString& section)
{
    const QString folded = fold(section);
    const auto found = m_sectionIndex.constFind(folded);
    if (found != m_sectionIndex.constEnd())
        return m_sections[*found];
    Section created;
    created.header = '[' + section.toUtf8() + ']';
    created.name = section;
    m_sectionIndex.insert(folded, int(m_sections.size()));
    m_sections.push_back(std::move(created));
    return m_sections.back();
}

void TIniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section& target = sectionFor(section);
    Line line;
    line.key = key;
    line.value = encodeValue(value);
    line.raw = key.toUtf8() + '=' + line.value;

    const auto found = target.keyIndex.constFind(fold(key));
    if (found != target.keyIndex.constEnd()) {
        target.lines[*found] = std::move(line);
        return;
    }
    // New keys go after the last key of the section, ahead of trailing blank
    // lines or comments that separate it from the next section.
    int position = int(target.lines.size());
    while (position > 0 && target.lines[position - 1].key.isEmpty())
        --position;
    const bool atEnd = position == int(target.lines.size());
    target.lines.insert(target.lines.begin() + position, std::move(line));
    if (atEnd)
        target.keyIndex.insert(fold(key), position);
    else
        rebuildKeyIndex(target);
}

void TIniFile::writeInteger(const QString& section, const QString& key, qint32 value)
{
    writeString(section, key, QString::number(value));
}

void TIniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::sectionExists(const QString& section) const
{
    return m_sectionIndex.contains(fold(section));
}

bool TIniFile::valueExists(const QString& section, const QString& key) const
{
    return findLine(section, key) != nullptr;
}

QStringList TIniFile::keys(const QString& section) const
{
    QStringList result;
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.constEnd())
        return result;
    const Section& found = m_sections[*s];
    for (int i = 0; i < int(found.lines.size()); ++i) {
        const Line& line = found.lines[i];
        if (!line.key.isEmpty() && found.keyIndex.value(fold(line.key), -1) == i)
            result << line.key;
    }
    return result;
}

void TIniFile::updateFile() const
{
    QSaveFile file(m_fileName);
    file.setDirectWriteFallback(false);
    const QByteArray contents = data();
    // Unbuffered, and flushed before the commit: an error of a buffered flush
    // inside commit() would go unnoticed and the short file would replace the
    // good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(contents) != contents.size() || !file.flush() || !file.commit()) {
        throw std::runtime_error(
            QStringLiteral("Unable to write to %1").arg(m_fileName).toStdString());
    }
}
