#include "cdaccess/cdio_access.h"

#include "cdaccess/cue_sheet_guard.h"
#include "cdaccess/paranoia_sector_source.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/mmc_hl_cmds.h>

#include <cstring>

namespace {

struct CdioDeleter {
    void operator()(CdIo_t* p) const
    {
        if (p)
            cdio_destroy(p);
    }
};
using CdioPtr = std::unique_ptr<CdIo_t, CdioDeleter>;

struct DeviceListDeleter {
    void operator()(char** list) const
    {
        if (list)
            cdio_free_device_list(list);
    }
};

// libcdio's driver table and its opening code keep global state; listing and
// opening go through this one lock.
std::mutex& libraryLock()
{
    static std::mutex lock;
    return lock;
}

// Errors of the calling thread: a failed read on the rip thread must not turn
// up as the UI thread's error and the other way round.
thread_local int t_error = CDERR_NONE;
thread_local QString t_errorText;
// libcdio's own complaint during the current call (it would otherwise go to stderr).
thread_local QString t_libraryMessage;

bool succeed()
{
    t_error = CDERR_NONE;
    t_errorText.clear();
    return true;
}

bool fail(CDAccessError code, const QString& text)
{
    t_error = code;
    t_errorText = text;
    if (!t_libraryMessage.isEmpty())
        t_errorText += QStringLiteral(" (libcdio: %1)").arg(t_libraryMessage);
    return false;
}

void logHandler(cdio_log_level_t level, const char* message)
{
    if (level >= CDIO_LOG_WARN && message)
        t_libraryMessage = QString::fromLocal8Bit(message).trimmed();
}

std::once_flag g_logOnce;

struct ImageDrives {
    std::mutex lock;
    QStringList added;
};
ImageDrives& imageDrives()
{
    static ImageDrives drives;
    return drives;
}

QString trimmedField(const char* text, std::size_t size)
{
    return QString::fromLatin1(text, qsizetype(strnlen(text, size))).trimmed();
}

// The first and last track numbers of the disc; false when it has none.
bool trackRange(CdIo_t* p, track_t& first, track_t& last)
{
    first = cdio_get_first_track_num(p);
    last = cdio_get_last_track_num(p);
    return first != CDIO_INVALID_TRACK && last != CDIO_INVALID_TRACK && last >= first;
}

QString cdTextField(cdtext_t* text, cdtext_field_t field, track_t track, bool fromImage)
{
    const char* value = cdtext_get_const(text, field, track);
    if (value == nullptr)
        return {};
    // Repaired before the spaces are tidied: a double-encoded "à" ends in
    // a no-break space.
    const QString s = QString::fromUtf8(value);
    return (fromImage ? RepairCueSheetText(s) : s).simplified();
}

TCdTextBlock cdTextBlock(cdtext_t* text, track_t track, bool fromImage)
{
    TCdTextBlock b;
    b.Title = cdTextField(text, CDTEXT_FIELD_TITLE, track, fromImage);
    b.Performer = cdTextField(text, CDTEXT_FIELD_PERFORMER, track, fromImage);
    b.Songwriter = cdTextField(text, CDTEXT_FIELD_SONGWRITER, track, fromImage);
    b.Composer = cdTextField(text, CDTEXT_FIELD_COMPOSER, track, fromImage);
    b.Genre = cdTextField(text, CDTEXT_FIELD_GENRE, track, fromImage);
    b.Message = cdTextField(text, CDTEXT_FIELD_MESSAGE, track, fromImage);
    if (track != 0)
        b.Isrc = cdTextField(text, CDTEXT_FIELD_ISRC, track, false);
    return b;
}

// Image files open only through the image drivers, so that a stray regular file
// is never taken for a device node.
CdioPtr openImage(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const QString suffix = QFileInfo(path).suffix().toLower();
    driver_id_t order[] = {DRIVER_BINCUE, DRIVER_CDRDAO, DRIVER_NRG};
    if (suffix == QLatin1String("toc"))
        std::swap(order[0], order[1]);
    else if (suffix == QLatin1String("nrg"))
        std::swap(order[0], order[2]);
    for (driver_id_t driver : order) {
        if (CdIo_t* p = cdio_open(name.constData(), driver))
            return CdioPtr(p);
    }
    return {};
}

// The data files a .cue or .toc sheet names (FILE, AUDIOFILE, DATAFILE),
// resolved against the sheet's folder.
QStringList sheetDataFiles(const QString& sheet)
{
    QFile file(sheet);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLocal8Bit(file.read(1 << 20));
    const QDir folder = QFileInfo(sheet).dir();
    static const QRegularExpression entry(
        QStringLiteral("^\\s*(?:FILE|AUDIOFILE|DATAFILE)\\s+(?:\"([^\"]*)\"|(\\S+))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    QStringList files;
    for (auto it = entry.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString name = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
        // libcdio reads the name as a C string: it ends at a NUL byte.
        if (const qsizetype nul = name.indexOf(QChar(0)); nul >= 0)
            name.truncate(nul);
        if (!name.isEmpty())
            files << folder.filePath(name);
    }
    return files;
}

// Why an image cannot be opened without risk: a sheet or a data file that
// is no regular file (a FIFO would block the reader for good); empty when
// it can.
QString imageFileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Disc image not found: %1").arg(path);
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("Disc image cannot be read: %1").arg(path);
    for (const QString& data : sheetDataFiles(path)) {
        const QFileInfo d(data);
        if (d.exists() && !d.isFile())
            return QStringLiteral("Disc image data is not a regular file: %1").arg(data);
    }
    return {};
}

// Why libcdio must not read the cue sheet it would take for this image;
// empty when there is none or it is safe.
QString cueSheetProblem(const QString& path)
{
    const QString sheet = CueSheetReadFor(path);
    const QFileInfo info(sheet);
    if (sheet.isEmpty() || !info.exists())
        return {};
    // The .cue beside a .bin is opened too, and a FIFO there would block.
    if (!info.isFile())
        return QStringLiteral("Disc image data is not a regular file: %1").arg(sheet);
    QFile file(sheet);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    constexpr qint64 kMaxSheetSize = 1 << 20;
    if (file.size() > kMaxSheetSize)
        return QStringLiteral(
                   "Not a disc image that can be opened: %1 is too large for a cue sheet")
            .arg(sheet);
    const QString problem = CueSheetProblem(file.readAll());
    if (problem.isEmpty())
        return {};
    return QStringLiteral("Not a disc image that can be opened: %1: %2").arg(sheet, problem);
}

} // namespace

void AddImageDrives(const QStringList& paths)
{
    ImageDrives& drives = imageDrives();
    std::lock_guard guard(drives.lock);
    for (const QString& path : paths) {
        if (!path.isEmpty() && !drives.added.contains(path))
            drives.added.append(path);
    }
}

QStringList TakeImageDriveArguments(QStringList& args)
{
    static const QString option = QStringLiteral("--cd-image");
    QStringList files;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == option) {
            if (i + 1 < args.size())
                files.append(args[++i]);
        } else if (arg.startsWith(option + QLatin1Char('='))) {
            files.append(arg.mid(option.size() + 1));
        } else {
            rest.append(arg);
        }
    }
    args = rest;
    return files;
}

