#include "tags/tag_writer.h"

#include "jobs/part_file.h"
#include "tags/genres.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace {

namespace T = TagLib;

T::String ts(const QString& text)
{
    return T::String(text.toUtf8().constData(), T::String::UTF8);
}

QString qs(const T::String& text)
{
    return QString::fromUtf8(text.toCString(true));
}

T::ByteVector bytesOf(const QByteArray& bytes)
{
    return T::ByteVector(bytes.constData(), unsigned(bytes.size()));
}

QByteArray bytesOf(const T::ByteVector& bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// ---------------------------------------------------------------- keys

// ID3v2 and ASF hold the track and disc totals in the number field: "3/12".
QString numberWithTotal(int number, int total)
{
    return total > 0 ? QStringLiteral("%1/%2").arg(number).arg(total) : QString::number(number);
}

// The disc id has no frame of its own in ID3v2; players and taggers look
// for a TXXX frame of this description.
const QString kId3DiscIdKey = QStringLiteral("MUSICBRAINZ DISC ID");

// Keys of the fields in a format's property map, with the values to write.
TTagPairs propertyPairs(TTagFormat format, const TTrackTags& tags)
{
    if (format != TTagFormat::Mp3 && format != TTagFormat::Wma)
        return VorbisCommentPairs(tags, format == TTagFormat::Opus);
    TTagPairs pairs;
    for (const auto& [key, value] : VorbisCommentPairs(tags, false)) {
        if (key == u"TRACKTOTAL" || key == u"DISCTOTAL")
            continue;
        if (key == u"TRACKNUMBER")
            pairs.append({key, numberWithTotal(tags.TrackNumber, tags.TrackTotal)});
        else if (key == u"DISCNUMBER")
            pairs.append({key, numberWithTotal(tags.DiscNumber, tags.DiscTotal)});
        else if (key == u"MUSICBRAINZ_DISCID" && format == TTagFormat::Mp3)
            pairs.append({kId3DiscIdKey, value});
        else
            pairs.append({key, value});
    }
    return pairs;
}

// Replaces our fields in a property map, keeping every other one.
T::PropertyMap mergedProperties(T::PropertyMap props, const TTagPairs& pairs)
{
    for (const QString& key : VorbisCommentKeys())
        props.erase(ts(key));
    props.erase(ts(kId3DiscIdKey));
    for (const auto& [key, value] : pairs)
        props.replace(ts(key), T::StringList(ts(value)));
    return props;
}

// "3/12" -> 3 and 12; "3" -> 3 and total kept.
void splitNumber(const QString& text, int* number, int* total)
{
    const QStringList parts = text.split(u'/');
    *number = parts.value(0).trimmed().toInt();
    if (parts.size() > 1)
        *total = parts.value(1).trimmed().toInt();
}

void readGain(const QString& gainText, const QString& peakText, TGainValue* gain)
{
    const auto g = ParseGainText(gainText);
    const auto p = ParseGainText(peakText);
    if (g) {
        *gain = {true, *g, p.value_or(0.0)};
    }
}

void fillFromProperties(const T::PropertyMap& props, TTrackTags* t)
{
    const auto value = [&](const QString& key) {
        const auto it = props.find(ts(key));
        return it == props.end() || it->second.isEmpty() ? QString() : qs(it->second.front());
    };
    t->Title = value(QStringLiteral("TITLE"));
    t->Artist = value(QStringLiteral("ARTIST"));
    t->AlbumArtist = value(QStringLiteral("ALBUMARTIST"));
    t->Album = value(QStringLiteral("ALBUM"));
    t->Date = value(QStringLiteral("DATE"));
    t->Genre = value(QStringLiteral("GENRE"));
    t->Comment = value(QStringLiteral("COMMENT"));
    splitNumber(value(QStringLiteral("TRACKNUMBER")), &t->TrackNumber, &t->TrackTotal);
    splitNumber(value(QStringLiteral("DISCNUMBER")), &t->DiscNumber, &t->DiscTotal);
    if (const QString total = value(QStringLiteral("TRACKTOTAL")); !total.isEmpty())
        t->TrackTotal = total.toInt();
    if (const QString total = value(QStringLiteral("DISCTOTAL")); !total.isEmpty())
        t->DiscTotal = total.toInt();
    t->Isrc = value(QStringLiteral("ISRC"));
    t->MusicBrainzAlbumId = value(QStringLiteral("MUSICBRAINZ_ALBUMID"));
    t->MusicBrainzReleaseTrackId = value(QStringLiteral("MUSICBRAINZ_RELEASETRACKID"));
    t->MusicBrainzTrackId = value(QStringLiteral("MUSICBRAINZ_TRACKID"));
    t->MusicBrainzAlbumArtistId = value(QStringLiteral("MUSICBRAINZ_ALBUMARTISTID"));
    t->MusicBrainzReleaseGroupId = value(QStringLiteral("MUSICBRAINZ_RELEASEGROUPID"));
    t->MusicBrainzDiscId = value(QStringLiteral("MUSICBRAINZ_DISCID"));
    if (t->MusicBrainzDiscId.isEmpty())
        t->MusicBrainzDiscId = value(kId3DiscIdKey);
    readGain(value(QStringLiteral("REPLAYGAIN_TRACK_GAIN")),
             value(QStringLiteral("REPLAYGAIN_TRACK_PEAK")), &t->TrackGain);
    readGain(value(QStringLiteral("REPLAYGAIN_ALBUM_GAIN")),
             value(QStringLiteral("REPLAYGAIN_ALBUM_PEAK")), &t->AlbumGain);
    // An Opus file has only R128 gains (Q7.8 dB towards -23 LUFS).
    const auto r128 = [&](const char* key, TGainValue* gain) {
        bool ok = false;
        const int q78 = value(QLatin1String(key)).toInt(&ok);
        if (ok && !gain->Valid)
            *gain = {true, q78 / 256.0 + 5.0, 0.0};
    };
    r128("R128_TRACK_GAIN", &t->TrackGain);
    r128("R128_ALBUM_GAIN", &t->AlbumGain);
}

// ---------------------------------------------------------------- MP3

bool isFrontCover(const T::ID3v2::Frame* frame)
{
    const auto* picture = dynamic_cast<const T::ID3v2::AttachedPictureFrame*>(frame);
    return picture && picture->type() == T::ID3v2::AttachedPictureFrame::FrontCover;
}

void writeId3v2(T::ID3v2::Tag* tag, const TTrackTags& tags)
{
    tag->setProperties(mergedProperties(tag->properties(), propertyPairs(TTagFormat::Mp3, tags)));
    const T::ID3v2::FrameList pictures = tag->frameList("APIC");
    for (T::ID3v2::Frame* frame : pictures) {
        if (isFrontCover(frame))
            tag->removeFrame(frame);
    }
    if (!tags.Cover.isEmpty()) {
        auto* frame = new T::ID3v2::AttachedPictureFrame;
        frame->setType(T::ID3v2::AttachedPictureFrame::FrontCover);
        frame->setMimeType(ts(tags.CoverMime));
        frame->setPicture(bytesOf(tags.Cover));
        tag->addFrame(frame);
    }
}

bool writeMp3(T::IOStream* stream, const TTrackTags& tags, const QString& path, QString* error)
{
    T::MPEG::File file(stream, T::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) {
        *error = QStringLiteral("%1 is not an MP3 file.").arg(shown(path));
        return false;
    }
    writeId3v2(file.ID3v2Tag(true), tags);
    return file.save(T::MPEG::File::ID3v2, T::File::StripNone, T::ID3v2::v4,
                     T::File::DoNotDuplicate);
}

void readMp3(T::MPEG::File& file, TTrackTags* t)
{
    if (!file.hasID3v2Tag())
        return;
    T::ID3v2::Tag* tag = file.ID3v2Tag();
    fillFromProperties(tag->properties(), t);
    const T::ID3v2::FrameList pictures = tag->frameList("APIC");
    for (T::ID3v2::Frame* frame : pictures) {
        auto* picture = static_cast<T::ID3v2::AttachedPictureFrame*>(frame);
        if (isFrontCover(frame) || t->Cover.isEmpty()) {
            t->Cover = bytesOf(picture->picture());
            t->CoverMime = qs(picture->mimeType());
        }
    }
}

// ---------------------------------------------------------------- Vorbis comments

T::FLAC::Picture* newFlacPicture(const TTrackTags& tags)
{
    auto* picture = new T::FLAC::Picture;
    picture->setType(T::FLAC::Picture::FrontCover);
    picture->setMimeType(ts(tags.CoverMime));
    picture->setData(bytesOf(tags.Cover));
    return picture;
}

// The front covers among pictures. TagLib's picture lists own their
// pictures and share that with every copy: no copy may outlive a removal, or
// it deletes the removed pictures a second time.
std::vector<T::FLAC::Picture*> frontCovers(const T::List<T::FLAC::Picture*>& pictures)
{
    std::vector<T::FLAC::Picture*> fronts;
    for (T::FLAC::Picture* picture : pictures) {
        if (picture->type() == T::FLAC::Picture::FrontCover)
            fronts.push_back(picture);
    }
    return fronts;
}

// Our fields in a comment block: old values of our keys go, the rest stays.
void writeXiphFields(T::Ogg::XiphComment* comment, const TTagPairs& pairs)
{
    for (const QString& key : VorbisCommentKeys())
        comment->removeFields(ts(key));
    for (const auto& [key, value] : pairs)
        comment->addField(ts(key), ts(value), false);
}

void readCover(const T::List<T::FLAC::Picture*>& pictures, TTrackTags* t)
{
    for (const T::FLAC::Picture* picture : pictures) {
        if (picture->type() == T::FLAC::Picture::FrontCover || t->Cover.isEmpty()) {
            t->Cover = bytesOf(picture->data());
            t->CoverMime = qs(picture->mimeType());
        }
    }
}

template <typename OggFile>
bool writeOgg(T::IOStream* stream, TTagFormat format, const TTrackTags& tags, const QString& path,
              QString* error)
{
    OggFile file(stream, false);
    T::Ogg::XiphComment* comment = file.isValid() ? file.tag() : nullptr;
    if (!comment) {
        *error = QStringLiteral("%1 is not an Ogg file that can be tagged.").arg(shown(path));
        return false;
    }
    writeXiphFields(comment, propertyPairs(format, tags));
    for (T::FLAC::Picture* picture : frontCovers(comment->pictureList()))
        comment->removePicture(picture);
    if (!tags.Cover.isEmpty())
        comment->addPicture(newFlacPicture(tags));
    return file.save();
}

bool writeFlac(T::IOStream* stream, const TTrackTags& tags, const QString& path, QString* error)
{
    T::FLAC::File file(stream, T::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) {
        *error = QStringLiteral("%1 is not a FLAC file.").arg(shown(path));
        return false;
    }
    writeXiphFields(file.xiphComment(true), propertyPairs(TTagFormat::Flac, tags));
    for (T::FLAC::Picture* picture : frontCovers(file.pictureList()))
        file.removePicture(picture);
    if (!tags.Cover.isEmpty())
        file.addPicture(newFlacPicture(tags));
    return file.save();
}

// ---------------------------------------------------------------- WMA

const char* const kAsfPicture = "WM/Picture";
const char* const kAsfTrackNumber = "WM/TrackNumber";
const char* const kAsfDiscId = "MusicBrainz/Disc Id";
// ReplayGain keys ASF has no property for: attributes of the same name.
const char* const kAsfGainKeys[] = {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK",
                                    "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK"};

bool writeWma(T::IOStream* stream, const TTrackTags& tags, const QString& path, QString* error)
{
    T::ASF::File file(stream, false);
    T::ASF::Tag* tag = file.isValid() ? file.tag() : nullptr;
    if (!tag) {
        *error = QStringLiteral("%1 is not a WMA file.").arg(shown(path));
        return false;
    }
    TTagPairs properties;
    TTagPairs attributes;
    for (const auto& pair : propertyPairs(TTagFormat::Wma, tags)) {
        if (pair.first.startsWith(u"REPLAYGAIN_"))
            attributes.append(pair);
        else if (pair.first == u"MUSICBRAINZ_DISCID")
            attributes.append({QLatin1String(kAsfDiscId), pair.second});
        else
            properties.append(pair);
    }
    tag->setProperties(mergedProperties(tag->properties(), properties));
    for (const char* key : kAsfGainKeys)
        tag->removeItem(key);
    tag->removeItem(kAsfDiscId);
    for (const auto& [key, value] : attributes)
        tag->setAttribute(ts(key), T::ASF::Attribute(ts(value)));
    // Players read the track number as a number.
    tag->removeItem(kAsfTrackNumber);
    if (tags.TrackNumber > 0)
        tag->setAttribute(kAsfTrackNumber, T::ASF::Attribute(unsigned(tags.TrackNumber)));

    T::ASF::AttributeList kept;
    for (const T::ASF::Attribute& a : tag->attribute(kAsfPicture)) {
        if (a.toPicture().type() != T::ASF::Picture::FrontCover)
            kept.append(a);
    }
    if (!tags.Cover.isEmpty()) {
        T::ASF::Picture picture;
        picture.setType(T::ASF::Picture::FrontCover);
        picture.setMimeType(ts(tags.CoverMime));
        picture.setPicture(bytesOf(tags.Cover));
        kept.append(T::ASF::Attribute(picture));
    }
    tag->removeItem(kAsfPicture);
    if (!kept.isEmpty())
        tag->setAttribute(kAsfPicture, kept);
    return file.save();
}

void readWma(T::ASF::Tag* tag, TTrackTags* t)
{
    fillFromProperties(tag->properties(), t);
    const auto attribute = [&](const char* key) {
        const T::ASF::AttributeList list = tag->attribute(key);
        return list.isEmpty() ? QString() : qs(list.front().toString());
    };
    const T::ASF::AttributeList track = tag->attribute(kAsfTrackNumber);
    if (!track.isEmpty() && track.front().type() == T::ASF::Attribute::DWordType)
        t->TrackNumber = int(track.front().toUInt());
    t->MusicBrainzDiscId = attribute(kAsfDiscId);
    readGain(attribute("REPLAYGAIN_TRACK_GAIN"), attribute("REPLAYGAIN_TRACK_PEAK"), &t->TrackGain);
    readGain(attribute("REPLAYGAIN_ALBUM_GAIN"), attribute("REPLAYGAIN_ALBUM_PEAK"), &t->AlbumGain);
    for (const T::ASF::Attribute& a : tag->attribute(kAsfPicture)) {
        const T::ASF::Picture picture = a.toPicture();
        if (picture.type() == T::ASF::Picture::FrontCover || t->Cover.isEmpty()) {
            t->Cover = bytesOf(picture.picture());
            t->CoverMime = qs(picture.mimeType());
        }
    }
}

// ---------------------------------------------------------------- in memory

// TagLib does not report a failed write (a full disk): the file would be
// cut and the tags reported saved. So TagLib changes the bytes in memory
// only, and we write them out, checking every step.
bool loadBytes(const QString& path, T::ByteVector* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(shown(path), file.errorString());
        return false;
    }
    const qint64 size = file.size();
    bytes->resize(unsigned(size));
    if (size > 0xFFFFFFF0LL || file.read(bytes->data(), size) != size) {
        *error = QStringLiteral("Cannot read %1: %2").arg(shown(path), file.errorString());
        return false;
    }
    return true;
}

