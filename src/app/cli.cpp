#include "cli.h"

#include "cli_args.h"
#include "cli_metadata.h"
#include "cli_prompts.h"
#include "cli_resample.h"
#include "cli_verify.h"
#include "cli_view.h"

#include "cdaccess/cd_access.h"
#include "cdaccess/cd_rip_thread.h"
#include "cdaccess/cdio_access.h"
#include "cddb/cddb_disc_id.h"
#include "jobs/job_engine.h"
#include "jobs/part_file.h"
#include "jobs/rip_verification.h"
#include "metadata/disc_ids.h"
#include "settings/disc_info.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/options_store.h"
#include "settings/process_info.h"
#include "verify/rip_log_head.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

std::atomic<bool> g_interrupted{false};
// Written by the signal handler, read by the event loop: a stop reaches the
// job at once, not at the next poll.
int g_signalPipe[2] = {-1, -1};

extern "C" void onInterrupt(int)
{
    g_interrupted = true;
    const char byte = 1;
    if (g_signalPipe[1] >= 0 && ::write(g_signalPipe[1], &byte, 1) < 0) {
        // Nothing to do in a signal handler; the flag is set.
    }
}

void print(std::FILE* f, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), f);
    std::fflush(f);
}

int fail(const QString& reason, int code = kExitFailed)
{
    print(stderr, QStringLiteral("quillon: %1\n").arg(reason));
    return code;
}

// The drive a command reads, open, with its table of contents.
struct TOpenDisc {
    TCDREC Drive;
    int Number = 0;
    HCDROM Handle = 0;
    TTOC Toc;
    QString Key;
    TOpenDisc() = default;
    TOpenDisc(const TOpenDisc&) = delete;
    TOpenDisc& operator=(const TOpenDisc&) = delete;
    ~TOpenDisc() { CloseCDDrive(Handle); }
};

// The reason of a failed drive access: the library's text names the device
// already when it is about an image.
QString accessError(const QString& what, const QString& device)
{
    const QString why = cdAccess().LastErrorText();
    if (why.contains(device))
        return why.left(1).toLower() + why.mid(1);
    return QStringLiteral("%1 %2: %3").arg(what, device, why);
}

bool openDisc(const TCliRequest& r, TOpenDisc& disc, QString& error)
{
    const std::vector<TCDREC> drives = cdAccess().GetCDList();
    int index = -1;
    if (!r.Image.isEmpty()) {
        const QString wanted = QFileInfo(r.Image).absoluteFilePath();
        for (size_t i = 0; i < drives.size(); ++i) {
            if (drives[i].IsImage && QFileInfo(drives[i].Device).absoluteFilePath() == wanted)
                index = int(i);
        }
        if (index < 0) {
            error = QStringLiteral("cannot use the disc image %1").arg(r.Image);
            return false;
        }
    } else {
        const int number = r.Drive > 0 ? r.Drive : 1;
        if (drives.empty()) {
            error = QStringLiteral("no CD drive found (a disc image is read with --cd-image FILE)");
            return false;
        }
        if (number > int(drives.size())) {
            error = QStringLiteral("there is no drive %1 (see quillon drives)").arg(number);
            return false;
        }
        index = number - 1;
    }
    disc.Drive = drives[size_t(index)];
    disc.Number = index + 1;
    disc.Handle = cdAccess().GetCDHandle(disc.Drive);
    if (disc.Handle == 0) {
        error = accessError(QStringLiteral("cannot open"), disc.Drive.Device);
        return false;
    }
    cdAccess().ModifyCDParms(disc.Handle, kCDParmAddressMode, kAddressModeMsf);
    if (!cdAccess().ReadTOC(disc.Handle, disc.Toc)) {
        error = accessError(QStringLiteral("no disc in"), disc.Drive.Device);
        return false;
    }
    if (!AudioCDPresent(disc.Toc)) {
        error = QStringLiteral("the disc in %1 has no audio tracks").arg(disc.Drive.Device);
        return false;
    }
    disc.Key = DiscKeyFromTOC(disc.Toc);
    return true;
}

QString trackTitle(int n)
{
    const QString& stored = n < int(OptionsSetting.CDInfo.Tracks.size())
                                ? OptionsSetting.CDInfo.Tracks[size_t(n)]
                                : QString();
    return stored.isEmpty() ? DefaultTrackTitle(n) : stored;
}

// Minutes, seconds and hundredths: a disc's sectors are 1/75 s, and whole
// seconds would make a track of 3.5 s read as 3.
QString lengthText(std::int32_t frames)
{
    const std::int64_t hundredths =
        (std::int64_t(frames) * 100 + kFramesPerSecond / 2) / kFramesPerSecond;
    return TimeText(hundredths / 100) + QLatin1Char('.') + TwoDigits(int(hundredths % 100));
}