QStringList ImageDrivePaths()
{
    QStringList paths;
    const QString env = qEnvironmentVariable("QUILLON_CD_IMAGES");
    for (const QString& path : env.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (!paths.contains(path))
            paths.append(path);
    }
    ImageDrives& drives = imageDrives();
    std::lock_guard guard(drives.lock);
    for (const QString& path : drives.added) {
        if (!paths.contains(path))
            paths.append(path);
    }
    return paths;
}

struct TCdioAccess::Drive {
    std::mutex lock;
    CdioPtr cdio; // null after an eject until the tray is closed again
    QString device;
    bool isImage = false;
    bool msf = false;
};

TCdioAccess::TCdioAccess()
{
    std::call_once(g_logOnce, [] { cdio_log_set_handler(logHandler); });
}

TCdioAccess::~TCdioAccess() = default;

std::vector<TCDREC> TCdioAccess::GetCDList()
{
    t_libraryMessage.clear();
    std::vector<TCDREC> list;
    {
        std::lock_guard guard(libraryLock());
        std::unique_ptr<char*, DeviceListDeleter> devices(cdio_get_devices(DRIVER_DEVICE));
        for (char** d = devices.get(); d && *d; ++d) {
            TCDREC rec;
            rec.HostAdapter = 0;
            rec.Target = std::uint8_t(list.size());
            rec.Device = QFile::decodeName(*d);
            CdioPtr p(cdio_open(*d, DRIVER_DEVICE));
            cdio_hwinfo_t hw{};
            if (p && cdio_get_hwinfo(p.get(), &hw)) {
                rec.Vendor = trimmedField(hw.psz_vendor, sizeof hw.psz_vendor);
                rec.Product = trimmedField(hw.psz_model, sizeof hw.psz_model);
            }
            if (rec.Vendor.isEmpty() && rec.Product.isEmpty())
                rec.Product = rec.Device;
            else
                rec.Vendor += QLatin1Char(' ');
            list.push_back(rec);
        }
    }
    const QStringList images = ImageDrivePaths();
    for (qsizetype i = 0; i < images.size(); ++i) {
        TCDREC rec;
        rec.HostAdapter = 1;
        rec.Target = std::uint8_t(i);
        rec.Device = images[i];
        rec.IsImage = true;
        rec.Vendor = QStringLiteral("Image ");
        rec.Product = QFileInfo(images[i]).fileName();
        list.push_back(rec);
    }
    succeed();
    return list;
}

