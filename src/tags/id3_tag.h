#pragma once
// The 128-byte ID3v1 tag at the end of an MP3 file: version 1.0, and 1.1 with
// a track number in the last two bytes of the comment.
//
// Texts are QStrings in the program and Latin-1 in the file: a character
// outside Latin-1 is written as '?', one byte per character, so a field is
// never cut inside a character. Reading decodes Latin-1 and drops trailing
// zero, space and 0xFF bytes.
//
// One object per use; each operation opens the file and closes it again before
// it returns. Threads: one thread per object.

#include <QByteArray>
#include <QString>

#include <cstdint>

class QFile;

// Result codes of ReadTag and WriteTag; a value below 256 means success.
enum TId3Result : std::uint16_t {
    id3Ok = 0x0000,
    id3GenreNotInList = 0x0080, // added to a successful read: genre byte 148..254
    id3FileNotFound = 0x0100,   // missing, not a regular file, or cannot be opened
    id3WriteProtected = 0x0200, // write only: the file is read-only for us
    id3ReadFailed = 0x0300,
    id3WriteFailed = 0x0400, // write only
    id3IoError = 0x0500,     // another failure of the file system (seek, size)
    id3NoTag = 0x1000,       // read only: shorter than 128 bytes or no "TAG"
};

class Tid3tag {
public:
    static constexpr int TagSize = 128;
    static constexpr int TextFieldSize = 30;
    static constexpr int YearFieldSize = 4;
    static constexpr int CommentWithTrackSize = 28;
    static constexpr std::uint8_t NoGenre = 255;

    Tid3tag() = default;
    virtual ~Tid3tag() = default;

    // Reads the tag of the file into the object.
    std::uint16_t ReadTag(const QString& fileName);
    // Writes the object as the file's tag, replacing an existing one or
    // appending a new one. "=" means the file of the last read or successful
    // write. A failed append leaves the file as it was.
    std::uint16_t WriteTag(const QString& fileName);
    // Cuts the tag off the held file when it has one and may be written;
    // reports nothing.
    void RemoveTag();

    // Store the first 30 (year: 4) characters of the text.
    void SetTitle(const QString& text);
    void SetArtist(const QString& text);
    void SetAlbum(const QString& text);
    void SetComment(const QString& text);
    void SetYear(const QString& text);
    // Stores the track number (clamped to 0..255); has-track is then number != 0.
    void SetTrack(int number);
    void SetGenre(std::uint8_t byte) { m_genre = byte; }

    QString title() const { return m_title; }
    QString artist() const { return m_artist; }
    QString album() const { return m_album; }
    QString comment() const { return m_comment; }
    QString year() const { return m_year; }
    std::uint8_t genre() const { return m_genre; }
    std::uint8_t track() const { return m_track; }
    bool hasTrack() const { return m_hasTrack; }
    // The file of the last read, or of the last successful write.
    QString fileName() const { return m_fileName; }
    // Set by a read: the file is read-only for us.
    bool isWriteProtected() const { return m_writeProtected; }

    // The 128 tag bytes the object would write.
    QByteArray tagBytes() const;
    // Fills the object from 128 tag bytes; false (object unchanged) without "TAG".
    bool parseTagBytes(const QByteArray& bytes);

protected:
    // The file operations, one place each, so that a test can make one fail.
    virtual bool seekFile(QFile& file, qint64 position);
    virtual qint64 readFile(QFile& file, char* data, qint64 size);
    virtual qint64 writeFile(QFile& file, const char* data, qint64 size);

private:
    QString m_title;
    QString m_artist;
    QString m_album;
    QString m_comment;
    QString m_year;
    std::uint8_t m_genre = NoGenre;
    std::uint8_t m_track = 0;
    bool m_hasTrack = false;
    QString m_fileName;
    bool m_writeProtected = false;
};

// Latin-1 bytes of text, '?' for each character outside Latin-1, cut to at
// most size characters and filled with zero bytes to size.
QByteArray Id3FieldBytes(const QString& text, int size);
// True when every character of text has a Latin-1 byte, so that an ID3v1
// field can hold it without question marks (cut to the field's size).
bool Id3v1CanHold(const QString& text);
// The text of a field: trailing bytes 0, 32 and 255 dropped, Latin-1 decoded.
QString Id3FieldText(const QByteArray& bytes);