// Writes bytes as the whole content of target; the messages name path.
bool saveBytes(const QString& target, const T::ByteVector& bytes, const QString& path,
               QString* error)
{
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) || !file.flush()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(shown(path), file.errorString());
        return false;
    }
    file.close();
    return true;
}

bool tagStream(T::IOStream* stream, TTagFormat format, const TTrackTags& tags, const QString& path,
               QString* error)
{
    bool saved = false;
    switch (format) {
    case TTagFormat::Mp3:
        saved = writeMp3(stream, tags, path, error);
        break;
    case TTagFormat::OggVorbis:
        saved = writeOgg<T::Ogg::Vorbis::File>(stream, format, tags, path, error);
        break;
    case TTagFormat::Opus:
        saved = writeOgg<T::Ogg::Opus::File>(stream, format, tags, path, error);
        break;
    case TTagFormat::Flac:
        saved = writeFlac(stream, tags, path, error);
        break;
    case TTagFormat::Wma:
        saved = writeWma(stream, tags, path, error);
        break;
    }
    if (!saved && error->isEmpty())
        *error = QStringLiteral("Cannot write the tags of %1.").arg(shown(path));
    return saved;
}

// The tagged content of source, written to target (the same file, or a
// temporary one), with the ID3v1 tag after it when asked. The same file is
// tagged where it lies: TagLib then rewrites only the tags when they fit
// into the room left for them, not the whole file.
bool writeTagged(const QString& source, const QString& target, TTagFormat format,
                 const TTrackTags& tags, const TTagWriteOptions& options, QString* error)
{
    error->clear();
    if (source == target) {
        const QByteArray name = QFile::encodeName(source);
        T::FileStream stream(name.constData());
        if (!stream.isOpen() || stream.readOnly()) {
            *error = QStringLiteral("Cannot write %1.").arg(shown(source));
            return false;
        }
        if (!tagStream(&stream, format, tags, source, error))
            return false;
    } else {
        T::ByteVector bytes;
        if (!loadBytes(source, &bytes, error))
            return false;
        T::ByteVectorStream stream(bytes);
        if (!tagStream(&stream, format, tags, source, error) ||
            !saveBytes(target, *stream.data(), source, error))
            return false;
    }
    if (format == TTagFormat::Mp3 && options.Id3v1) {
        Tid3tag v1 = *options.Id3v1;
        if (v1.WriteTag(target) >= 0x100) {
            *error = QStringLiteral("Cannot write the ID3v1 tag of %1.").arg(shown(source));
            return false;
        }
    }
    return true;
}

