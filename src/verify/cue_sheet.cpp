#include "verify/cue_sheet.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Cue sheets have no escapes: a double quote or a line break would end the
// value early, so they become a single quote and a blank.
QString quoted(QString text)
{
    text.replace(QLatin1Char('"'), QLatin1Char('\''));
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return QLatin1Char('"') + text.simplified() + QLatin1Char('"');
}

QString fileType(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0
               ? QStringLiteral("MP3")
               : QStringLiteral("WAVE");
}

QString fileLine(const QString& fileName)
{
    return QStringLiteral("FILE %1 %2\n").arg(quoted(fileName), fileType(fileName));
}

} // namespace

bool CueSheetNamesFile(const QString& fileName)
{
    for (const QChar c : fileName) {
        if (c == QLatin1Char('"') || c.category() == QChar::Other_Control)
            return false;
    }
    // Names are written simplified: runs of spaces would name another file.
    return !fileName.isEmpty() && fileName == fileName.simplified();
}

QString CueSheetText(const TCueSheet& sheet)
{
    QString text;
    if (!sheet.Genre.isEmpty())
        text += QStringLiteral("REM GENRE %1\n").arg(quoted(sheet.Genre));
    if (!sheet.Date.isEmpty())
        text += QStringLiteral("REM DATE %1\n").arg(quoted(sheet.Date));
    if (!sheet.DiscId.isEmpty())
        text += QStringLiteral("REM DISCID %1\n").arg(quoted(sheet.DiscId));
    if (!sheet.Comment.isEmpty())
        text += QStringLiteral("REM COMMENT %1\n").arg(quoted(sheet.Comment));
    if (!sheet.Performer.isEmpty())
        text += QStringLiteral("PERFORMER %1\n").arg(quoted(sheet.Performer));
    if (!sheet.Title.isEmpty())
        text += QStringLiteral("TITLE %1\n").arg(quoted(sheet.Title));
    bool hiddenOpen = false; // the hidden track's file holds track 1's INDEX 00
    for (std::size_t k = 0; k < sheet.Tracks.size(); ++k) {
        const TCueSheetTrack& t = sheet.Tracks[k];
        if (t.Number == 0) {
            // Without track 1 beside it, the audio has no track to belong to.
            if (k + 1 == sheet.Tracks.size() || sheet.Tracks[k + 1].Number != 1)
                continue;
            text += fileLine(t.FileName);
            hiddenOpen = true;
            continue;
        }
        if (!hiddenOpen)
            text += fileLine(t.FileName);
        text += QStringLiteral("  TRACK %1 AUDIO\n").arg(t.Number, 2, 10, QLatin1Char('0'));
        if (!t.Title.isEmpty())
            text += QStringLiteral("    TITLE %1\n").arg(quoted(t.Title));
        if (!t.Performer.isEmpty())
            text += QStringLiteral("    PERFORMER %1\n").arg(quoted(t.Performer));
        static const QRegularExpression isrc(QStringLiteral("^[A-Z0-9]{12}$"));
        if (isrc.match(t.Isrc).hasMatch())
            text += QStringLiteral("    ISRC %1\n").arg(t.Isrc);
        if (hiddenOpen) {
            text += QStringLiteral("    INDEX 00 00:00:00\n");
            text += fileLine(t.FileName);
            hiddenOpen = false;
        }
        text += QStringLiteral("    INDEX 01 00:00:00\n");
    }
    return text;
}
