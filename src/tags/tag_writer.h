#pragma once
// Tags in the files music players read, through TagLib: MP3 gets ID3v2.4
// (UTF-8) and, when asked, an ID3v1 tag beside it; Ogg Vorbis and Opus get
// Vorbis comments; FLAC its own comments and PICTURE block; WMA the ASF
// attributes. The front cover goes in each format's own way.
//
// The fields of the record replace the file's; a field the record leaves
// empty is removed; tags of the file the record knows nothing about stay.
//
// TagLib rewrites a file in place, and a failure in the middle (a full disk)
// leaves it cut. So WriteTrackTags is only for a file nobody sees yet (an
// encoder's temporary file before its rename); an existing file is changed
// with RetagFile, which tags a copy and renames it over the original.
//
// Threads: any; one file is never tagged by two threads at once.

#include "tags/id3_tag.h"
#include "tags/track_tags.h"

#include <QString>

#include <optional>

struct TTagWriteOptions {
    // MP3: this ID3v1 tag is written beside the ID3v2 one (replacing an old
    // ID3v1 tag). Without it an ID3v1 tag of the file stays as it is.
    std::optional<Tid3tag> Id3v1;
};

// The ID3v1 tag for tags: texts cut to 30 Latin-1 characters (a text with
// other characters is left out rather than written as question marks), the
// genre by its name in the program's list, the track number.
Tid3tag Id3v1TagFor(const TTrackTags& tags);

// Writes the tags into a file in place (see above). False with the reason.
bool WriteTrackTags(const QString& path, TTagFormat format, const TTrackTags& tags,
                    const TTagWriteOptions& options, QString* error);

// Writes the tags into an existing file safely: a copy beside it is tagged
// and takes its name. On failure the file is as it was.
bool RetagFile(const QString& path, TTagFormat format, const TTrackTags& tags,
               const TTagWriteOptions& options, QString* error);

// Reads the fields of a file of the format. False with the reason when the
// file cannot be read as that format; a file without tags gives empty fields.
bool ReadTrackTags(const QString& path, TTagFormat format, TTrackTags* tags, QString* error);

// Removes the ID3v1, ID3v2 and APE tags of an MP3 file safely (as RetagFile).
bool RemoveMp3Tags(const QString& path, QString* error);

// True when path is an MPEG audio file TagLib can read and write.
bool IsMp3File(const QString& path);