HCDROM TCdioAccess::GetCDHandle(const TCDREC& drive)
{
    t_libraryMessage.clear();
    if (drive.Device.isEmpty()) {
        fail(CDERR_NO_DRIVE, QStringLiteral("No drive given"));
        return 0;
    }
    auto opened = std::make_shared<Drive>();
    opened->device = drive.Device;
    opened->isImage = drive.IsImage;
    if (drive.IsImage) {
        const QString problem = imageFileProblem(drive.Device);
        if (!problem.isEmpty()) {
            fail(CDERR_NO_DRIVE, problem);
            return 0;
        }
        const QString sheetProblem = cueSheetProblem(drive.Device);
        if (!sheetProblem.isEmpty()) {
            fail(CDERR_OPEN, sheetProblem);
            return 0;
        }
        std::lock_guard guard(libraryLock());
        opened->cdio = openImage(drive.Device);
    } else {
        std::lock_guard guard(libraryLock());
        opened->cdio.reset(cdio_open(QFile::encodeName(drive.Device).constData(), DRIVER_DEVICE));
    }
    if (!opened->cdio) {
        fail(CDERR_OPEN,
             drive.IsImage
                 ? QStringLiteral("Not a disc image that can be opened: %1").arg(drive.Device)
                 : QStringLiteral("Cannot open the drive %1").arg(drive.Device));
        return 0;
    }
    std::lock_guard guard(m_handlesLock);
    HCDROM handle = m_nextHandle++;
    if (handle == 0) // after wrap-around, 0 stays "no handle"
        handle = m_nextHandle++;
    m_handles[handle] = std::move(opened);
    succeed();
    return handle;
}

std::shared_ptr<TCdioAccess::Drive> TCdioAccess::find(HCDROM handle)
{
    t_libraryMessage.clear();
    std::lock_guard guard(m_handlesLock);
    const auto it = m_handles.find(handle);
    if (it == m_handles.end()) {
        fail(CDERR_BAD_HANDLE, QStringLiteral("No open drive has the handle %1").arg(handle));
        return {};
    }
    return it->second;
}

bool TCdioAccess::CloseCDHandle(HCDROM handle)
{
    std::shared_ptr<Drive> drive;
    {
        std::lock_guard guard(m_handlesLock);
        const auto it = m_handles.find(handle);
        if (it != m_handles.end()) {
            drive = std::move(it->second);
            m_handles.erase(it);
        }
    }
    if (!drive)
        return fail(CDERR_BAD_HANDLE,
                    QStringLiteral("No open drive has the handle %1").arg(handle));
    // A reader on another thread may still hold the drive; the last owner
    // releases the libcdio object.
    return succeed();
}

bool TCdioAccess::ModifyCDParms(HCDROM handle, int which, int value)
{
    const auto drive = find(handle);
    if (!drive)
        return false;
    if (which != kCDParmAddressMode)
        return fail(CDERR_BAD_PARAMETER, QStringLiteral("Unknown drive parameter %1").arg(which));
    std::lock_guard guard(drive->lock);
    drive->msf = value == kAddressModeMsf;
    return succeed();
}

bool TCdioAccess::IsMsfMode(HCDROM handle)
{
    const auto drive = find(handle);
    if (!drive)
        return false;
    std::lock_guard guard(drive->lock);
    return drive->msf;
}