// Reserves the temporary file for a new version of an existing file, with
// the file's permissions: the way to change a file safely. A symbolic link
// stays a link (the file it points to is replaced). Refuses a
// write-protected file.
bool createReplacing(TPartFile* part, const QString& file, QString* error)
{
    const QFileInfo info(file);
    if (!info.isFile()) {
        *error = QStringLiteral("Cannot read %1: %2").arg(shown(file), SystemErrorText(ENOENT));
        return false;
    }
    // No write bit at all means "keep this file" also for root, whom the
    // access check always lets through.
    constexpr QFile::Permissions anyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!info.isWritable() || !(info.permissions() & anyWrite)) {
        *error = QStringLiteral("Cannot change %1: %2").arg(shown(file), SystemErrorText(EACCES));
        return false;
    }
    *part = TPartFile(info.isSymLink() ? info.canonicalFilePath() : file);
    if (!part->create()) {
        *error = part->errorText();
        return false;
    }
    QFile::setPermissions(part->path(), info.permissions());
    return true;
}

bool commitReplacing(TPartFile* part, QString* error)
{
    if (part->commit(true))
        return true;
    *error = part->errorText();
    return false;
}

} // namespace

Tid3tag Id3v1TagFor(const TTrackTags& tags)
{
    // A text in another script would be question marks there; the ID3v2
    // tag holds it, the ID3v1 field stays empty.
    const auto latin1 = [](const QString& text) { return Id3v1CanHold(text) ? text : QString(); };
    Tid3tag tag;
    tag.SetTitle(latin1(tags.Title));
    tag.SetArtist(latin1(tags.Artist));
    tag.SetAlbum(latin1(tags.Album));
    tag.SetYear(latin1(tags.Date.left(Tid3tag::YearFieldSize)));
    tag.SetComment(latin1(tags.Comment));
    tag.SetTrack(tags.TrackNumber);
    const qsizetype genre = GenreNames().indexOf(tags.Genre);
    tag.SetGenre(GenreNumberToByte(genre < 0 ? 0 : int(genre) + 1));
    return tag;
}

