#include "verify/verified_track_reader.h"

#include <utility>

namespace {

bool accurate(const std::optional<TCtdbMatch>& m)
{
    return m && m->Verdict == TTrackVerdict::Accurate;
}

bool notAccurate(const std::optional<TCtdbMatch>& m)
{
    return m && m->Verdict == TTrackVerdict::NotAccurate;
}

} // namespace

bool TVerifiedTrack::confirmed() const
{
    return complete() && (AccurateRip.Verdict == TTrackVerdict::Accurate || accurate(Ctdb));
}

bool TVerifiedTrack::contradicted() const
{
    return !confirmed() && (AccurateRip.Verdict == TTrackVerdict::NotAccurate || notAccurate(Ctdb));
}

bool TVerifiedTrack::doubtful() const
{
    return !complete() || contradicted() || Read.UnreadableSectors > 0 ||
           (TestCrc && *TestCrc != Checksums.CopyCrc);
}

TRipLogTrack TVerifiedTrack::logTrack(const QString& fileName) const
{
    TRipLogTrack t;
    t.Number = Number;
    t.Start = Span.Start;
    t.Sectors = Span.Sectors;
    t.FileName = fileName;
    t.CopyCrc = Checksums.CopyCrc;
    t.TestCrc = TestCrc;
    if (Number != 0) {
        t.V1 = Checksums.V1;
        t.V2 = Checksums.V2;
    }
    t.Read = Read;
    if (!Error.isEmpty())
        t.Read.Messages.prepend(Error);
    t.ReReadSecurely = ReReadSecurely;
    t.AccurateRip = AccurateRip;
    t.Ctdb = Ctdb;
    return t;
}

TVerifiedTrackReader::TVerifiedTrackReader(ICDAccess& access, HCDROM handle, TDiscLayout layout,
                                           TVerifySettings settings, TDatabaseAnswers answers,
                                           const std::atomic<bool>* stop)
    : m_access(access), m_handle(handle), m_layout(std::move(layout)),
      m_settings(std::move(settings)), m_answers(std::move(answers)), m_stop(stop)
{}

TVerifiedTrackReader::~TVerifiedTrackReader() = default;

ISectorSource* TVerifiedTrackReader::source(bool secure, QString* error)
{
    std::unique_ptr<ISectorSource>& slot = secure ? m_secure : m_burst;
    if (!slot) {
        TSectorSourceOptions options;
        options.Mode = secure ? TSectorReadMode::Secure : TSectorReadMode::Burst;
        options.Retries = m_settings.Retries;
        slot = m_access.OpenSectorSource(m_handle, options);
        if (!slot)
            *error = m_access.LastErrorText();
    }
    return slot.get();
}

TVerifiedTrackReader::Pass TVerifiedTrackReader::readOnce(const TAudioTrackSpan& span, int index,
                                                          bool secure, int passNumber,
                                                          ITrackSink& sink,
                                                          const Progress& progress)
{
    Pass pass;
    ISectorSource* from = source(secure, &pass.Error);
    if (!from)
        return pass;
    if (!sink.restart()) {
        pass.Error = sink.errorText();
        return pass;
    }
    // The hidden track (index -1) is in no database: its copy CRC is all it has.
    std::optional<TTrackChecksums> sums;
    if (index >= 0)
        sums.emplace(m_layout, index);
    TCrc32 hiddenCrc;
    TTrackReadProgress state{passNumber, secure, 0, span.Sectors};
    std::int64_t bytes = 0;
    TSecureReader reader(*from, m_layout.AudioEnd, m_settings.ReadOffset);
    pass.Read = reader.read(
        span.Start, span.Sectors,
        [&](const char* pcm, std::size_t size) {
            if (sums)
                sums->add(pcm, size);
            else
                hiddenCrc.add(pcm, size);
            if (!sink.write(pcm, size)) {
                pass.Error = sink.errorText();
                return false;
            }
            bytes += std::int64_t(size);
            if (progress) {
                state.DoneSectors = bytes / kSectorSize;
                progress(state);
            }
            return true;
        },
        m_stop);
    if (sums)
        pass.Checksums = sums->values();
    else
        pass.Checksums.CopyCrc = hiddenCrc.value();
    if (pass.Read.Stopped && pass.Error.isEmpty() && !(m_stop && m_stop->load()))
        pass.Error = QStringLiteral("the read ended early");
    return pass;
}

void TVerifiedTrackReader::take(TVerifiedTrack& track, Pass&& pass, bool secure)
{
    track.Checksums = pass.Checksums;
    track.Read = std::move(pass.Read);
    track.Error = std::move(pass.Error);
    track.Secure = secure;
}

void TVerifiedTrackReader::check(TVerifiedTrack& track, int index) const
{
    using Outcome = TDatabaseLookup::Outcome;
    track.AccurateRip = {TTrackVerdict::NotChecked};
    track.Ctdb.reset();
    if (!track.complete())
        return;
    const TTrackChecksumValues& c = track.Checksums;
    if (m_answers.AccurateRip.Result == Outcome::Found)
        track.AccurateRip = MatchAccurateRip(m_answers.AccurateRipAnswer, index, c.V1, c.V2);
    else if (m_answers.AccurateRip.Result == Outcome::NotInDatabase)
        track.AccurateRip.Verdict = TTrackVerdict::NotInDatabase;
    if (m_answers.Ctdb.Result == Outcome::Found)
        track.Ctdb = MatchCtdbTrack(m_answers.CtdbEntries, index, c.CtdbCrc);
}

TVerifiedTrack TVerifiedTrackReader::read(int index, ITrackSink& sink, const Progress& progress)
{
    TVerifiedTrack track;
    if (index < 0 || index >= int(m_layout.Tracks.size())) {
        track.Error = QStringLiteral("the disc has no such audio track");
        return track;
    }
    track.Span = m_layout.Tracks[std::size_t(index)];
    track.Number = track.Span.Number;

    const bool firstSecure = m_settings.Mode == TReadMode::Secure;
    take(track, readOnce(track.Span, index, firstSecure, 1, sink, progress), firstSecure);
    check(track, index);
    if (m_settings.Mode != TReadMode::Auto || !track.complete() || track.confirmed())
        return track;

    // Contradicted, or unknown to every database: read again securely. The
    // second read is what the sink keeps; the first one's CRC is the test CRC.
    const bool contradicted = track.contradicted();
    const std::uint32_t firstCrc = track.Checksums.CopyCrc;
    take(track, readOnce(track.Span, index, true, 2, sink, progress), true);
    check(track, index);
    track.TestCrc = firstCrc;
    track.ReReadSecurely = contradicted;
    return track;
}

THiddenTrackScan TVerifiedTrackReader::scanHiddenTrack()
{
    QString error;
    ISectorSource* from = source(false, &error);
    if (!from) {
        THiddenTrackScan scan;
        scan.Sectors = m_layout.HiddenSectors;
        scan.Read.Messages << error;
        return scan;
    }
    return ScanHiddenTrack(*from, m_layout, m_stop);
}

TVerifiedTrack TVerifiedTrackReader::readHiddenTrack(ITrackSink& sink, const Progress& progress)
{
    TVerifiedTrack track;
    track.Span = {0, 0, m_layout.HiddenSectors};
    if (track.Span.Sectors <= 0) {
        track.Error = QStringLiteral("the disc has no audio before track 1");
        return track;
    }
    const bool secure = m_settings.Mode != TReadMode::Burst;
    take(track, readOnce(track.Span, -1, secure, 1, sink, progress), secure);
    return track;
}