// The output folder of a job: --output, else the setting, else the current
// folder; made when missing.
bool prepareOutputFolder(const TCliRequest& r, QString& error)
{
    QString folder = r.Output;
    if (folder.isEmpty())
        folder = OptionsSetting.CommonOptions.OutputFolder;
    if (folder.isEmpty())
        folder = QDir::currentPath();
    folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (QFileInfo::exists(folder) && !QFileInfo(folder).isDir()) {
        error = QStringLiteral("the output folder %1 is a file").arg(folder);
        return false;
    }
    std::error_code made;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), made);
    if (made) {
        error = QStringLiteral("cannot make the output folder %1: %2")
                    .arg(folder, QString::fromLocal8Bit(made.message().c_str()));
        return false;
    }
    if (!CheckWritableFolder(folder, &error))
        return false;
    OptionsSetting.CommonOptions.OutputFolder = folder;
    return true;
}

// Runs one job to its end in an event loop, lists the files made on standard
// output and the summary on standard error when anything was not made.
// An extraction (drive given) prints each track's verification, the CTDB's
// result and the rip log, and fails when a track did not verify.
int runJob(TJobKind kind, HCDROM handle, const QStringList& items, TCliPrompts& prompts,
           const TCDREC* drive = nullptr)
{
    TCliJobView view(stderr, isatty(STDERR_FILENO));
    prompts.beforeWrite = [](void* v) { static_cast<TCliJobView*>(v)->breakLine(); };
    prompts.beforeWriteContext = &view;
    TJobEngine engine(kind, handle, items, view);
    TRipVerification* verification = engine.Verification();
    if (verification && drive) {
        verification->setDrive(DriveLogText(*drive), drive->IsImage);
    }
    QEventLoop loop;
    view.setLoop(&loop);

    g_interrupted = false;
    // Made once and kept: the handler stays for the rest of the run, so
    // that a Ctrl+C that comes as the job ends finds an open pipe and lets
    // the program finish its report instead of killing it.
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_signalPipe[0] = g_signalPipe[1] = -1;
    // Without SA_RESTART, so that a question waiting on the terminal is
    // answered "no" by Ctrl+C.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::unique_ptr<QSocketNotifier> notifier;
    if (g_signalPipe[0] >= 0) {
        notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&] {
            char bytes[16];
            while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
            }
            if (!engine.Finished())
                engine.Stop();
        });
    }

    engine.Start();
    if (g_interrupted && !engine.Finished())
        engine.Stop();
    if (!view.closed())
        loop.exec();
    notifier.reset();
    view.breakLine();

    const TJobSummary& summary = engine.Summary();
    for (const QString& file : summary.madeFiles())
        print(stdout, file + QLatin1Char('\n'));
    if (!summary.clean()) {
        const QStringList lines = summary.text().split(QLatin1Char('\n'));
        for (const QString& line : lines)
            print(stderr, QStringLiteral("quillon: %1\n").arg(line));
    }
    if (summary.stopped())
        return kExitInterrupted;
    bool failed = !summary.jobError().isEmpty() || summary.count(TItemOutcome::Failed) > 0 ||
                  summary.count(TItemOutcome::Pending) > 0;
    if (verification && verification->rip() && !verification->rip()->tracks().empty()) {
        print(stdout, QStringLiteral("CTDB: %1\n").arg(verification->rip()->ctdbResultText()));
        if (!engine.LogPath().isEmpty())
            print(stdout,
                  QStringLiteral("Rip log: %1\n").arg(QDir::toNativeSeparators(engine.LogPath())));
        failed = failed || !verification->rip()->doubtfulTracks().empty();
    }
    return failed ? kExitFailed : 0;
}

int runDrives()
{
    const std::vector<TCDREC> drives = cdAccess().GetCDList();
    if (drives.empty())
        return fail(
            QStringLiteral("no CD drive found (a disc image is read with --cd-image FILE)"));
    for (size_t i = 0; i < drives.size(); ++i) {
        print(stdout, QStringLiteral("%1  %2  %3%4\n")
                          .arg(i + 1)
                          .arg(drives[i].Device, drives[i].Name(),
                               drives[i].IsImage ? QStringLiteral("  (image)") : QString()));
    }
    return 0;
}

int runLookup(const TCliRequest& r)
{
    TOpenDisc disc;
    QString error;
    if (!openDisc(r, disc, error))
        return fail(error);
    return RunLookupCommand(r, disc.Toc, disc.Handle);
}