bool WriteTrackTags(const QString& path, TTagFormat format, const TTrackTags& tags,
                    const TTagWriteOptions& options, QString* error)
{
    return writeTagged(path, path, format, tags, options, error);
}

bool RetagFile(const QString& path, TTagFormat format, const TTrackTags& tags,
               const TTagWriteOptions& options, QString* error)
{
    TPartFile part;
    return createReplacing(&part, path, error) &&
           writeTagged(path, part.path(), format, tags, options, error) &&
           commitReplacing(&part, error);
}

bool ReadTrackTags(const QString& path, TTagFormat format, TTrackTags* tags, QString* error)
{
    *tags = TTrackTags{};
    const QByteArray name = QFile::encodeName(path);
    const QString unreadable = QStringLiteral("Cannot read the tags of %1.").arg(shown(path));
    switch (format) {
    case TTagFormat::Mp3: {
        T::MPEG::File file(name.constData(), false);
        if (!file.isValid())
            break;
        readMp3(file, tags);
        return true;
    }
    case TTagFormat::OggVorbis:
    case TTagFormat::Opus: {
        std::unique_ptr<T::Ogg::File> file;
        T::Ogg::XiphComment* comment = nullptr;
        if (format == TTagFormat::Opus) {
            auto* opus = new T::Ogg::Opus::File(name.constData(), false);
            file.reset(opus);
            comment = opus->isValid() ? opus->tag() : nullptr;
        } else {
            auto* vorbis = new T::Ogg::Vorbis::File(name.constData(), false);
            file.reset(vorbis);
            comment = vorbis->isValid() ? vorbis->tag() : nullptr;
        }
        if (!comment)
            break;
        fillFromProperties(comment->properties(), tags);
        readCover(comment->pictureList(), tags);
        return true;
    }
    case TTagFormat::Flac: {
        T::FLAC::File file(name.constData(), false);
        if (!file.isValid())
            break;
        if (file.hasXiphComment())
            fillFromProperties(file.xiphComment()->properties(), tags);
        readCover(file.pictureList(), tags);
        return true;
    }
    case TTagFormat::Wma: {
        T::ASF::File file(name.constData(), false);
        if (!file.isValid() || !file.tag())
            break;
        readWma(file.tag(), tags);
        return true;
    }
    }
    *error = unreadable;
    return false;
}

bool RemoveMp3Tags(const QString& path, QString* error)
{
    TPartFile part;
    if (!createReplacing(&part, path, error))
        return false;
    T::ByteVector bytes;
    if (!loadBytes(path, &bytes, error))
        return false;
    T::ByteVectorStream stream(bytes);
    {
        T::MPEG::File file(&stream, T::ID3v2::FrameFactory::instance(), false);
        if (!file.isValid() || !file.strip(T::MPEG::File::AllTags)) {
            *error = QStringLiteral("%1 is not an MP3 file.").arg(shown(path));
            return false;
        }
    }
    return saveBytes(part.path(), *stream.data(), path, error) && commitReplacing(&part, error);
}

bool IsMp3File(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    T::MPEG::File file(QFile::encodeName(path).constData(), true, T::AudioProperties::Fast);
    return file.isValid() && file.audioProperties() &&
           file.audioProperties()->lengthInMilliseconds() > 0;
}
