#include "job_engine.h"

#include "audio/vorbis_library.h"
#include "jobs/extract_tag.h"
#include "jobs/job_texts.h"
#include "jobs/rip_verification.h"
#include "jobs/safe_file_name.h"
#include "jobs/steps/flac_step.h"
#include "jobs/steps/mp3_step.h"
#include "jobs/steps/ogg_step.h"
#include "jobs/steps/opus_step.h"
#include "jobs/steps/resample_step.h"
#include "jobs/steps/rip_step.h"
#include "jobs/steps/wma_step.h"
#include "jobs/wav_input_check.h"
#include "jobs/wma_job_encoder.h"
#include "settings/global.h"
#include "settings/prompts.h"
#include "tags/cover_image.h"
#include "tags/name_template.h"
#include "tags/tag_writer.h"
#include "verify/cue_sheet.h"
#include "verify/verified_rip.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>
#include <thread>

namespace {

QString extensionOf(int format)
{
    switch (format) {
    case ofMP3:
        return QStringLiteral(".mp3");
    case ofOGG:
        return QStringLiteral(".ogg");
    case ofWMA:
        return QStringLiteral(".wma");
    case ofFLAC:
        return QStringLiteral(".flac");
    case ofOpus:
        return QStringLiteral(".opus");
    default:
        return QStringLiteral(".wav");
    }
}

bool isEncoding(TStepKind kind)
{
    return kind != TStepKind::Rip;
}

// The format a job of this kind makes; -1 for MP3 decoding.
int outputFormatOf(TJobKind kind, int extractFormat)
{
    switch (kind) {
    case TJobKind::Extract:
        return extractFormat;
    case TJobKind::Mp3ToWav:
        return -1;
    case TJobKind::WavToOgg:
        return ofOGG;
    case TJobKind::WavToWma:
        return ofWMA;
    case TJobKind::WavToFlac:
        return ofFLAC;
    case TJobKind::WavToOpus:
        return ofOpus;
    default:
        return ofMP3;
    }
}

// How the tags of a format are laid out; false for WAV.
bool tagFormatOf(int format, TTagFormat* tagFormat)
{
    switch (format) {
    case ofMP3:
        *tagFormat = TTagFormat::Mp3;
        return true;
    case ofOGG:
        *tagFormat = TTagFormat::OggVorbis;
        return true;
    case ofWMA:
        *tagFormat = TTagFormat::Wma;
        return true;
    case ofFLAC:
        *tagFormat = TTagFormat::Flac;
        return true;
    case ofOpus:
        *tagFormat = TTagFormat::Opus;
        return true;
    default:
        return false;
    }
}

} // namespace

int JobEncoderCount(int setting)
{
    if (setting > 0)
        return std::min(setting, int(kMaxEncoders));
    return std::clamp(int(std::thread::hardware_concurrency()), 1, int(kMaxEncoders));
}

TJobEngine::TJobEngine(TJobKind kind, HCDROM cdHandle, const QStringList& items, IJobView& view,
                       IJobEncoder* mp3, QObject* parent, const TOptionsSetting* options)
    : QObject(parent), m_kind(kind), m_cdHandle(cdHandle), m_items(items),
      m_count(int(items.size())), m_view(view), m_mp3(mp3 ? mp3 : &jobMp3Encoder()),
      m_wma(&jobWmaEncoder()), m_options(options ? *options : OptionsSetting),
      m_folder(QDir::cleanPath(m_options.CommonOptions.OutputFolder)),
      m_format(m_options.CommonOptions.OutputFormat), m_keepWav(m_options.CommonOptions.IsKeepWav),
      m_encoders(JobEncoderCount(m_options.Encoders))
{
    const TCommonOptions& c = m_options.CommonOptions;
    const TVerifySettings v = VerifySettingsFrom(m_options);
    const bool cut = c.EnableRipTime && c.RipTime >= 0;
    if (m_kind == TJobKind::Extract && !cut && m_options.Verify.RipHiddenTrack)
        addHiddenTrackItem();
    nameOutputs();
    // Burst reads with both databases off is the plain rip the user asked
    // for, unless the audio before track 1 is wanted: only the verified
    // reading reads it.
    const bool nothingToCheck = v.Mode == TReadMode::Burst && !v.AccurateRip && !v.Ctdb;
    if (m_kind == TJobKind::Extract && !cut && (!nothingToCheck || hiddenItem(0)))
        m_verification = std::make_shared<TRipVerification>(m_options);
}