int runToc(const TCliRequest& r)
{
    TOpenDisc disc;
    QString error;
    if (!openDisc(r, disc, error))
        return fail(error);
    LoadSaveDiscInfo(disc.Key, true);
    const TTOC& toc = disc.Toc;
    QString text = QStringLiteral("Drive %1: %2 (%3)\n")
                       .arg(disc.Number)
                       .arg(disc.Drive.Name(), disc.Drive.Device);
    text += QStringLiteral("Disc key: %1\n").arg(disc.Key);
    text += QStringLiteral("CDDB disc id: %1\n")
                .arg(IsUsableCddbToc(toc) ? CddbDiscIdText(CddbDiscId(toc)) : QStringLiteral("-"));
    const std::optional<TDiscIds> ids = DiscIdsOf(toc);
    text += QStringLiteral("MusicBrainz disc id: %1\n")
                .arg(ids ? ids->MusicBrainz : QStringLiteral("-"));
    const TCDInfo& info = OptionsSetting.CDInfo;
    if (!info.Artist.isEmpty() || !info.Album.isEmpty())
        text += QStringLiteral("Title: %1 / %2\n").arg(info.Artist, info.Album);
    text += QStringLiteral("Tracks: %1, total %2\n")
                .arg(toc.TrackCount())
                .arg(lengthText(toc.Entries.back().MsfFrames() - toc.Entries.front().MsfFrames()));
    text += QStringLiteral("Track  Length    WAV bytes  Title\n");
    for (int k = 0; k < toc.TrackCount(); ++k) {
        const TTOCTRACK& e = toc.Entries[size_t(k)];
        const std::int32_t frames = toc.Entries[size_t(k) + 1].MsfFrames() - e.MsfFrames();
        const qint64 bytes = qint64(frames) * kSectorSize + kWavHeaderSize;
        text += QStringLiteral("%1  %2  %3  %4\n")
                    .arg(k + 1, 5)
                    .arg(lengthText(frames), 8)
                    .arg(e.IsAudio() ? QString::number(bytes) : QStringLiteral("-"), 9)
                    .arg(e.IsAudio() ? trackTitle(k + 1) : QStringLiteral("(data)"));
    }
    print(stdout, text);
    return 0;
}

TCliPrompts::TAnswer overwriteAnswer(const TCliRequest& r)
{
    if (r.Overwrite)
        return TCliPrompts::TAnswer::Yes;
    if (r.NoOverwrite)
        return TCliPrompts::TAnswer::No;
    return TCliPrompts::TAnswer::Ask;
}

int runExtract(const TCliRequest& r)
{
    TOpenDisc disc;
    QString error;
    if (!openDisc(r, disc, error))
        return fail(error);
    if (!r.Format.isEmpty())
        OptionsSetting.CommonOptions.OutputFormat = CliFormatIndex(r.Format);
    if (!r.NameTemplate.isEmpty())
        OptionsSetting.CommonOptions.NameTemplate = r.NameTemplate;
    const int format = OptionsSetting.CommonOptions.OutputFormat;
    if (format < ofMP3 || format > ofOpus)
        return fail(QStringLiteral("options.ini names no output format I know (use --format)"));
    if (!prepareOutputFolder(r, error))
        return fail(error);

    const TTOC& toc = disc.Toc;
    std::vector<int> tracks;
    if (!r.Tracks.isEmpty()) {
        const auto parsed = ParseTrackList(r.Tracks, toc.TrackCount(), error);
        if (!parsed)
            return fail(error, kExitUsage);
        tracks = *parsed;
        for (int t : tracks) {
            if (!toc.Entries[size_t(t - 1)].IsAudio())
                return fail(QStringLiteral("track %1 is a data track").arg(t), kExitUsage);
        }
    } else {
        for (int t = 1; t <= toc.TrackCount(); ++t) {
            if (toc.Entries[size_t(t - 1)].IsAudio())
                tracks.push_back(t);
        }
    }
    if (tracks.size() > 99)
        return fail(QStringLiteral("a disc holds at most 99 tracks"));

    LoadSaveDiscInfo(disc.Key, true);
    if (!ChooseExtractTitles(r, disc.Toc, disc.Handle, disc.Key,
                             OptionsSetting.CommonOptions.OutputFolder, error))
        return fail(error);

    QStringList items;
    for (int t : tracks)
        items << TwoDigits(t) + trackTitle(t);
    TCliPrompts prompts(overwriteAnswer(r));
    setPrompts(&prompts);
    if (r.ReadOffset)
        OptionsSetting.Verify.ReadOffset = *r.ReadOffset;
    if (r.Verify)
        OptionsSetting.Verify.AccurateRip = OptionsSetting.Verify.CTDB = true;
    const int rc = runJob(TJobKind::Extract, disc.Handle, items, prompts, &disc.Drive);
    setPrompts(nullptr);
    return rc;
}