bool TCdioAccess::ReadTOC(HCDROM handle, TTOC& toc)
{
    const auto drive = find(handle);
    if (!drive)
        return false;
    std::lock_guard guard(drive->lock);
    CdIo_t* p = drive->cdio.get();
    if (!p)
        return fail(CDERR_NO_TOC, QStringLiteral("No disc in the drive"));
    track_t first = 0;
    track_t last = 0;
    if (!trackRange(p, first, last))
        return fail(CDERR_NO_TOC, QStringLiteral("The disc has no readable table of contents"));
    TTOC result;
    result.FirstTrack = first;
    result.LastTrack = last;
    for (track_t t = first; t <= last; ++t) {
        const lba_t lba = cdio_get_track_lba(p, t); // absolute: includes the 150-frame lead-in
        if (lba == CDIO_INVALID_LBA)
            return fail(CDERR_NO_TOC, QStringLiteral("Track %1 has no start address").arg(t));
        std::uint8_t control = 0;
        if (cdio_get_track_format(p, t) != TRACK_FORMAT_AUDIO)
            control |= 0x04;
        if (cdio_get_track_copy_permit(p, t) == CDIO_TRACK_FLAG_TRUE)
            control |= 0x02;
        if (cdio_get_track_preemphasis(p, t) == CDIO_TRACK_FLAG_TRUE)
            control |= 0x01;
        result.Entries.push_back(TTOCTRACK::FromFrames(t, lba, control));
    }
    const lba_t leadout = cdio_get_track_lba(p, CDIO_CDROM_LEADOUT_TRACK);
    if (leadout == CDIO_INVALID_LBA || leadout < result.Entries.back().MsfFrames())
        return fail(CDERR_NO_TOC, QStringLiteral("The disc has no lead-out address"));
    result.Entries.push_back(TTOCTRACK::FromFrames(CDIO_CDROM_LEADOUT_TRACK, leadout));
    toc = std::move(result);
    return succeed();
}

bool TCdioAccess::ReadCDAudioLBA(HCDROM handle, TTRACKBUF& buf)
{
    buf.Len = 0;
    buf.StartOffset = 0;
    buf.Status = kReadStatusError;
    const auto drive = find(handle);
    if (!drive)
        return false;
    if (buf.NumFrames <= 0 || buf.StartFrame < 0)
        return fail(CDERR_BAD_PARAMETER, QStringLiteral("Bad read request: %1 sectors from %2")
                                             .arg(buf.NumFrames)
                                             .arg(buf.StartFrame));
    std::lock_guard guard(drive->lock);
    CdIo_t* p = drive->cdio.get();
    if (!p)
        return fail(CDERR_NO_TOC, QStringLiteral("No disc in the drive"));
    const lsn_t leadout = cdio_get_track_lsn(p, CDIO_CDROM_LEADOUT_TRACK);
    if (leadout == CDIO_INVALID_LSN)
        return fail(CDERR_NO_TOC, QStringLiteral("The disc has no lead-out address"));
    if (std::int64_t(buf.StartFrame) + buf.NumFrames > leadout)
        return fail(CDERR_RANGE,
                    QStringLiteral("Sectors %1 to %2 lie beyond the end of the disc (%3)")
                        .arg(buf.StartFrame)
                        .arg(std::int64_t(buf.StartFrame) + buf.NumFrames - 1)
                        .arg(leadout));
    const qsizetype bytes = qsizetype(buf.NumFrames) * kSectorSize;
    if (buf.Buf.size() < bytes) // never write past a buffer the caller sized too small
        buf.Buf.resize(bytes);
    const driver_return_code_t rc =
        cdio_read_audio_sectors(p, buf.Buf.data(), buf.StartFrame, std::uint32_t(buf.NumFrames));
    if (rc != DRIVER_OP_SUCCESS)
        return fail(CDERR_READ, QStringLiteral("Reading sectors %1 to %2 failed: %3")
                                    .arg(buf.StartFrame)
                                    .arg(buf.StartFrame + buf.NumFrames - 1)
                                    .arg(QString::fromLatin1(cdio_driver_errmsg(rc))));
    buf.Len = std::int32_t(bytes);
    buf.Status = kReadStatusOk;
    return succeed();
}

int TCdioAccess::GetAspiLibError()
{
    return t_error;
}

QString TCdioAccess::LastErrorText()
{
    return t_errorText;
}