void TJobEngine::addHiddenTrackItem()
{
    const auto has = [this](int track) {
        return std::any_of(m_items.begin(), m_items.end(),
                           [track](const QString& item) { return ItemTrack(item) == track; });
    };
    if (!has(1) || has(0))
        return;
    // Whether the sectors before track 1 hold more than silence is known only
    // once they are read; a disc without any gets no item at all.
    TTOC toc;
    if (!cdAccess().ReadTOC(m_cdHandle, toc) || DiscLayoutOf(toc).HiddenSectors <= 0)
        return;
    m_items.prepend(TwoDigits(0) + QStringLiteral("Hidden Track"));
    m_count = int(m_items.size());
}

bool TJobEngine::hiddenItem(int i) const
{
    return m_kind == TJobKind::Extract && i >= 0 && i < m_count && ItemTrack(m_items[i]) == 0;
}

TJobEngine::~TJobEngine()
{
    FinishJob();
}

QString TJobEngine::ItemTitle(const QString& item)
{
    return item.mid(2);
}

int TJobEngine::ItemTrack(const QString& item)
{
    return item.left(2).toInt();
}

void TJobEngine::nameOutputs()
{
    m_work.clear();
    m_work.resize(size_t(m_count));
    m_phase.assign(size_t(m_count), TPhase::Waiting);
    TUniqueStems stems;
    std::map<QString, TUniqueStems> folderStems;
    const QString nameTemplate = m_options.CommonOptions.NameTemplate.trimmed().isEmpty()
                                     ? DefaultNameTemplate()
                                     : m_options.CommonOptions.NameTemplate;
    QStringList names;
    QStringList outputs;
    const QString folder = m_folder + QLatin1Char('/');
    for (int i = 0; i < m_count; ++i) {
        TJobItem& item = m_work[size_t(i)];
        const QString& entry = m_items[i];
        switch (m_kind) {
        case TJobKind::Extract: {
            // "Artist/Album/01 Title": the template's folders, then a name
            // no other item of the job takes in that folder.
            const QString relative =
                ExpandNameTemplate(nameTemplate, tagsFor(i), QString(), hiddenItem(i));
            const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
            const QString subfolder = relative.left(slash + 1);
            const int extBytes = std::max(int(extensionOf(m_format).size()), 4);
            const QString stem =
                folderStems.try_emplace(subfolder.toCaseFolded(), kMaxFileNameBytes - extBytes)
                    .first->second.take(relative.mid(slash + 1));
            item.Output = folder + subfolder + stem + extensionOf(m_format);
            if (m_keepWav && m_format != ofWAV)
                item.KeptWav = folder + subfolder + stem + QStringLiteral(".wav");
            names << ItemTitle(entry);
            break;
        }
        case TJobKind::RecordToMp3: {
            // Beside the recording, not in the output folder.
            const QFileInfo in(entry);
            item.Input = in.absoluteFilePath();
            item.Output = in.absolutePath() + QLatin1Char('/') + in.completeBaseName() +
                          QStringLiteral(".mp3");
            names << entry;
            break;
        }
        default: {
            item.Input = QFileInfo(entry).absoluteFilePath();
            const int format = outputFormatOf(m_kind, m_format);
            const QString ext = extensionOf(format < 0 ? int(ofWAV) : format);
            item.Output = ConvertedFilePath(m_folder, entry, i + 1, ext, stems);
            names << entry;
            break;
        }
        }
        outputs << item.Output;
    }
    m_summary.reset(m_kind == TJobKind::Extract, names, outputs);
}

QString TJobEngine::OutputPath(int i) const
{
    return i >= 0 && i < int(m_work.size()) ? m_work[size_t(i)].Output : QString();
}

QString TJobEngine::statusText(const char* word, int i) const
{
    const QString name = m_kind == TJobKind::Extract ? ItemTitle(m_items[i]) : m_items[i];
    return QString::fromLatin1(word) + TwoDigits(i + 1) + QLatin1Char('/') + TwoDigits(m_count) +
           QStringLiteral("): ") + name;
}

void TJobEngine::Start()
{
    if (m_started || m_finished)
        return;
    m_started = true;
    m_clock.start();
    if (m_count == 0) {
        endJob();
        return;
    }
    if (m_kind == TJobKind::Extract && (m_format < ofMP3 || m_format > ofOpus)) {
        m_summary.setJobError(QStringLiteral("The output format setting is not one of MP3, WAV, "
                                             "OGG, WMA, FLAC or Opus"));
        endJob();
        return;
    }
    // Without the Ogg libraries a Vorbis job does not begin at all.
    if (m_kind == TJobKind::WavToOgg || (m_kind == TJobKind::Extract && m_format == ofOGG)) {
        try {
            vorbis::RequireVorbisLibraries();
        } catch (const std::exception& e) {
            m_summary.setJobError(QString::fromUtf8(e.what()));
            endJob();
            return;
        }
    }
    // One look at the output folder, instead of one failure per item.
    const QString folder =
        m_kind == TJobKind::RecordToMp3 ? QFileInfo(m_work[0].Output).absolutePath() : m_folder;
    QString error;
    if (!CheckWritableFolder(folder, &error)) {
        m_summary.setJobError(error);
        endJob();
        return;
    }
    m_view.setInitializing(JobText("RES_Initing", "Initializing..."), true);
    // Every question comes now, so that the job then runs to its end
    // without anyone watching.
    for (int i = 0; i < m_count && !m_finished; ++i) {
        if (!prepareItem(i))
            itemDone(i);
    }
    schedule();
}