// offset --find and verify: read on this thread, Ctrl+C stops them.
int runVerification(const TCliRequest& r)
{
    TOpenDisc disc;
    QString error;
    if (!openDisc(r, disc, error))
        return fail(error);
    if (r.Command == TCliCommand::Verify) {
        if (!prepareOutputFolder(r, error))
            return fail(error);
        LoadSaveDiscInfo(disc.Key, true);
    }
    g_interrupted = false;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const int rc =
        r.Command == TCliCommand::Offset
            ? RunOffsetCommand(disc.Handle, &g_interrupted)
            : RunVerifyCommand(r, disc.Drive, disc.Handle, disc.Toc,
                               OptionsSetting.CommonOptions.OutputFolder, &g_interrupted);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    return g_interrupted ? kExitInterrupted : rc;
}

int runConvert(const TCliRequest& r)
{
    const int format = CliFormatIndex(r.Format);
    TJobKind kind = TJobKind::WavToMp3;
    switch (format) {
    case ofMP3:
        kind = TJobKind::WavToMp3;
        break;
    case ofWAV:
        kind = TJobKind::Mp3ToWav;
        break;
    case ofOGG:
        kind = TJobKind::WavToOgg;
        break;
    case ofWMA:
        kind = TJobKind::WavToWma;
        break;
    case ofFLAC:
        kind = TJobKind::WavToFlac;
        break;
    case ofOpus:
        kind = TJobKind::WavToOpus;
        break;
    default:
        return fail(QStringLiteral("unknown format %1").arg(r.Format), kExitUsage);
    }
    QStringList items;
    for (const QString& file : r.Files) {
        const QFileInfo fi(file);
        if (!fi.isFile() || !fi.isReadable())
            return fail(QStringLiteral("cannot read %1").arg(file));
        items << fi.absoluteFilePath();
    }
    if (items.size() > 99)
        return fail(QStringLiteral("at most 99 files at once"), kExitUsage);
    QString error;
    if (!prepareOutputFolder(r, error))
        return fail(error);

    TCliPrompts prompts(overwriteAnswer(r));
    setPrompts(&prompts);
    const int rc = runJob(kind, 0, items, prompts);
    setPrompts(nullptr);
    return rc;
}

} // namespace

bool IsCliInvocation(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--cd-image") == 0) {
            ++i;
            continue;
        }
        if (std::strncmp(arg, "--cd-image=", 11) == 0)
            continue;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 ||
            std::strcmp(arg, "--version") == 0)
            return true;
        // A word is a command; an unknown one is reported by the parser.
        if (arg[0] != '-')
            return true;
        // Other options (Qt's -platform and the like) belong to the windows.
        return false;
    }
    return false;
}

int RunCli(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.contains(QStringLiteral("--version"))) {
        print(stdout, QStringLiteral("quillon %1\n").arg(QStringLiteral(QUILLON_VERSION)));
        return 0;
    }

    QString error;
    const auto request = ParseCliArguments(args, error);
    if (!request)
        return fail(error, kExitUsage);
    if (request->Help || request->Command == TCliCommand::Help) {
        print(stdout, CliHelpText(request->Command));
        return 0;
    }
    QStringList images;
    for (const QString& image : request->Images)
        images << QFileInfo(image).absoluteFilePath();
    AddImageDrives(images);
    // Those of $QUILLON_CD_IMAGES as well: an image that is not there is no drive.
    for (const QString& image : ImageDrivePaths()) {
        if (!QFileInfo(image).isFile())
            return fail(QStringLiteral("cannot read the disc image %1: no such file").arg(image));
    }

    try {
        LoadSaveOptions(true);
        switch (request->Command) {
        case TCliCommand::Drives:
            return runDrives();
        case TCliCommand::Toc:
            return runToc(*request);
        case TCliCommand::Lookup:
            return runLookup(*request);
        case TCliCommand::Extract:
            return runExtract(*request);
        case TCliCommand::Convert:
            return runConvert(*request);
        case TCliCommand::Offset:
        case TCliCommand::Verify:
            return runVerification(*request);
        case TCliCommand::Resample:
            return RunResampleCommand(*request, [&](QString& folder, QString& error) {
                const bool ok = prepareOutputFolder(*request, error);
                folder = OptionsSetting.CommonOptions.OutputFolder;
                return ok;
            });
        case TCliCommand::None:
        case TCliCommand::Help:
            break;
        }
    } catch (const std::exception& e) {
        return fail(QString::fromLocal8Bit(e.what()));
    }
    return fail(QStringLiteral("no command given (see quillon --help)"), kExitUsage);
}
