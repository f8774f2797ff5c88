#include "verify/verified_rip.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <utility>

TVerifiedRip::TVerifiedRip(TDiscLayout layout, TDatabaseAnswers answers)
    : m_layout(std::move(layout)), m_answers(std::move(answers))
{}

void TVerifiedRip::add(const TVerifiedTrack& track, const QString& fileName)
{
    m_tracks.push_back(track);
    m_fileNames.push_back(fileName);
}

std::optional<std::uint32_t> TVerifiedRip::ctdbDiscCrc() const
{
    std::vector<TTrackChecksumValues> values;
    for (const TAudioTrackSpan& span : m_layout.Tracks) {
        const auto t = std::find_if(m_tracks.begin(), m_tracks.end(), [&](const TVerifiedTrack& v) {
            return v.Number == span.Number && v.Number != 0;
        });
        if (t == m_tracks.end() || !t->complete())
            return std::nullopt;
        values.push_back(t->Checksums);
    }
    if (values.empty())
        return std::nullopt;
    return CtdbDiscCrc(values);
}

std::optional<TCtdbMatch> TVerifiedRip::ctdbDisc() const
{
    const std::optional<std::uint32_t> crc = ctdbDiscCrc();
    if (!crc || m_answers.Ctdb.Result != TDatabaseLookup::Outcome::Found)
        return std::nullopt;
    return MatchCtdbDisc(m_answers.CtdbEntries, *crc);
}

std::vector<int> TVerifiedRip::doubtfulTracks() const
{
    std::vector<int> numbers;
    for (const TVerifiedTrack& t : m_tracks) {
        if (t.doubtful())
            numbers.push_back(t.Number);
    }
    return numbers;
}

QString TVerifiedRip::ctdbResultText() const
{
    return CtdbResultText(m_answers.Ctdb, ctdbDiscCrc().value_or(0), ctdbDisc());
}

TRipLogData TVerifiedRip::logData(TRipLogData head) const
{
    head.AccurateRipId = m_answers.AccurateRipId;
    head.AccurateRip = m_answers.AccurateRip;
    head.CtdbToc = m_answers.CtdbToc;
    head.Ctdb = m_answers.Ctdb;
    head.CtdbDisc = ctdbDisc();
    head.CtdbCrc = ctdbDiscCrc().value_or(0);
    head.Tracks.clear();
    for (std::size_t i = 0; i < m_tracks.size(); ++i)
        head.Tracks.push_back(m_tracks[i].logTrack(m_fileNames[i]));
    return head;
}

QString RipLogPath(const QString& folder, const QString& album)
{
    const QDir dir(folder);
    const QString name = RipLogFileName(album);
    const QString stem = name.chopped(4); // ".log"
    QString path = dir.filePath(name);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1 (%2).log").arg(stem).arg(n));
    return path;
}

QString RipCueSheetPath(const QString& logPath)
{
    const QString stem = logPath.endsWith(QStringLiteral(".log")) ? logPath.chopped(4) : logPath;
    QString path = stem + QStringLiteral(".cue");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1 (%2).cue").arg(stem).arg(n);
    return path;
}

bool WriteRipLogFile(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text.toUtf8()) < 0 ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
