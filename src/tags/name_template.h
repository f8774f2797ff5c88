#pragma once
// File names from a template: "%artist%/%album%/%track% %title%" puts each
// track in an Artist/Album folder. Fields: %artist% %albumartist% %album%
// %year% %genre% %track% (two digits) %disc% %title%. A "/" makes a folder;
// each name is made safe for every file system (SafeNamePart), so a title
// such as "AC/DC" or "../x" never makes a folder or leaves the output
// folder. Empty folder names are left out; an empty file name becomes the
// track's default title ("Track03").

#include "tags/track_tags.h"

#include <QString>
#include <QStringList>

// Today's names: the title alone.
QString DefaultNameTemplate();

// The path of the track's file relative to the output folder, with "/"
// between folders and extension (".flac") appended. hidden: the audio before
// track 1, whose tags carry no number but whose %track% is "00".
QString ExpandNameTemplate(const QString& nameTemplate, const TTrackTags& tags,
                           const QString& extension, bool hidden = false);

// The %...% names in the template that are no field ("%titel%"), in order.
QStringList UnknownTemplateFields(const QString& nameTemplate);