bool TJobEngine::prepareItem(int i)
{
    TJobItem& item = m_work[size_t(i)];
    if (m_kind != TJobKind::Extract) {
        if (item.Input == QFileInfo(item.Output).absoluteFilePath()) {
            m_summary.failed(i, QStringLiteral("%1 would replace its own input").arg(item.Input));
            return false;
        }
        const QFileInfo in(item.Input);
        if (!in.isFile() || !in.isReadable()) {
            m_summary.failed(i, QStringLiteral("cannot read %1").arg(item.Input));
            return false;
        }
        const QString refusal = m_kind == TJobKind::Mp3ToWav ? CheckMp3Input(item.Input)
                                                             : CheckWavInput(item.Input).Reason;
        if (!refusal.isEmpty()) {
            m_summary.failed(i, refusal);
            return false;
        }
    }
    if (!mayWrite(i, item.Output, item.ReplaceOutput))
        return false;
    return item.KeptWav.isEmpty() || mayWrite(i, item.KeptWav, item.ReplaceWav);
}

bool TJobEngine::mayWrite(int i, const QString& path, bool& replace)
{
    const QFileInfo info(path);
    replace = false;
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir()) {
        m_summary.failed(i, QStringLiteral("%1 is a folder").arg(path));
        return false;
    }
    // The recorder has asked about this file already.
    if (m_kind != TJobKind::RecordToMp3) {
        const PromptButton answer =
            prompts().message(path + JobText("RES_File_Exist", " has existed,overite it?"),
                              PromptIcon::Information, pbYes | pbNo);
        if (answer != pbYes) {
            m_summary.skipped(i, QStringLiteral("%1 exists and was kept").arg(path));
            return false;
        }
    }
    if (IsFileInUse(path)) {
        m_summary.failed(i, path + JobText("RES_Operate_Fail", "maybe be used,operate fail!"));
        return false;
    }
    replace = true;
    return true;
}

int TJobEngine::runningEncoders() const
{
    return int(std::count_if(m_steps.begin(), m_steps.end(),
                             [](const auto& s) { return isEncoding(s->kind()); }));
}

int TJobEngine::wavsHeld() const
{
    return int(std::count_if(m_phase.begin(), m_phase.end(), [](TPhase p) {
        return p == TPhase::Ripping || p == TPhase::Ripped || p == TPhase::Working;
    }));
}

void TJobEngine::schedule()
{
    if (m_finished || m_scheduling)
        return;
    m_scheduling = true;
    if (m_kind == TJobKind::Extract) {
        // Ripped tracks go to free encoders first, oldest first; then the
        // drive reads on while there is room for one more WAV file.
        for (int i = 0; i < m_count && !m_finished && runningEncoders() < m_encoders; ++i) {
            if (m_phase[size_t(i)] == TPhase::Ripped)
                startWork(i);
        }
        const bool ripping = std::any_of(m_steps.begin(), m_steps.end(),
                                         [](const auto& s) { return s->kind() == TStepKind::Rip; });
        const int limit = m_format == ofWAV ? 1 : m_encoders + 1;
        while (!m_finished && !ripping && m_nextItem < m_count && wavsHeld() < limit) {
            const int i = m_nextItem++;
            if (m_phase[size_t(i)] == TPhase::Waiting && startRip(i))
                break;
        }
    } else {
        while (!m_finished && m_nextItem < m_count && runningEncoders() < m_encoders) {
            const int i = m_nextItem++;
            if (m_phase[size_t(i)] == TPhase::Waiting)
                startWork(i);
        }
    }
    m_scheduling = false;
    if (!m_finished && m_steps.empty() &&
        std::all_of(m_phase.begin(), m_phase.end(), [](TPhase p) { return p == TPhase::Over; })) {
        writeAlbumGain();
        endJob();
    }
}

