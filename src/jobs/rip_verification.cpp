#include "jobs/rip_verification.h"

#include "verify/rip_log_head.h"

namespace {

void warnAbout(QStringList& warnings, const QString& name, const TDatabaseLookup& lookup)
{
    if (lookup.Result == TDatabaseLookup::Outcome::Failed)
        warnings << QStringLiteral("%1 lookup failed: %2").arg(name, lookup.Error);
}

} // namespace

QString ReadStateText(const TTrackReadProgress& progress)
{
    if (progress.Pass == 2)
        return QStringLiteral("reading again (secure)");
    return progress.Secure ? QStringLiteral("reading (secure)") : QStringLiteral("reading (burst)");
}

TRipVerification::TRipVerification(const TOptionsSetting& options)
    : m_options(options), m_settings(VerifySettingsFrom(options))
{}

TRipVerification::~TRipVerification() = default;

bool TRipVerification::prepare(ICDAccess& access, HCDROM handle, const TTOC& toc, QString* error)
{
    if (m_prepared)
        return true;
    TDiscLayout layout = DiscLayoutOf(toc);
    if (layout.isEmpty()) {
        *error = QStringLiteral("the disc's table of contents makes no sense");
        return false;
    }
    TDatabaseAnswers answers = FetchDatabaseAnswers(m_settings, toc, &Stop);
    if (Stop.load()) {
        *error = QStringLiteral("stopped");
        return false;
    }
    warnAbout(m_warnings, QStringLiteral("AccurateRip"), answers.AccurateRip);
    warnAbout(m_warnings, QStringLiteral("CTDB"), answers.Ctdb);
    m_rip = std::make_unique<TVerifiedRip>(layout, answers);
    m_reader = std::make_unique<TVerifiedTrackReader>(access, handle, std::move(layout), m_settings,
                                                      std::move(answers), &Stop);
    m_hidden = m_reader->scanHiddenTrack();
    m_prepared = true;
    return true;
}

TVerifiedTrack TRipVerification::read(int tocTrack, ITrackSink& sink, const QString& fileName,
                                      const TVerifiedTrackReader::Progress& progress)
{
    TVerifiedTrack track;
    track.Number = tocTrack;
    if (tocTrack == 0 && m_reader) {
        // Silence or no sectors at all before track 1: nothing to rip, and
        // no result, so that the job drops the item.
        if (!m_hidden.Audible)
            return track;
        track = m_reader->readHiddenTrack(sink, progress);
        if (track.complete() || !track.Error.isEmpty())
            m_rip->add(track, fileName);
        return track;
    }
    const int index = m_reader ? m_reader->layout().indexOf(tocTrack) : -1;
    if (index < 0) {
        track.Error = QStringLiteral("track %1 is not an audio track of this disc").arg(tocTrack);
        return track;
    }
    track = m_reader->read(index, sink, progress);
    // A stopped read is no result: the job ends without a log.
    if (track.complete() || !track.Error.isEmpty())
        m_rip->add(track, fileName);
    return track;
}

QStringList TRipVerification::takeWarnings()
{
    QStringList w;
    w.swap(m_warnings);
    return w;
}

const TVerifiedTrack* TRipVerification::track(int tocTrack) const
{
    if (!m_rip)
        return nullptr;
    const auto& tracks = m_rip->tracks();
    for (auto t = tracks.rbegin(); t != tracks.rend(); ++t) {
        if (t->Number == tocTrack)
            return &*t;
    }
    return nullptr;
}

void TRipVerification::setDrive(const QString& text, bool isImage)
{
    m_drive = text;
    m_isImage = isImage;
}

void TRipVerification::release()
{
    m_reader.reset();
}

QString TRipVerification::writeLog(const QString& folder, const QString& format,
                                   QString* error) const
{
    if (!m_rip || m_rip->tracks().empty())
        return {};
    TRipLogData head = RipLogHead(m_settings, m_options, m_drive, m_isImage, format);
    if (m_options.CommonOptions.IsNormalize)
        head.Settings << QStringLiteral("Normalized to:      %1 % (after the checksums)")
                             .arg(m_options.CommonOptions.NormalizePercent);
    head.HiddenSectors = m_hidden.Sectors;
    head.HiddenAudible = m_hidden.Audible;
    head.HiddenRipped = track(0) != nullptr;
    const QString path = RipLogPath(folder, head.Album);
    if (!WriteRipLogFile(path, RipLogText(m_rip->logData(head)), error))
        return {};
    return path;
}
