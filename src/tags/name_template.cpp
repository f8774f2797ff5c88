#include "tags/name_template.h"

#include "jobs/safe_file_name.h"

namespace {

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The value of a field; false when name is no field. hidden: the audio
// before track 1, numbered 00.
bool fieldValue(const QString& name, const TTrackTags& t, bool hidden, QString* value)
{
    const QString n = name.toLower();
    if (n == u"artist")
        *value = t.Artist;
    else if (n == u"albumartist")
        *value = t.AlbumArtist.isEmpty() ? t.Artist : t.AlbumArtist;
    else if (n == u"album")
        *value = t.Album;
    else if (n == u"year")
        *value = t.Date.left(4);
    else if (n == u"genre")
        *value = t.Genre;
    else if (n == u"track")
        *value = hidden ? twoDigits(0) : t.TrackNumber > 0 ? twoDigits(t.TrackNumber) : QString();
    else if (n == u"disc")
        *value = t.DiscNumber > 0 ? QString::number(t.DiscNumber) : QString();
    else if (n == u"title")
        *value = t.Title;
    else
        return false;
    return true;
}

// Walks the template: literal text and %field% tokens (letters only, so
// "100%" stays text).
template <typename OnText, typename OnField>
void walkTemplate(const QString& text, OnText onText, OnField onField)
{
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) == u'%') {
            qsizetype end = i + 1;
            while (end < text.size() && text.at(end).isLetter())
                ++end;
            if (end > i + 1 && end < text.size() && text.at(end) == u'%') {
                onField(text.mid(i + 1, end - i - 1), text.mid(i, end - i + 1));
                i = end + 1;
                continue;
            }
        }
        onText(text.at(i));
        ++i;
    }
}

} // namespace

QString DefaultNameTemplate()
{
    return QStringLiteral("%title%");
}

QString ExpandNameTemplate(const QString& nameTemplate, const TTrackTags& tags,
                           const QString& extension, bool hidden)
{
    // Only the template's own slashes make folders: a value's slash is
    // replaced like any other unsafe character of the name it ends up in.
    const auto expand = [&tags, hidden](const QString& part) {
        QString expanded;
        walkTemplate(
            part, [&](QChar c) { expanded += c; },
            [&](const QString& name, const QString& token) {
                QString value;
                expanded += fieldValue(name, tags, hidden, &value) ? value : token;
            });
        return expanded;
    };
    QStringList parts = nameTemplate.split(u'/');
    const QString fileStem = expand(parts.takeLast());
    QStringList path;
    for (const QString& folder : parts) {
        const QString name = SafeNamePart(expand(folder));
        if (!name.isEmpty())
            path << name;
    }
    const int stemBytes = kMaxFileNameBytes - int(extension.toUtf8().size());
    path << SafeFileStem(fileStem, tags.TrackNumber, stemBytes) + extension;
    return path.join(u'/');
}

QStringList UnknownTemplateFields(const QString& nameTemplate)
{
    QStringList unknown;
    walkTemplate(
        nameTemplate, [](QChar) {},
        [&](const QString& name, const QString& token) {
            QString value;
            if (!fieldValue(name, TTrackTags{}, false, &value))
                unknown << token;
        });
    return unknown;
}