bool TJobEngine::launch(std::unique_ptr<TJobStep> step, const char* status, const QString& caption)
{
    const int i = step->item();
    TJobStep* s = step.get();
    s->OnProgress = [this](TJobStep& st) { stepProgress(st); };
    s->OnEnded = [this](TJobStep& st, const TStepEnd& end) { stepEnded(st, end); };
    setStatus(statusText(status, i));
    if (!caption.isEmpty())
        m_view.setFrameCaption(caption);
    // A view may end the job from inside its calls.
    if (m_finished)
        return false;
    ++m_stepsStarted;
    m_steps.push_back(std::move(step));
    TStepEnd failure;
    if (s->start(failure)) {
        showProgress();
        return true;
    }
    retire(*s);
    if (failure.Result == TStepResult::JobFailed)
        failJob(i, failure.Message);
    else
        itemFailed(i, failure.Message);
    return false;
}

bool TJobEngine::startRip(int i)
{
    TJobItem& item = m_work[size_t(i)];
    // The WAV is the output itself, the WAV to keep, or a work file under a
    // hidden name no user file has.
    const QFileInfo output(item.Output);
    const bool work = m_format != ofWAV && item.KeptWav.isEmpty();
    const QString wav = m_format == ofWAV ? item.Output
                        : !work           ? item.KeptWav
                                : output.path() + QLatin1Char('/') + output.completeBaseName() +
                                      QStringLiteral(".wav");
    if (!makeFolderOf(i, wav))
        return false;
    item.Wav = TPartFile(wav);
    if (!item.Wav.create()) {
        itemFailed(i, item.Wav.errorText());
        return false;
    }
    m_phase[size_t(i)] = TPhase::Ripping;
    m_mostWavsHeld = std::max(m_mostWavsHeld, wavsHeld());
    const QString shown = work ? QStringLiteral("a temporary file in %1").arg(output.path()) : wav;
    auto step = std::make_unique<TRipStep>(i, m_cdHandle, ItemTrack(m_items[i]), item.Wav.path(),
                                           shown, m_options.CommonOptions);
    if (m_verification)
        step->setVerification(m_verification, output.fileName());
    if (!work)
        step->setKeepsWav();
    return launch(std::move(step), "Extracting(",
                  m_stepsStarted == 0 ? QString() : JobText("RES_Extracting", "Extracting"));
}

bool TJobEngine::needsPreparation(int i)
{
    const TWavInputCheck check = CheckWavInput(m_work[size_t(i)].Input);
    // lame reads the file itself and takes plain 8/16-bit PCM only; the
    // Vorbis writer reads through the WAV reader, which narrows by itself,
    // but takes 16-bit samples only.
    if (m_kind == TJobKind::WavToMp3 && check.Verdict == TWavInputCheck::Narrow)
        return true;
    if (m_kind == TJobKind::WavToOgg && check.Verdict == TWavInputCheck::Ready && check.Bits == 8)
        return true;
    return check.SampleRate > 0 && check.SampleRate < TResampleStep::kTargetRate;
}

bool TJobEngine::startWork(int i)
{
    m_phase[size_t(i)] = TPhase::Working;
    if ((m_kind == TJobKind::WavToMp3 || m_kind == TJobKind::WavToOgg) && needsPreparation(i)) {
        TJobItem& item = m_work[size_t(i)];
        item.Prepared = TPartFile(item.Output + QStringLiteral(".wav"));
        if (!item.Prepared.create()) {
            itemFailed(i, item.Prepared.errorText());
            return false;
        }
        return launch(std::make_unique<TResampleStep>(i, item.Input, item.Prepared.path()),
                      "Resampling(", JobText("RES_WAV_RESAMPLE", "Resampling WAV"));
    }
    return startEncode(i);
}

QString TJobEngine::encoderInput(int i) const
{
    const TJobItem& item = m_work[size_t(i)];
    if (item.Prepared.isOpen())
        return item.Prepared.path();
    if (item.Wav.isOpen())
        return item.Wav.path();
    return item.Input;
}

