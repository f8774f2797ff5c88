#include "cdaccess/paranoia_sector_source.h"

#include "cdaccess/cd_access.h"

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxMessages = 50;

// Paranoia's callback has no user pointer: the flags of the read in progress
// on this thread go here.
thread_local std::map<std::int32_t, std::uint16_t>* t_pending = nullptr;

void paranoiaCallback(long position, paranoia_cb_mode_t code)
{
    const std::uint16_t flag = TParanoiaSectorSource::flagOfCallback(code);
    if (!t_pending || !flag)
        return;
    // Positions are counted in 16-bit words from the start of the disc.
    const auto sector = std::int32_t(position >= 0 ? position / CD_FRAMEWORDS : -1);
    (*t_pending)[sector] |= flag;
}

QStringList takeLines(char* text)
{
    QStringList lines;
    if (text) {
        for (const QString& line : QString::fromLocal8Bit(text).split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty())
                lines.append(line.trimmed());
        }
        cdio_cddap_free_messages(text);
    }
    return lines;
}

} // namespace

std::uint16_t TParanoiaSectorSource::flagOfCallback(int code)
{
    switch (code) {
    case PARANOIA_CB_READERR:
        return sfReadError;
    case PARANOIA_CB_SKIP:
        return sfSkipped;
    case PARANOIA_CB_FIXUP_DROPPED:
        return sfDropped;
    case PARANOIA_CB_FIXUP_DUPED:
        return sfDuplicated;
    case PARANOIA_CB_DRIFT:
        return sfDrift;
    case PARANOIA_CB_CACHEERR:
        return sfCacheError;
    default:
        return 0;
    }
}

std::unique_ptr<TParanoiaSectorSource>
TParanoiaSectorSource::open(CdIo_t* cdio, const TSectorSourceOptions& options, QString* error)
{
    std::unique_ptr<TParanoiaSectorSource> source(new TParanoiaSectorSource);
    source->m_cdio = cdio;
    source->m_options = options;
    auto fail = [&](const QString& text) -> std::unique_ptr<TParanoiaSectorSource> {
        if (error) {
            *error = text;
            const QStringList details = source->takeMessages();
            if (!details.isEmpty())
                *error += QStringLiteral(" (%1)").arg(details.join(QStringLiteral("; ")));
        }
        return nullptr;
    };
    if (!cdio)
        return fail(QStringLiteral("No drive to read from"));
    char* messages = nullptr;
    source->m_drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_LOGIT, &messages);
    source->m_messages = takeLines(messages);
    if (!source->m_drive)
        return fail(QStringLiteral("The drive cannot read audio"));
    cdio_cddap_verbose_set(source->m_drive, CDDA_MESSAGE_LOGIT, CDDA_MESSAGE_LOGIT);
    if (cdio_cddap_open(source->m_drive) != 0) {
        source->collectMessages();
        return fail(QStringLiteral("The disc cannot be read as audio"));
    }
    source->m_paranoia = cdio_paranoia_init(source->m_drive);
    if (!source->m_paranoia)
        return fail(QStringLiteral("The verifying reader could not start"));
    cdio_paranoia_modeset(source->m_paranoia, options.Mode == TSectorReadMode::Secure
                                                  ? PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP
                                                  : PARANOIA_MODE_DISABLE);
    // The whole disc is open to paranoia, not only the audio tracks: the read
    // loop decides what is read (the hidden track before track 1, the sectors
    // an offset reaches into).
    const lsn_t last = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (last != CDIO_INVALID_LSN && last > 0) {
        cdio_paranoia_set_range(source->m_paranoia, 0, last - 1);
        source->m_leadout = last;
    }
    // What identifying and opening the drive said only helps when that fails.
    source->collectMessages();
    source->m_messages.clear();
    return source;
}

TParanoiaSectorSource::~TParanoiaSectorSource()
{
    if (m_paranoia)
        cdio_paranoia_free(m_paranoia);
    if (m_drive)
        cdio_cddap_close_no_free_cdio(m_drive);
    if (m_cdio)
        cdio_destroy(m_cdio);
}

void TParanoiaSectorSource::collectMessages()
{
    if (!m_drive)
        return;
    // Paranoia probes the drive's cache by reading ahead, past the end of the
    // disc too; that failing is no read error of ours.
    static const QRegularExpression probe(QStringLiteral("Unable to access sector (\\d+)"));
    for (const QString& line :
         takeLines(cdio_cddap_errors(m_drive)) + takeLines(cdio_cddap_messages(m_drive))) {
        const QRegularExpressionMatch m = probe.match(line);
        if (m.hasMatch() && m_leadout > 0 && m.captured(1).toLongLong() >= m_leadout)
            continue;
        if (m_messages.size() < kMaxMessages && !m_messages.contains(line))
            m_messages.append(line);
    }
}

void TParanoiaSectorSource::read(std::int32_t lsn, std::int32_t count, char* out,
                                 std::uint16_t* flags)
{
    if (lsn != m_next) {
        cdio_paranoia_seek(m_paranoia, lsn, SEEK_SET);
        m_pending.clear();
    }
    const int retries =
        m_options.Mode == TSectorReadMode::Secure ? std::max(1, m_options.Retries) : 1;
    t_pending = &m_pending;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t sector = lsn + i;
        const int16_t* data = cdio_paranoia_read_limited(m_paranoia, paranoiaCallback, retries);
        // Flags of this sector and any that came late for sectors already given out.
        std::uint16_t f = 0;
        while (!m_pending.empty() && m_pending.begin()->first <= sector) {
            f |= m_pending.begin()->second;
            m_pending.erase(m_pending.begin());
        }
        char* dest = out + std::size_t(i) * kSectorSize;
        // A read error is final in burst mode (nothing is read again) and in
        // secure mode once paranoia gave the spot up.
        const bool burst = m_options.Mode == TSectorReadMode::Burst;
        if (!data || ((f & sfReadError) && (burst || (f & sfSkipped)))) {
            std::memset(dest, 0, kSectorSize);
            f |= sfUnreadable;
        } else {
            std::memcpy(dest, data, kSectorSize);
        }
        flags[i] = f;
    }
    t_pending = nullptr;
    m_next = lsn + count;
    collectMessages();
}

QStringList TParanoiaSectorSource::takeMessages()
{
    QStringList messages;
    messages.swap(m_messages);
    return messages;
}