bool TCdioAccess::EjectMedia(HCDROM handle)
{
    const auto drive = find(handle);
    if (!drive)
        return false;
    std::lock_guard guard(drive->lock);
    if (drive->isImage)
        return fail(CDERR_TRAY, QStringLiteral("A disc image has no tray"));
    if (!drive->cdio)
        return succeed(); // already out
    // On success libcdio frees the object it ejected and clears the pointer.
    CdIo_t* p = drive->cdio.release();
    const driver_return_code_t rc = cdio_eject_media(&p);
    drive->cdio.reset(p);
    if (rc != DRIVER_OP_SUCCESS)
        return fail(
            CDERR_TRAY,
            QStringLiteral("Eject failed: %1").arg(QString::fromLatin1(cdio_driver_errmsg(rc))));
    return succeed();
}

bool TCdioAccess::CloseTray(HCDROM handle)
{
    const auto drive = find(handle);
    if (!drive)
        return false;
    std::lock_guard guard(drive->lock);
    if (drive->isImage)
        return fail(CDERR_TRAY, QStringLiteral("A disc image has no tray"));
    driver_return_code_t rc;
    if (drive->cdio) {
        rc = mmc_close_tray(drive->cdio.get());
    } else {
        const QByteArray device = QFile::encodeName(drive->device);
        std::lock_guard libraryGuard(libraryLock());
        driver_id_t driver = DRIVER_DEVICE;
        rc = cdio_close_tray(device.constData(), &driver);
        if (rc == DRIVER_OP_SUCCESS)
            drive->cdio.reset(cdio_open(device.constData(), DRIVER_DEVICE));
    }
    if (rc != DRIVER_OP_SUCCESS)
        return fail(CDERR_TRAY, QStringLiteral("Closing the tray failed: %1")
                                    .arg(QString::fromLatin1(cdio_driver_errmsg(rc))));
    return succeed();
}

bool TCdioAccess::ReadCDText(HCDROM handle, TCdText& text)
{
    const auto drive = find(handle);
    if (!drive)
        return false;
    std::lock_guard guard(drive->lock);
    CdIo_t* p = drive->cdio.get();
    if (!p)
        return fail(CDERR_NO_TOC, QStringLiteral("No disc in the drive"));
    track_t first = 0;
    track_t last = 0;
    cdtext_t* cdtext = cdio_get_cdtext(p); // owned by the libcdio object
    if (cdtext == nullptr || !trackRange(p, first, last))
        return fail(CDERR_NO_TOC, QStringLiteral("The disc has no CD-Text"));
    TCdText result;
    result.Disc = cdTextBlock(cdtext, 0, drive->isImage);
    for (track_t t = first; t <= last; ++t) {
        TCdTextBlock block = cdTextBlock(cdtext, t, drive->isImage);
        if (block.Isrc.isEmpty() && drive->isImage) {
            // A cue sheet's ISRC lines are kept with the track, not in the CD-Text.
            if (char* isrc = cdio_get_track_isrc(p, t)) {
                block.Isrc = QString::fromLatin1(isrc).trimmed();
                cdio_free(isrc);
            }
        }
        result.Tracks.push_back(std::move(block));
    }
    if (result.isEmpty())
        return fail(CDERR_NO_TOC, QStringLiteral("The disc has no CD-Text"));
    text = std::move(result);
    return succeed();
}

std::unique_ptr<ISectorSource> TCdioAccess::OpenSectorSource(HCDROM handle,
                                                             const TSectorSourceOptions& options)
{
    const auto drive = find(handle);
    if (!drive)
        return nullptr;
    // A libcdio object of its own: the rip reads through paranoia while the
    // handle's object stays free for the window's TOC reads.
    CdioPtr cdio;
    {
        std::lock_guard guard(libraryLock());
        if (drive->isImage)
            cdio = openImage(drive->device);
        else
            cdio.reset(cdio_open(QFile::encodeName(drive->device).constData(), DRIVER_DEVICE));
    }
    if (!cdio) {
        fail(CDERR_OPEN, QStringLiteral("Cannot open %1 for reading").arg(drive->device));
        return nullptr;
    }
    QString error;
    auto source = TParanoiaSectorSource::open(cdio.release(), options, &error);
    if (!source) {
        fail(CDERR_OPEN, error);
        return nullptr;
    }
    succeed();
    return source;
}