bool TJobEngine::startEncode(int i)
{
    TJobItem& item = m_work[size_t(i)];
    if (!makeFolderOf(i, item.Output))
        return false;
    item.Out = TPartFile(item.Output);
    if (!item.Out.create()) {
        itemFailed(i, item.Out.errorText());
        return false;
    }
    const bool first = m_stepsStarted == 0;
    const QString input = encoderInput(i);
    const bool extract = m_kind == TJobKind::Extract;
    const int format = outputFormatOf(m_kind, m_format);
    // "Use ID3" off leaves an extracted MP3, OGG or WMA without tags, but
    // for the ReplayGain the rip measured.
    const bool plainTags =
        extract && !m_options.UseID3 && (format == ofMP3 || format == ofOGG || format == ofWMA);
    item.Tags = plainTags ? TTrackTags{} : tagsFor(i);
    const QString encoding = JobText("RES_Encoding", "Encoding");
    switch (format) {
    case ofOGG: {
        QStringList comments;
        for (const auto& [key, value] : VorbisCommentPairs(item.Tags, false))
            comments << key + QLatin1Char('=') + value;
        std::unique_ptr<TJobStep> step;
        try {
            step = std::make_unique<TOggStep>(i, input, item.Out.path(), comments, m_options);
        } catch (const std::exception& e) {
            failJob(i, QString::fromUtf8(e.what()));
            return false;
        }
        measureBeside(*step, input);
        return launch(std::move(step), "Encoding(",
                      first ? JobText("RES_WAV_TO_OGG", "Encoding WAV to OGG") : encoding);
    }
    case ofFLAC:
        return launch(std::make_unique<TFlacStep>(i, input, item.Out.path(), item.Tags,
                                                  m_options.ReplayGain, m_options.FlacLevel),
                      "Encoding(",
                      first && !extract ? JobText("RES_WAV_TO_FLAC", "Encoding WAV to FLAC")
                                        : encoding);
    case ofOpus:
        return launch(std::make_unique<TOpusStep>(i, input, item.Out.path(), item.Tags,
                                                  m_options.ReplayGain, m_options.OpusBitRate),
                      "Encoding(",
                      first && !extract ? JobText("RES_WAV_TO_OPUS", "Encoding WAV to Opus")
                                        : encoding);
    case ofWMA: {
        auto step =
            std::make_unique<TWmaStep>(i, *m_wma, input, item.Out.path(), m_kind, m_options);
        measureBeside(*step, input);
        return launch(std::move(step), "Encoding(",
                      first && !extract ? JobText("RES_WAV_TO_WMA", "Encoding WAV to WMA")
                                        : encoding);
    }
    case -1:
        return launch(
            std::make_unique<TMp3Step>(i, false, *m_mp3, input, item.Out.path(), m_kind, m_options),
            "Decoding(",
            first ? JobText("RES_MP3_TO_WAV", "Decoding MP3 to WAV")
                  : JobText("RES_Decoding", "Decoding"));
    default: {
        auto step =
            std::make_unique<TMp3Step>(i, true, *m_mp3, input, item.Out.path(), m_kind, m_options);
        measureBeside(*step, input);
        return launch(std::move(step), "Encoding(",
                      first ? JobText("RES_WAV_TO_MP3", "Encoding WAV to MP3") : encoding);
    }
    }
}

void TJobEngine::measureBeside(TJobStep& step, const QString& input) const
{
    // A recording is tagged in the recorder's own window.
    if (m_options.ReplayGain && m_kind != TJobKind::RecordToMp3)
        step.measureBeside(input);
}

void TJobEngine::retire(TJobStep& step)
{
    step.OnProgress = nullptr;
    step.OnEnded = nullptr;
    const auto it = std::find_if(m_steps.begin(), m_steps.end(),
                                 [&](const auto& s) { return s.get() == &step; });
    if (it == m_steps.end())
        return;
    // The step may be inside its own report handler: it goes once that is over.
    it->release()->deleteLater();
    m_steps.erase(it);
}

void TJobEngine::stepProgress(TJobStep& step)
{
    if (step.normalizing())
        setStatus(statusText("Normalizing(", step.item()));
    if (step.percent() > 0 && !m_progressSeen) {
        m_progressSeen = true;
        m_view.setInitializing(JobText("RES_Initing", "Initializing..."), false);
    }
    showProgress();
}

void TJobEngine::stepEnded(TJobStep& step, const TStepEnd& end)
{
    const int i = step.item();
    const TStepKind kind = step.kind();
    retire(step);
    if (kind == TStepKind::Rip)
        showVerification(i);
    switch (end.Result) {
    case TStepResult::JobFailed:
        failJob(i, end.Message);
        return;
    case TStepResult::Failed:
        itemFailed(i, kind == TStepKind::Rip ? end.Message : encoderFailure(i, end.Message));
        break;
    case TStepResult::Done:
        afterStep(step);
        break;
    }
    showProgress();
    schedule();
}

void TJobEngine::afterStep(TJobStep& step)
{
    const TStepKind kind = step.kind();
    const int i = step.item();
    switch (kind) {
    case TStepKind::Rip:
        if (hiddenItem(i) && !m_verification->track(0)) {
            // Silence before track 1: nothing to make, nothing to report.
            m_summary.dropped(i);
            itemDone(i);
            return;
        }
        ++m_extractedCount;
        if (m_format == ofWAV) {
            commitOutput(i);
            itemDone(i);
        } else {
            m_phase[size_t(i)] = TPhase::Ripped;
        }
        return;
    case TStepKind::Resample:
        // The encoder takes the place the preparation had.
        startEncode(i);
        return;
    case TStepKind::EncodeMp3:
    case TStepKind::EncodeWma:
    case TStepKind::EncodeOgg:
        // Measured beside the encoder; the gain goes in with the other tags.
        takeLoudness(step, i);
        tagOutput(kind, i);
        outputDone(i);
        return;
    case TStepKind::EncodeFlac:
    case TStepKind::EncodeOpus:
        // These measured the audio on its way to the encoder and wrote
        // their tags themselves, the track gain included.
        takeLoudness(step, i);
        outputDone(i);
        return;
    case TStepKind::DecodeMp3:
        commitOutput(i);
        itemDone(i);
        return;
    }
}

