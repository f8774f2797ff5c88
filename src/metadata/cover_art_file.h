#pragma once
// Saving a release's front cover beside the tracks.

#include <QByteArray>
#include <QString>

enum class TCoverSave {
    Saved,
    Kept, // a picture of that name was there already and stays untouched
    Failed,
};

// Writes bytes (JPEG, or PNG) as cover.jpg (cover.png) into folder, through
// a temporary file renamed when complete. A file of that name that exists is
// never replaced. path receives the file's path; problem the reason of a
// failure.
TCoverSave SaveFrontCover(const QString& folder, const QByteArray& bytes, QString* path,
                          QString* problem);
