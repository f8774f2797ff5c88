#include "job_engine.h"

#include "cdaccess/cd_rip_thread.h"
#include "jobs/extract_tag.h"
#include "jobs/job_texts.h"
#include "jobs/ogg_step.h"
#include "jobs/resample_step.h"
#include "jobs/safe_file_name.h"
#include "jobs/wav_input_check.h"
#include "jobs/wma_step.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"
#include "settings/prompts.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

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
    default:
        return QStringLiteral(".wav");
    }
}

} // namespace

TJobEngine::TJobEngine(TJobKind kind, HCDROM cdHandle, const QStringList& items, IJobView& view,
                       IJobEncoder* mp3, QObject* parent)
    : QObject(parent), m_kind(kind), m_cdHandle(cdHandle), m_items(items),
      m_count(int(items.size())), m_view(view), m_mp3(mp3 ? mp3 : &jobMp3Encoder()),
      m_folder(QDir::cleanPath(OptionsSetting.CommonOptions.OutputFolder)),
      m_format(OptionsSetting.CommonOptions.OutputFormat),
      m_keepWav(OptionsSetting.CommonOptions.IsKeepWav), m_wma(&jobWmaEncoder())
{
    nameOutputs();
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
    TUniqueStems stems;
    QStringList names;
    QStringList outputs;
    const QString folder = m_folder + QLatin1Char('/');
    for (int i = 0; i < m_count; ++i) {
        TJobItem& item = m_work[size_t(i)];
        const QString& entry = m_items[i];
        switch (m_kind) {
        case TJobKind::Extract: {
            const QString stem = stems.take(SafeFileStem(ItemTitle(entry), ItemTrack(entry)));
            item.Output = folder + stem + extensionOf(m_format);
            if (m_keepWav && m_format != ofWAV)
                item.KeptWav = folder + stem + QStringLiteral(".wav");
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
            QString name = QFileInfo(entry).fileName();
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot >= 0)
                name.truncate(dot);
            const QString ext = m_kind == TJobKind::Mp3ToWav   ? QStringLiteral(".wav")
                                : m_kind == TJobKind::WavToOgg ? QStringLiteral(".ogg")
                                : m_kind == TJobKind::WavToWma ? QStringLiteral(".wma")
                                                               : QStringLiteral(".mp3");
            item.Output = folder + stems.take(SafeFileStem(name, i + 1)) + ext;
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

void TJobEngine::setStatus(const char* word, int i)
{
    const QString name = m_kind == TJobKind::Extract ? ItemTitle(m_items[i]) : m_items[i];
    m_view.setStatusLine(QString::fromLatin1(word) + TwoDigits(i + 1) + QLatin1Char('/') +
                         TwoDigits(m_count) + QStringLiteral("): ") + name);
}

void TJobEngine::Start()
{
    if (m_count == 0) {
        endJob();
        return;
    }
    if (m_kind == TJobKind::Extract && (m_format == ofFLAC || m_format == ofOpus)) {
        m_summary.setJobError(QStringLiteral("Extracting to FLAC or Opus is not possible yet. "
                                             "Please choose another output format in Options."));
        endJob();
        return;
    }
    if (m_kind == TJobKind::Extract && (m_format < ofMP3 || m_format > ofWMA)) {
        m_summary.setJobError(QStringLiteral("The output format setting is not one of MP3, WAV, "
                                             "OGG or WMA"));
        endJob();
        return;
    }
    // The Vorbis writer is made before anything starts: without the Ogg
    // libraries the job does not begin at all.
    if ((m_kind == TJobKind::WavToOgg || (m_kind == TJobKind::Extract && m_format == ofOGG)) &&
        !ensureOggStep())
        return;
    // One look at the output folder, instead of one failure per item.
    const QString folder =
        m_kind == TJobKind::RecordToMp3 ? QFileInfo(m_work[0].Output).absolutePath() : m_folder;
    QString error;
    if (!CheckWritableFolder(folder, &error)) {
        m_summary.setJobError(error);
        endJob();
        return;
    }
    startItem(0);
}

void TJobEngine::startItem(int i)
{
    for (; i < m_count && !m_finished; ++i) {
        m_current = i;
        m_progressSeen = false;
        if (prepareItem(i) && startFirstStep(i))
            return;
        if (m_finished)
            return;
        // The item ended before a step ran.
        countItemDone(i);
    }
    if (!m_finished)
        endJob();
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

bool TJobEngine::startFirstStep(int i)
{
    switch (m_kind) {
    case TJobKind::Extract:
        return startStep(TStep::Rip, i);
    case TJobKind::WavToMp3:
        return startStep(needsPreparation(i) ? TStep::Resample : TStep::EncodeMp3, i);
    case TJobKind::RecordToMp3:
        return startStep(TStep::EncodeMp3, i);
    case TJobKind::Mp3ToWav:
        return startStep(TStep::DecodeMp3, i);
    case TJobKind::WavToOgg:
        return startStep(needsPreparation(i) ? TStep::Resample : TStep::EncodeOgg, i);
    case TJobKind::WavToWma:
        return startStep(TStep::EncodeWma, i);
    }
    return false;
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

QString TJobEngine::encoderInput(int i) const
{
    const TJobItem& item = m_work[size_t(i)];
    if (item.Prepared.isOpen())
        return item.Prepared.path();
    if (item.Wav.isOpen())
        return item.Wav.path();
    return item.Input;
}

bool TJobEngine::startStep(TStep step, int i)
{
    const bool firstOfJob = m_stepsStarted++ == 0;
    TJobItem& item = m_work[size_t(i)];
    switch (step) {
    case TStep::Rip: {
        setStatus("Extracting(", i);
        m_view.setInitializing(JobText("RES_Initing", "Initializing..."), true);
        if (!firstOfJob)
            m_view.setFrameCaption(JobText("RES_Extracting", "Extracting"));
        // The WAV is the output itself, the WAV to keep, or a work file
        // under a hidden name no user file has.
        const QFileInfo output(item.Output);
        const bool work = m_format != ofWAV && item.KeptWav.isEmpty();
        const QString wav = m_format == ofWAV ? item.Output
                            : !work           ? item.KeptWav
                                    : output.path() + QLatin1Char('/') + output.completeBaseName() +
                                          QStringLiteral(".wav");
        item.Wav = TPartFile(wav);
        if (!item.Wav.create()) {
            m_summary.failed(i, item.Wav.errorText());
            return false;
        }
        const QString shown =
            work ? QStringLiteral("a temporary file in %1").arg(output.path()) : wav;
        releaseRipThread();
        m_ripThread = std::make_unique<TCDRipThread>(ItemTrack(m_items[i]), item.Wav.path(), shown);
        m_ripThread->CDHandle = m_cdHandle;
        m_ripThread->Window = this;
        m_ripThread->Resume();
        return true;
    }
    case TStep::EncodeMp3:
    case TStep::DecodeMp3: {
        const bool encode = step == TStep::EncodeMp3;
        setStatus(encode ? "Encoding(" : "Decoding(", i);
        if (firstOfJob)
            m_view.setFrameCaption(encode ? JobText("RES_WAV_TO_MP3", "Encoding WAV to MP3")
                                          : JobText("RES_MP3_TO_WAV", "Decoding MP3 to WAV"));
        else
            m_view.setFrameCaption(encode ? JobText("RES_Encoding", "Encoding")
                                          : JobText("RES_Decoding", "Decoding"));
        item.Out = TPartFile(item.Output);
        if (!item.Out.create()) {
            m_summary.failed(i, item.Out.errorText());
            return false;
        }
        try {
            m_mp3->start(this, encoderInput(i), item.Out.path(), encode, m_kind);
        } catch (const std::exception& e) {
            failStart(i, QString::fromUtf8(e.what()));
            return false;
        }
        return true;
    }
    case TStep::EncodeWma:
        return startWma(i, firstOfJob);
    case TStep::Resample: {
        setStatus("Resampling(", i);
        m_view.setFrameCaption(JobText("RES_WAV_RESAMPLE", "Resampling WAV"));
        if (!m_resample) {
            m_resample =
                std::make_unique<TResampleStep>(this, [this](std::unique_ptr<TProcessInfo> info) {
                    HandleProcessInfo(std::move(info));
                });
        }
        item.Prepared = TPartFile(item.Output + QStringLiteral(".wav"));
        if (!item.Prepared.create()) {
            m_summary.failed(i, item.Prepared.errorText());
            return false;
        }
        try {
            m_resample->Start(item.Input, item.Prepared.path());
        } catch (const std::exception& e) {
            m_summary.failed(i,
                             QStringLiteral("%1: %2").arg(item.Input, QString::fromUtf8(e.what())));
            item.Prepared.discard();
            return false;
        }
        return true;
    }
    case TStep::EncodeOgg:
        return startOggStep(i, firstOfJob);
    }
    return false;
}

void TJobEngine::failStart(int i, const QString& text)
{
    m_summary.failed(i, text);
    endJob();
}

void TJobEngine::itemFailed(int i, const QString& reason)
{
    m_summary.failed(i, reason);
    itemDone(i);
}

void TJobEngine::itemDone(int i)
{
    // Intermediate and unfinished files of the item go now, not at the end
    // of the job.
    m_work[size_t(i)].discardTemporaryFiles();
    m_progressSeen = false;
    countItemDone(i);
    startItem(i + 1);
}

void TJobEngine::countItemDone(int i)
{
    if (m_kind == TJobKind::Extract)
        m_extractedCount = i + 1;
    if (m_kind == TJobKind::WavToOgg || (m_kind == TJobKind::Extract && m_format == ofOGG))
        m_oggCount = i + 1;
    else if (m_kind != TJobKind::Extract || m_format != ofWAV)
        m_encodedCount = i + 1;
}

void TJobEngine::commitOutput(int i)
{
    TJobItem& item = m_work[size_t(i)];
    TPartFile& made = m_kind == TJobKind::Extract && m_format == ofWAV ? item.Wav : item.Out;
    if (!made.commit(item.ReplaceOutput)) {
        m_summary.failed(i, made.errorText());
        return;
    }
    m_summary.made(i);
    if (!item.KeptWav.isEmpty() && item.Wav.isOpen() && !item.Wav.commit(item.ReplaceWav))
        m_summary.note(i, item.Wav.errorText());
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

void TJobEngine::releaseRipThread()
{
    m_ripThread.reset(); // joins; the thread has posted its last report
}

bool TJobEngine::event(QEvent* e)
{
    auto* m = dynamic_cast<TMessageEvent*>(e);
    if (!m)
        return QObject::event(e);
    if (m->message() == WM_PROCESSINFO)
        HandleProcessInfo(m->takeInfo());
    else if (m->message() == WM_RIPFAILED)
        HandleRipFailed(m->wParam());
    return true;
}

void TJobEngine::HandleRipFailed(qintptr code)
{
    if (m_finished || m_current < 0)
        return;
    QString text;
    switch (code) {
    case rfAddressMode:
        text = JobText("RES_ModifyCDParmsError", "CD extract failed!Please try again.");
        break;
    case rfReadTOC:
        text = JobText("RES_ReadTocError", "Error while reading TOC information!");
        break;
    default:
        text = JobText("RES_CreateFileError",
                       "WAV file will be created maybe is been using,extract failed!");
        break;
    }
    // The drive cannot be read at all: every further track would fail the same way.
    releaseRipThread();
    failStart(m_current, text);
}

void TJobEngine::HandleProcessInfo(std::unique_ptr<TProcessInfo> info)
{
    if (m_finished || !info)
        return;
    switch (info->Percent) {
    case scNormalizeStarts:
        setStatus("Normalizing(", m_current);
        return;
    case scRipDone:
        afterRip(*info);
        return;
    case scMp3Done:
        afterMp3(*info);
        return;
    case scOggDone:
        afterOgg(*info);
        return;
    case scResampleDone:
        afterResample(*info);
        return;
    case scWmaDone:
        afterWma(*info);
        return;
    default:
        onProgress(*info);
        return;
    }
}

void TJobEngine::afterRip(const TProcessInfo& info)
{
    const int i = m_current;
    releaseRipThread();
    if (info.StepResult != rrOk) {
        QString text = info.Message;
        if (info.StepResult == rrReadFailed) {
            text = JobText("RES_ReadCDAudioError", "Error while reading CD information!");
            if (!info.Message.isEmpty())
                text += QLatin1Char(' ') + info.Message;
        }
        itemFailed(i, text);
        return;
    }
    m_extractedCount = i + 1;
    switch (m_format) {
    case ofWAV:
        commitOutput(i);
        itemDone(i);
        return;
    case ofMP3:
        if (!startStep(TStep::EncodeMp3, i) && !m_finished)
            itemDone(i);
        return;
    case ofOGG:
        if (!startStep(TStep::EncodeOgg, i) && !m_finished)
            itemDone(i);
        return;
    case ofWMA:
        if (!startStep(TStep::EncodeWma, i) && !m_finished)
            itemDone(i);
        return;
    default:
        return;
    }
}

void TJobEngine::afterMp3(const TProcessInfo& info)
{
    const int i = m_current;
    TJobItem& item = m_work[size_t(i)];
    // The encoder says in Message how a step failed (its exit and last
    // line); an empty message is a child that exited with 0.
    const bool ended = info.StepResult == 2;
    if (!ended || !info.Message.isEmpty() || GetFileSizeByName(item.Out.path()) <= 0) {
        QString reason = info.Message;
        if (ended && reason.isEmpty())
            reason = JobText("RES_Check_Mp3Options",
                             "Create MP3 file error!\r\nPlease check the output and lame options "
                             "or run application again.");
        itemFailed(i, encoderFailure(i, reason));
        return;
    }
    if (m_kind == TJobKind::Extract && OptionsSetting.UseID3) {
        // Into the complete file before it takes its name.
        const int result = WriteExtractTag(item.Out.path(), ItemTitle(m_items[i]),
                                           ItemTrack(m_items[i]), OptionsSetting.CDInfo);
        if (result >= 256)
            m_summary.note(i, QStringLiteral("Error #%1! Could not save Tag!").arg(result));
    }
    commitOutput(i);
    itemDone(i);
}

void TJobEngine::afterResample(const TProcessInfo& info)
{
    const int i = m_current;
    if (info.StepResult != 0) {
        itemFailed(i, encoderFailure(i, QStringLiteral("%1: %2").arg(m_items[i], info.Message)));
        return;
    }
    const bool started = m_kind == TJobKind::WavToOgg ? startStep(TStep::EncodeOgg, i)
                                                      : startStep(TStep::EncodeMp3, i);
    if (!started && !m_finished)
        itemDone(i);
}

void TJobEngine::onProgress(const TProcessInfo& info)
{
    setWmaTimer(false);
    m_progressSeen = true;
    m_view.setTimes(info.ElapsedText, info.EstimatedText);
    if (info.Percent > 0) {
        m_view.setInitializing(JobText("RES_Initing", "Initializing..."), false);
        m_view.setProgress(std::min<int>(info.Percent, 100), true);
    }
}

void TJobEngine::FinishJob()
{
    if (m_finished)
        return;
    m_finished = true;
    // Every worker ends before its temporary file is removed.
    if (m_ripThread) {
        m_ripThread->StopRequested = true;
        releaseRipThread();
    }
    if (m_resample)
        m_resample->Stop();
    if (m_ogg)
        m_ogg->stop();
    setWmaTimer(false);
    if (m_mp3->isActive())
        m_mp3->stop();
    if (m_wma->isActive())
        m_wma->stop();
    for (TJobItem& item : m_work)
        item.discardTemporaryFiles();
    m_items.clear();
}
