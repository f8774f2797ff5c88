#include "id3_tag.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qsizetype TitleOffset = 3;
constexpr qsizetype ArtistOffset = 33;
constexpr qsizetype AlbumOffset = 63;
constexpr qsizetype YearOffset = 93;
constexpr qsizetype CommentOffset = 97;
constexpr qsizetype GenreOffset = 127;
constexpr std::uint8_t FirstByteOutsideList = 148;

// The first count characters (code points) of text; a character outside the
// Basic Multilingual Plane counts as one, as it becomes one byte in the file.
QString leftCharacters(const QString& text, int count)
{
    qsizetype i = 0;
    for (int n = 0; n < count && i < text.size(); ++n) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

// The closest the platform has to a read-only attribute: we may not write the
// file, or nobody may (no write permission bit at all, which also stops root
// from tagging a file its owner protected).
bool isReadOnlyFile(const QFileInfo& info)
{
    // The mode bits only: WriteUser is the access check, which root always passes.
    constexpr QFile::Permissions anyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !info.isWritable() || !(info.permissions() & anyWrite);
}

bool isTagFile(const QFileInfo& info)
{
    // A FIFO or a device would block or never end; only regular files are tagged.
    return info.exists() && info.isFile();
}

bool startsWithTag(const QByteArray& bytes)
{
    return bytes.startsWith("TAG");
}

} // namespace

QByteArray Id3FieldBytes(const QString& text, int size)
{
    QByteArray bytes(size, '\0');
    int n = 0;
    for (const char32_t c : text.toUcs4()) {
        if (n >= size)
            break;
        bytes[n++] = c <= 0xFF ? char(c) : '?';
    }
    return bytes;
}

QString Id3FieldText(const QByteArray& bytes)
{
    qsizetype end = bytes.size();
    while (end > 0) {
        const auto b = static_cast<unsigned char>(bytes.at(end - 1));
        if (b != 0 && b != ' ' && b != 0xFF)
            break;
        --end;
    }
    return QString::fromLatin1(bytes.constData(), end);
}

void Tid3tag::SetTitle(const QString& text)
{
    m_title = leftCharacters(text, TextFieldSize);
}

void Tid3tag::SetArtist(const QString& text)
{
    m_artist = leftCharacters(text, TextFieldSize);
}

void Tid3tag::SetAlbum(const QString& text)
{
    m_album = leftCharacters(text, TextFieldSize);
}

void Tid3tag::SetComment(const QString& text)
{
    m_comment = leftCharacters(text, TextFieldSize);
}

void Tid3tag::SetYear(const QString& text)
{
    m_year = leftCharacters(text, YearFieldSize);
}

void Tid3tag::SetTrack(int number)
{
    m_track = static_cast<std::uint8_t>(std::clamp(number, 0, 255));
    m_hasTrack = m_track != 0;
}

QByteArray Tid3tag::tagBytes() const
{
    QByteArray bytes;
    bytes.reserve(TagSize);
    bytes += "TAG";
    bytes += Id3FieldBytes(m_title, TextFieldSize);
    bytes += Id3FieldBytes(m_artist, TextFieldSize);
    bytes += Id3FieldBytes(m_album, TextFieldSize);
    bytes += Id3FieldBytes(m_year, YearFieldSize);
    if (m_hasTrack && m_track != 0) {
        bytes += Id3FieldBytes(m_comment, CommentWithTrackSize);
        bytes += '\0';
        bytes += char(m_track);
    } else {
        bytes += Id3FieldBytes(m_comment, TextFieldSize);
    }
    bytes += char(m_genre);
    return bytes;
}

bool Tid3tag::parseTagBytes(const QByteArray& bytes)
{
    if (bytes.size() != TagSize || !startsWithTag(bytes))
        return false;
    m_title = Id3FieldText(bytes.mid(TitleOffset, TextFieldSize));
    m_artist = Id3FieldText(bytes.mid(ArtistOffset, TextFieldSize));
    m_album = Id3FieldText(bytes.mid(AlbumOffset, TextFieldSize));
    m_year = Id3FieldText(bytes.mid(YearOffset, YearFieldSize));

    const QByteArray comment = bytes.mid(CommentOffset, TextFieldSize);
    if (comment.at(CommentWithTrackSize) == '\0' && comment.at(CommentWithTrackSize + 1) != '\0') {
        m_track = static_cast<std::uint8_t>(comment.at(CommentWithTrackSize + 1));
        m_hasTrack = true;
        m_comment = Id3FieldText(comment.left(CommentWithTrackSize));
    } else {
        m_track = 0;
        m_hasTrack = false;
        m_comment = Id3FieldText(comment);
    }
    m_genre = static_cast<std::uint8_t>(bytes.at(GenreOffset));
    return true;
}

bool Tid3tag::seekFile(QFile& file, qint64 position)
{
    return file.seek(position);
}

qint64 Tid3tag::readFile(QFile& file, char* data, qint64 size)
{
    return file.read(data, size);
}

qint64 Tid3tag::writeFile(QFile& file, const char* data, qint64 size)
{
    return file.write(data, size);
}

std::uint16_t Tid3tag::ReadTag(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !isTagFile(info))
        return id3FileNotFound;
    m_writeProtected = isReadOnlyFile(info);

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return id3FileNotFound;
    m_fileName = fileName;

    const qint64 size = file.size();
    if (size < TagSize)
        return id3NoTag;
    if (!seekFile(file, size - TagSize))
        return id3IoError;
    QByteArray bytes(TagSize, '\0');
    if (readFile(file, bytes.data(), TagSize) != TagSize)
        return id3ReadFailed;
    if (!parseTagBytes(bytes))
        return id3NoTag;
    return m_genre >= FirstByteOutsideList && m_genre != NoGenre ? id3GenreNotInList : id3Ok;
}

std::uint16_t Tid3tag::WriteTag(const QString& fileName)
{
    const QString name = fileName == QStringLiteral("=") ? m_fileName : fileName;
    const QFileInfo info(name);
    if (name.isEmpty() || !isTagFile(info))
        return id3FileNotFound;
    if (isReadOnlyFile(info))
        return id3WriteProtected;

    QFile file(name);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return id3FileNotFound;

    const qint64 size = file.size();
    qint64 position = size;
    if (size >= TagSize) {
        if (!seekFile(file, size - TagSize))
            return id3IoError;
        QByteArray last(TagSize, '\0');
        if (readFile(file, last.data(), TagSize) != TagSize)
            return id3ReadFailed;
        if (startsWithTag(last))
            position = size - TagSize;
    }

    // The comment shares its last two bytes with the track number.
    if (m_hasTrack && m_track != 0)
        m_comment = leftCharacters(m_comment, CommentWithTrackSize);
    const QByteArray bytes = tagBytes();
    if (!seekFile(file, position))
        return id3IoError;
    if (writeFile(file, bytes.constData(), TagSize) != TagSize) {
        // Never leave half a tag hanging off the end of the audio.
        if (position == size)
            file.resize(size);
        return id3WriteFailed;
    }
    m_fileName = name;
    return id3Ok;
}

void Tid3tag::RemoveTag()
{
    const QFileInfo info(m_fileName);
    if (m_fileName.isEmpty() || !isTagFile(info) || isReadOnlyFile(info))
        return;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return;
    const qint64 size = file.size();
    if (size < TagSize || !seekFile(file, size - TagSize))
        return;
    QByteArray last(TagSize, '\0');
    if (readFile(file, last.data(), TagSize) != TagSize || !startsWithTag(last))
        return;
    file.resize(size - TagSize);
}

bool Id3v1CanHold(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}