void TJobEngine::showVerification(int i)
{
    if (!m_verification)
        return;
    for (const QString& warning : m_verification->takeWarnings())
        m_view.verificationWarning(warning);
    // The audio before track 1 is in no database: the log says how it read.
    const TVerifiedTrack* t =
        hiddenItem(i) ? nullptr : m_verification->track(ItemTrack(m_items[i]));
    if (!t)
        return;
    const QString line = TrackResultLine(t->Number, t->AccurateRip);
    m_view.trackVerified(i, line, t->doubtful());
    if (t->doubtful() && t->complete())
        m_summary.note(i, QStringLiteral("did not verify: %1").arg(line.simplified()));
}

void TJobEngine::writeRipLog()
{
    if (!m_verification || !m_started || m_summary.stopped())
        return;
    QString error;
    m_logPath = m_verification->writeLog(m_folder, extensionOf(m_format).mid(1).toUpper(), &error);
    if (!error.isEmpty())
        m_view.verificationWarning(error);
    if (!m_logPath.isEmpty() && m_options.Verify.CueSheet)
        writeCueSheet();
}

void TJobEngine::writeCueSheet()
{
    const QDir beside = QFileInfo(m_logPath).dir();
    TCueSheet sheet;
    for (int i = 0; i < m_count; ++i) {
        if (m_summary.items()[size_t(i)].Outcome != TItemOutcome::Made)
            continue;
        const TJobItem& item = m_work[size_t(i)];
        const QString name = beside.relativeFilePath(item.Output);
        if (!CueSheetNamesFile(name)) {
            m_summary.note(i, QStringLiteral("No cue sheet: a cue sheet cannot name this file"));
            return;
        }
        const TTrackTags tags = tagsFor(i);
        if (sheet.Tracks.empty()) {
            sheet.Performer = tags.AlbumArtist.isEmpty() ? tags.Artist : tags.AlbumArtist;
            sheet.Title = tags.Album;
            sheet.Date = tags.Date;
            sheet.Genre = tags.Genre;
        }
        const QString performer = tags.Artist == sheet.Performer ? QString() : tags.Artist;
        sheet.Tracks.push_back({ItemTrack(m_items[i]), name, tags.Title, performer, tags.Isrc});
    }
    if (sheet.Tracks.empty())
        return;
    QString error;
    if (!WriteRipLogFile(RipCueSheetPath(m_logPath), CueSheetText(sheet), &error))
        m_view.verificationWarning(error);
}

void TJobEngine::failJob(int i, const QString& text)
{
    m_summary.failed(i, text);
    endJob();
}

void TJobEngine::itemFailed(int i, const QString& reason)
{
    m_summary.failed(i, reason);
    // A track that was not made has no part in the album gain.
    m_work[size_t(i)].Loudness.reset();
    itemDone(i);
}

void TJobEngine::itemDone(int i)
{
    const TPhase was = m_phase[size_t(i)];
    if (was == TPhase::Over)
        return;
    m_phase[size_t(i)] = TPhase::Over;
    // Intermediate and unfinished files of the item go now, not at the end
    // of the job.
    TJobItem& item = m_work[size_t(i)];
    if (item.AwaitsAlbumGain)
        item.discardWorkFiles();
    else
        item.discardTemporaryFiles();
    if (m_kind == TJobKind::Extract && (was == TPhase::Waiting || was == TPhase::Ripping))
        ++m_extractedCount;
    if (m_kind == TJobKind::WavToOgg || (m_kind == TJobKind::Extract && m_format == ofOGG))
        ++m_oggCount;
    else if (m_kind != TJobKind::Extract || m_format != ofWAV)
        ++m_encodedCount;
}

void TJobEngine::commitOutput(int i)
{
    TJobItem& item = m_work[size_t(i)];
    TPartFile& made = m_kind == TJobKind::Extract && m_format == ofWAV ? item.Wav : item.Out;
    if (!made.commit(item.ReplaceOutput)) {
        item.Loudness.reset();
        m_summary.failed(i, made.errorText());
        return;
    }
    m_summary.made(i);
    if (!item.KeptWav.isEmpty() && item.Wav.isOpen() && !item.Wav.commit(item.ReplaceWav))
        m_summary.note(i, item.Wav.errorText());
}

