#include "musicbrainz_answer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>

namespace {

constexpr int kMaxTextLength = 1000; // longer texts are cut: no title is that long
constexpr int kMaxReleases = 100;

// A text of the answer: control characters become spaces, the ends are
// trimmed, the length is bounded.
QString text(const QJsonValue& value)
{
    if (!value.isString())
        return {};
    QString s = value.toString().left(kMaxTextLength);
    for (QChar& c : s) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return s.trimmed();
}

// A MusicBrainz identifier (a UUID); anything else is dropped, as ids go
// into tags and addresses.
QString mbid(const QJsonValue& value)
{
    const QString s = value.toString();
    if (s.size() != 36)
        return {};
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != QLatin1Char('-') : !isxdigit(c.unicode() < 128 ? c.toLatin1() : 'x'))
            return {};
    }
    return s.toLower();
}

int number(const QJsonValue& value)
{
    const double d = value.toDouble(-1);
    return d >= 0 && d < 10000 ? int(d) : 0;
}

bool listsDisc(const QJsonObject& medium, const QString& discId)
{
    const QJsonArray discs = medium.value(QLatin1String("discs")).toArray();
    return std::any_of(discs.begin(), discs.end(), [&](const QJsonValue& d) {
        return d.toObject().value(QLatin1String("id")).toString() == discId;
    });
}

TCandidateTrack trackOf(const QJsonObject& track)
{
    TCandidateTrack t;
    const QJsonObject recording = track.value(QLatin1String("recording")).toObject();
    t.Title = text(track.value(QLatin1String("title")));
    if (t.Title.isEmpty())
        t.Title = text(recording.value(QLatin1String("title")));
    t.Artist = JoinArtistCredit(track.value(QLatin1String("artist-credit")).toArray());
    if (t.Artist.isEmpty())
        t.Artist = JoinArtistCredit(recording.value(QLatin1String("artist-credit")).toArray());
    t.RecordingId = mbid(recording.value(QLatin1String("id")));
    t.ReleaseTrackId = mbid(track.value(QLatin1String("id")));
    const QJsonArray isrcs = recording.value(QLatin1String("isrcs")).toArray();
    if (!isrcs.isEmpty()) {
        const QString isrc = text(isrcs.first()).toUpper();
        if (isrc.size() == 12)
            t.Isrc = isrc;
    }
    return t;
}

} // namespace

QString JoinArtistCredit(const QJsonArray& credit)
{
    QString joined;
    for (const QJsonValue& part : credit) {
        const QJsonObject o = part.toObject();
        QString name = o.value(QLatin1String("name")).toString();
        if (name.isEmpty())
            name =
                o.value(QLatin1String("artist")).toObject().value(QLatin1String("name")).toString();
        // Join phrases carry their own spaces (" & ", " feat. "): kept as sent.
        joined += name + o.value(QLatin1String("joinphrase")).toString();
    }
    return text(QJsonValue(joined));
}

TMusicBrainzAnswer ParseMusicBrainzDiscAnswer(const QByteArray& body, const QString& discId,
                                              int trackCount)
{
    TMusicBrainzAnswer answer;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    const QJsonValue releases = doc.object().value(QLatin1String("releases"));
    if (error.error != QJsonParseError::NoError || !doc.isObject() || !releases.isArray()) {
        answer.Error = QStringLiteral("The answer of MusicBrainz cannot be read");
        return answer;
    }
    answer.Ok = true;
    for (const QJsonValue& value : releases.toArray()) {
        if (answer.Candidates.size() >= size_t(kMaxReleases))
            break;
        const QJsonObject release = value.toObject();
        const QJsonArray media = release.value(QLatin1String("media")).toArray();
        QJsonObject medium;
        bool matches = false;
        for (const QJsonValue& m : media) {
            if (listsDisc(m.toObject(), discId)) {
                medium = m.toObject();
                matches = true;
                break;
            }
        }
        if (!matches) {
            for (const QJsonValue& m : media) {
                const QJsonObject o = m.toObject();
                if (o.value(QLatin1String("tracks")).toArray().size() == trackCount) {
                    medium = o;
                    break;
                }
            }
        }
        if (medium.isEmpty())
            continue;

        TDiscCandidate c;
        c.Source = TMetadataSource::MusicBrainz;
        const QJsonArray credit = release.value(QLatin1String("artist-credit")).toArray();
        c.Artist = JoinArtistCredit(credit);
        if (!credit.isEmpty())
            c.AlbumArtistId = mbid(credit.first()
                                       .toObject()
                                       .value(QLatin1String("artist"))
                                       .toObject()
                                       .value(QLatin1String("id")));
        c.Album = text(release.value(QLatin1String("title")));
        c.Date = text(release.value(QLatin1String("date")));
        c.Country = text(release.value(QLatin1String("country")));
        c.Barcode = text(release.value(QLatin1String("barcode")));
        const QJsonArray labels = release.value(QLatin1String("label-info")).toArray();
        if (!labels.isEmpty())
            c.Label = text(labels.first()
                               .toObject()
                               .value(QLatin1String("label"))
                               .toObject()
                               .value(QLatin1String("name")));
        c.Format = text(medium.value(QLatin1String("format")));
        c.ReleaseId = mbid(release.value(QLatin1String("id")));
        c.ReleaseGroupId = mbid(
            release.value(QLatin1String("release-group")).toObject().value(QLatin1String("id")));
        c.DiscId = discId;
        c.DiscNumber = number(medium.value(QLatin1String("position")));
        c.DiscTotal = int(media.size());
        c.MediumMatches = matches;
        c.HasFrontCover = release.value(QLatin1String("cover-art-archive"))
                              .toObject()
                              .value(QLatin1String("front"))
                              .toBool();
        const QJsonArray tracks = medium.value(QLatin1String("tracks")).toArray();
        for (const QJsonValue& t : tracks) {
            if (int(c.Tracks.size()) >= trackCount)
                break;
            c.Tracks.push_back(trackOf(t.toObject()));
        }
        answer.Candidates.push_back(std::move(c));
    }
    return answer;
}