void TJobEngine::takeLoudness(TJobStep& step, int i)
{
    TJobItem& item = m_work[size_t(i)];
    item.Loudness = step.TakeLoudness();
    if (item.Loudness)
        item.Tags.TrackGain = item.Loudness->gain();
}

bool TJobEngine::holdsForAlbumGain() const
{
    TTagFormat format = TTagFormat::Flac;
    return m_kind == TJobKind::Extract && m_options.ReplayGain && tagFormatOf(m_format, &format);
}

void TJobEngine::outputDone(int i)
{
    // A file under its final name is complete, and tagging it again would
    // mean copying it whole; so it keeps its temporary name until the album
    // gain is known, and is then tagged in place (the encoders leave room).
    if (holdsForAlbumGain())
        m_work[size_t(i)].AwaitsAlbumGain = true;
    else
        commitOutput(i);
    itemDone(i);
}

void TJobEngine::writeAlbumGain()
{
    TTagFormat format = TTagFormat::Flac;
    if (!holdsForAlbumGain() || !tagFormatOf(m_format, &format))
        return;
    std::vector<const TLoudness*> tracks;
    for (const TJobItem& item : m_work) {
        if (item.Loudness && item.AwaitsAlbumGain)
            tracks.push_back(item.Loudness.get());
    }
    const TGainValue album = AlbumGain(tracks);
    if (album.Valid)
        setStatus(QStringLiteral("Writing the album gain"));
    for (int i = 0; i < m_count; ++i) {
        TJobItem& item = m_work[size_t(i)];
        if (!item.AwaitsAlbumGain)
            continue;
        item.AwaitsAlbumGain = false;
        if (album.Valid && item.Loudness) {
            item.Tags.AlbumGain = album;
            // An MP3's ID3v1 tag stays as it is. A write that fails may
            // have left the file cut: it never takes its name then.
            QString error;
            if (!WriteTrackTags(item.Out.path(), format, item.Tags, {}, &error)) {
                item.discardTemporaryFiles();
                m_summary.failed(i, QStringLiteral("Could not save the album gain: %1").arg(error));
                continue;
            }
        }
        commitOutput(i);
        item.discardTemporaryFiles();
    }
}

void TJobEngine::commitWaitingOutputs()
{
    for (int i = 0; i < m_count; ++i) {
        TJobItem& item = m_work[size_t(i)];
        if (!item.AwaitsAlbumGain)
            continue;
        item.AwaitsAlbumGain = false;
        commitOutput(i);
    }
}

bool TJobEngine::makeFolderOf(int i, const QString& path)
{
    const QString dir = QFileInfo(path).path();
    // Names come from SafeNamePart, so this only guards against a mistake.
    if (m_kind != TJobKind::RecordToMp3 && dir != m_folder &&
        !QDir::cleanPath(dir).startsWith(m_folder + QLatin1Char('/'))) {
        itemFailed(i, QStringLiteral("%1 is outside the output folder").arg(path));
        return false;
    }
    if (!QDir().mkpath(dir)) {
        itemFailed(i, QStringLiteral("cannot make the folder %1").arg(dir));
        return false;
    }
    return true;
}

TTrackTags TJobEngine::tagsFor(int i) const
{
    if (m_kind == TJobKind::Extract) {
        TTrackTags tags = TrackTagsFromDisc(m_options.CDInfo, ItemTrack(m_items[i]));
        if (hiddenItem(i))
            tags.TrackTotal = 0; // no number to go with it
        // The title as the track list has it, which may have been edited.
        const QString title = ItemTitle(m_items[i]);
        if (!title.trimmed().isEmpty())
            tags.Title = title;
        return tags;
    }
    // A converted file: its name, and the cover of its folder.
    TTrackTags tags;
    const QString& input = m_work[size_t(i)].Input;
    tags.Title = QFileInfo(input).completeBaseName();
    FindCoverBeside(input, &tags.Cover, &tags.CoverMime);
    return tags;
}

void TJobEngine::tagOutput(TStepKind kind, int i)
{
    TJobItem& item = m_work[size_t(i)];
    // A recording is tagged in the recorder's own window; "Use ID3" chooses
    // whether the tracks of an extraction in these formats carry tags.
    if (m_kind == TJobKind::RecordToMp3 ||
        (m_kind == TJobKind::Extract && !m_options.UseID3 && !item.Tags.TrackGain.Valid))
        return;
    // The Vorbis writer put the comments into the stream; only a cover or
    // the gain can be missing.
    if (kind == TStepKind::EncodeOgg && item.Tags.Cover.isEmpty() && !item.Tags.TrackGain.Valid)
        return;
    TTagFormat format = TTagFormat::Mp3;
    tagFormatOf(kind == TStepKind::EncodeMp3   ? int(ofMP3)
                : kind == TStepKind::EncodeWma ? int(ofWMA)
                                               : int(ofOGG),
                &format);
    TTagWriteOptions options;
    if (kind == TStepKind::EncodeMp3 && m_options.UseID3)
        options.Id3v1 = Id3v1TagFor(item.Tags);
    // Into the complete file before it takes its name.
    QString error;
    if (!WriteTrackTags(item.Out.path(), format, item.Tags, options, &error))
        m_summary.note(i, QStringLiteral("Could not save the tags: %1").arg(error));
}

QString TJobEngine::encoderFailure(int i, const QString& message) const
{
    // A writer that ran out of room (or into a size limit) seldom says so in
    // words of the system: try writing there ourselves to learn why.
    const TJobItem& item = m_work[size_t(i)];
    if (item.Out.isOpen()) {
        const QString reason = ProbeWriteFailure(item.Out.path());
        if (!reason.isEmpty())
            return QStringLiteral("cannot write %1: %2").arg(item.Output, reason);
    } else if (item.Prepared.isOpen()) {
        const QString reason = ProbeWriteFailure(item.Prepared.path());
        if (!reason.isEmpty())
            return QStringLiteral("cannot write into %1: %2")
                .arg(QFileInfo(item.Output).path(), reason);
    }
    return message;
}

int TJobEngine::OverallPercent() const
{
    if (m_count == 0)
        return 100;
    // An extraction that encodes counts reading and encoding alike; every
    // item weighs the same.
    const bool twoParts = m_kind == TJobKind::Extract && m_format != ofWAV;
    double done = 0;
    for (int i = 0; i < m_count; ++i) {
        switch (m_phase[size_t(i)]) {
        case TPhase::Over:
            done += 1;
            break;
        case TPhase::Ripped:
            done += 0.5;
            break;
        case TPhase::Working:
            done += twoParts ? 0.5 : 0;
            break;
        default:
            break;
        }
    }
    for (const auto& s : m_steps) {
        const double part = std::clamp(s->percent(), 0, 100) / 100.0;
        done += twoParts ? part / 2 : part;
    }
    return std::clamp(int(done * 100 / m_count), 0, 100);
}

void TJobEngine::showProgress()
{
    if (m_finished)
        return;
    std::vector<TStepLine> lines;
    lines.reserve(m_steps.size());
    for (const auto& s : m_steps) {
        const char* word = "Encoding(";
        switch (s->kind()) {
        case TStepKind::Rip:
            word = s->normalizing() ? "Normalizing(" : "Extracting(";
            break;
        case TStepKind::Resample:
            word = "Resampling(";
            break;
        case TStepKind::DecodeMp3:
            word = "Decoding(";
            break;
        default:
            break;
        }
        QString text = statusText(word, s->item());
        const QString detail = s->detailText();
        if (!detail.isEmpty())
            text += QStringLiteral(" - ") + detail;
        lines.push_back({text, s->percent()});
    }
    m_view.setStepLines(lines);
    // A preparation that ends hands its item to an encoder starting at 0:
    // the gauge does not go back for that.
    const int percent = m_shownPercent = std::max(m_shownPercent, OverallPercent());
    m_view.setProgress(percent, true);
    const qint64 elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    const double seconds = std::nearbyint(double(elapsedMs) / 1000.0);
    const QString elapsed = TimeText(qint64(seconds));
    m_view.setTimes(elapsed, percent > 0 ? TimeText(qint64(std::nearbyint(seconds * 100 / percent)))
                                         : QString());
}

void TJobEngine::setStatus(const QString& text)
{
    if (text == m_status)
        return;
    m_status = text;
    m_view.setStatusLine(text);
}

void TJobEngine::endJob()
{
    FinishJob();
    m_view.closeJob();
}

void TJobEngine::Stop()
{
    if (m_finished)
        return;
    m_summary.setStopped();
    endJob();
}

void TJobEngine::FinishJob()
{
    if (m_finished)
        return;
    m_finished = true;
    // Every worker ends before its temporary file is removed.
    std::vector<std::unique_ptr<TJobStep>> steps;
    steps.swap(m_steps);
    for (auto& s : steps) {
        s->OnProgress = nullptr;
        s->OnEnded = nullptr;
        s->stop();
    }
    steps.clear();
    // Tracks that were complete keep their track gain but get no album gain.
    commitWaitingOutputs();
    for (TJobItem& item : m_work)
        item.discardTemporaryFiles();
    if (m_verification) {
        // The drive's handle may close once the job is over.
        m_verification->release();
        writeRipLog();
    }
    if (m_started)
        m_view.setStepLines({});
}
