#include "job_engine.h"

#include "cdaccess/cd_rip_thread.h"
#include "jobs/extract_tag.h"
#include "jobs/job_texts.h"
#include "jobs/ogg_step.h"
#include "jobs/resample_step.h"
#include "jobs/wma_step.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"
#include "settings/prompts.h"

#include <QFile>
#include <QFileInfo>

#include <exception>

namespace {

void showError(const QString& text)
{
    prompts().message(text, PromptIcon::Error, pbOk);
}

// Deletes a work file unless some process still holds it.
void removeIfIdle(const QString& path)
{
    if (QFile::exists(path) && !IsFileInUse(path))
        QFile::remove(path);
}

} // namespace

TJobEngine::TJobEngine(TJobKind kind, HCDROM cdHandle, const QStringList& items, IJobView& view,
                       IJobEncoder* mp3, QObject* parent)
    : QObject(parent), m_kind(kind), m_cdHandle(cdHandle), m_items(items),
      m_count(int(items.size())), m_view(view), m_mp3(mp3 ? mp3 : &jobMp3Encoder()),
      m_wma(&jobWmaEncoder())
{
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

QString TJobEngine::WavName(int i) const
{
    return AddBackslash(OptionsSetting.CommonOptions.OutputFolder) + ItemTitle(m_items[i]) +
           QStringLiteral(".wav");
}

QString TJobEngine::OutName(int i, const QString& ext) const
{
    QString name = QFileInfo(m_items[i]).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return AddBackslash(OptionsSetting.CommonOptions.OutputFolder) + name + ext;
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
    const int format = OptionsSetting.CommonOptions.OutputFormat;
    if (m_kind == TJobKind::Extract && (format == ofFLAC || format == ofOpus)) {
        failStart(QStringLiteral("Extracting to FLAC or Opus is not possible yet. Please choose "
                                 "another output format in Options."));
        return;
    }
    // The Vorbis writer is made before anything starts: without the Ogg
    // libraries the job does not begin at all.
    if ((m_kind == TJobKind::WavToOgg ||
         (m_kind == TJobKind::Extract && OptionsSetting.CommonOptions.OutputFormat == ofOGG)) &&
        !ensureOggStep())
        return;
    switch (m_kind) {
    case TJobKind::Extract:
        startStep(TStep::Rip, 0, true);
        break;
    case TJobKind::WavToMp3:
        if (!startResampleIfNeeded(0, true))
            startStep(TStep::EncodeMp3, 0, true);
        break;
    case TJobKind::RecordToMp3:
        startStep(TStep::EncodeMp3, 0, true);
        break;
    case TJobKind::Mp3ToWav:
        startStep(TStep::DecodeMp3, 0, true);
        break;
    case TJobKind::WavToOgg:
        if (!startResampleIfNeeded(0, true))
            startStep(TStep::EncodeOgg, 0, true);
        break;
    case TJobKind::WavToWma:
        startStep(TStep::EncodeWma, 0, true);
        break;
    }
}

void TJobEngine::startStep(TStep step, int i, bool firstOfJob)
{
    switch (step) {
    case TStep::Rip: {
        setStatus("Extracting(", i);
        m_view.setInitializing(JobText("RES_Initing", "Initializing..."), true);
        if (!firstOfJob)
            m_view.setFrameCaption(JobText("RES_Extracting", "Extracting"));
        releaseRipThread();
        m_ripThread = std::make_unique<TCDRipThread>(ItemTrack(m_items[i]), ItemTitle(m_items[i]));
        m_ripThread->CDHandle = m_cdHandle;
        m_ripThread->Window = this;
        m_ripThread->Resume();
        return;
    }
    case TStep::EncodeMp3:
    case TStep::DecodeMp3: {
        const bool encode = step == TStep::EncodeMp3;
        QString input = m_stepInput.isEmpty() ? m_items[i] : m_stepInput;
        m_stepInput.clear();
        QString output;
        if (m_kind == TJobKind::Extract) {
            input = WavName(i);
            output = input.left(input.size() - 4) + QStringLiteral(".mp3");
        } else if (m_kind == TJobKind::RecordToMp3) {
            const QFileInfo fi(input);
            output = fi.path() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral(".mp3");
        } else {
            output = OutName(i, encode ? QStringLiteral(".mp3") : QStringLiteral(".wav"));
        }
        setStatus(encode ? "Encoding(" : "Decoding(", i);
        if (firstOfJob)
            m_view.setFrameCaption(encode ? JobText("RES_WAV_TO_MP3", "Encoding WAV to MP3")
                                          : JobText("RES_MP3_TO_WAV", "Decoding MP3 to WAV"));
        else
            m_view.setFrameCaption(encode ? JobText("RES_Encoding", "Encoding")
                                          : JobText("RES_Decoding", "Decoding"));
        try {
            m_mp3->start(this, input, output, encode, m_kind);
        } catch (const std::exception& e) {
            failStart(QString::fromUtf8(e.what()));
        }
        return;
    }
    case TStep::EncodeWma:
        startWma(i, firstOfJob);
        return;
    case TStep::Resample:
        setStatus("Resampling(", i);
        m_view.setFrameCaption(JobText("RES_WAV_RESAMPLE", "Resampling WAV"));
        try {
            m_resample->Start(m_items[i], resampleTempName());
        } catch (const std::exception& e) {
            failStart(QString::fromUtf8(e.what()));
        }
        return;
    case TStep::EncodeOgg: {
        const QString input = !m_stepInput.isEmpty()              ? m_stepInput
                              : m_kind == TJobKind::Extract ? WavName(i)
                                                            : m_items[i];
        m_stepInput.clear();
        startOggStep(i, input, firstOfJob);
        return;
    }
    }
}

void TJobEngine::startNextExtraction()
{
    startStep(TStep::Rip, m_extractedCount);
}

void TJobEngine::failStart(const QString& text)
{
    // Nothing would ever report the end of a step that did not start: say
    // why and end the job instead of leaving it waiting.
    showError(text);
    endJob();
}

void TJobEngine::endJob()
{
    FinishJob();
    m_view.closeJob();
}

void TJobEngine::Stop()
{
    stopOggStep();
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
    if (m_finished)
        return;
    switch (code) {
    case 1:
        showError(JobText("RES_ModifyCDParmsError", "CD extract failed!Please try again."));
        break;
    case 2:
        showError(JobText("RES_ReadTocError", "Error while reading TOC information!"));
        break;
    case 3:
        showError(JobText("RES_CreateFileError",
                          "WAV file will be created maybe is been using,extract failed!"));
        break;
    default:
        break;
    }
    // No step follows; the user ends the job with Stop.
}

void TJobEngine::HandleProcessInfo(std::unique_ptr<TProcessInfo> info)
{
    if (m_finished || !info)
        return;
    switch (info->Percent) {
    case scNormalizeStarts:
        setStatus("Normalizing(", m_extractedCount);
        return;
    case scRipDone: {
        const int result = info->StepResult;
        afterRip(result, std::move(info));
        return;
    }
    case scMp3Done:
        afterMp3(info->StepResult, info->Message);
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

void TJobEngine::afterRip(int result, std::unique_ptr<TProcessInfo> info)
{
    const int i = m_extractedCount;
    if (result == rrReadFailed) {
        QString text = JobText("RES_ReadCDAudioError", "Error while reading CD information!");
        if (!info->Message.isEmpty())
            text += QStringLiteral("\n") + info->Message;
        showError(text);
    } else if (result == rrCreateFailed) {
        showError(WavName(i) + JobText("RES_CreateWavFileError",
                                       " is not a valid file name.Please rename the Title in "
                                       "the CD tracks list."));
    } else if (result != rrOk) {
        showError(info->Message);
    }
    ++m_extractedCount;

    switch (OptionsSetting.CommonOptions.OutputFormat) {
    case ofWAV:
        if (m_extractedCount == m_count)
            endJob();
        else
            startNextExtraction();
        return;
    case ofMP3:
        if (result != rrOk) {
            // Skip the encoding of this track without a second message.
            info->Percent = scMp3Done;
            info->StepResult = 4;
            m_progressSeen = true;
            postProcessInfo(this, std::move(info));
            return;
        }
        startStep(TStep::EncodeMp3, i);
        return;
    case ofOGG:
        if (result != rrOk) {
            info->Percent = scOggDone;
            info->StepResult = 4;
            m_progressSeen = true;
            postProcessInfo(this, std::move(info));
            return;
        }
        startStep(TStep::EncodeOgg, i);
        return;
    case ofWMA:
        releaseRipThread();
        if (result != rrOk) {
            info->Percent = scWmaDone;
            info->StepResult = 4;
            m_progressSeen = true;
            postProcessInfo(this, std::move(info));
            return;
        }
        startStep(TStep::EncodeWma, i);
        return;
    default:
        // An output format the program does not know: nothing follows and
        // the user ends the job with Stop.
        return;
    }
}

void TJobEngine::afterMp3(int result, const QString& message)
{
    const int i = m_encodedCount;
    // The encoder says in message how a step failed (its exit and last line);
    // an empty message after progress is a finished file.
    bool made = result == 2 && m_progressSeen && message.isEmpty();
    if (result == 1 && !m_progressSeen) {
        showError(m_items[i] + JobText("RES_Operate_Fail", "maybe be used,operate fail!"));
    } else if (result == 2 && !m_progressSeen) {
        QString text = JobText("RES_Check_Mp3Options",
                               "Create MP3 file error!\r\nPlease check the output and lame "
                               "options or run application again.");
        if (!message.isEmpty())
            text += QStringLiteral("\n") + message;
        showError(text);
    } else if (result == 2 && !message.isEmpty()) {
        showError(message);
    }

    if (m_kind == TJobKind::Extract && made && OptionsSetting.UseID3)
        writeTag(m_extractedCount - 1);

    m_progressSeen = false;
    ++m_encodedCount;
    if (m_encodedCount == m_count) {
        endJob();
        return;
    }
    switch (m_kind) {
    case TJobKind::Extract:
        startNextExtraction();
        break;
    case TJobKind::WavToMp3:
        if (!startResampleIfNeeded(m_encodedCount, false))
            startStep(TStep::EncodeMp3, m_encodedCount);
        break;
    case TJobKind::Mp3ToWav:
        startStep(TStep::DecodeMp3, m_encodedCount);
        break;
    default:
        break;
    }
}

QString TJobEngine::resampleTempName() const
{
    return AddBackslash(OptionsSetting.CommonOptions.OutputFolder) +
           (m_kind == TJobKind::WavToOgg ? QStringLiteral("MyReTemp.wav")
                                         : QStringLiteral("DiZE3ReTemp.wav"));
}

bool TJobEngine::startResampleIfNeeded(int i, bool firstOfJob)
{
    Q_UNUSED(firstOfJob); // the frame reads "Resampling WAV" for every item
    if (!m_resample) {
        m_resample =
            std::make_unique<TResampleStep>(this, [this](std::unique_ptr<TProcessInfo> info) {
                HandleProcessInfo(std::move(info));
            });
    }
    if (!m_resample->Needed(m_items[i]))
        return false;
    startStep(TStep::Resample, i);
    return true;
}

void TJobEngine::afterResample(const TProcessInfo& info)
{
    // The counter of the encoding step that follows names the item.
    const int i = m_kind == TJobKind::WavToOgg ? m_oggCount : m_encodedCount;
    if (info.StepResult != 0) {
        // A run that failed sends no end of its own: say why and go on with
        // the next item instead of leaving the job waiting for Stop.
        showError(m_items[i] + QStringLiteral("\n") + info.Message);
        if (m_kind == TJobKind::WavToMp3) {
            afterMp3(4, QString());
        } else {
            TProcessInfo skipped;
            skipped.StepResult = 4; // nothing written for this item
            afterOgg(skipped);
        }
        return;
    }
    m_stepInput = resampleTempName();
    if (m_kind == TJobKind::WavToOgg)
        startStep(TStep::EncodeOgg, i);
    else
        startStep(TStep::EncodeMp3, i);
}

void TJobEngine::writeTag(int i)
{
    const QString title = ItemTitle(m_items[i]);
    const QString path =
        AddBackslash(OptionsSetting.CommonOptions.OutputFolder) + title + QStringLiteral(".mp3");
    const int result = WriteExtractTag(path, title, ItemTrack(m_items[i]), OptionsSetting.CDInfo);
    if (result >= 256)
        prompts().message(QStringLiteral("Error #%1! Could not save Tag!").arg(result),
                          PromptIcon::Error, pbOk);
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
    if (m_ripThread) {
        m_ripThread->StopRequested = true;
        releaseRipThread();
    }
    const int format = OptionsSetting.CommonOptions.OutputFormat;
    if (m_kind == TJobKind::Extract && m_extractedCount == m_count &&
        (format == ofMP3 || format == ofOGG || format == ofWMA) &&
        !OptionsSetting.CommonOptions.IsKeepWav) {
        for (int i = 0; i < m_count; ++i) {
            // A title that is no file name produced no file, and its path
            // could point outside the output folder.
            if (IsValidTitleForFileName(ItemTitle(m_items[i])))
                removeIfIdle(WavName(i));
        }
    }
    m_items.clear();
    m_finished = true;
    // The temporary file must be closed before it can be deleted below.
    if (m_resample)
        m_resample->Stop();
    setWmaTimer(false);
    if (m_mp3->isActive())
        m_mp3->stop();
    if (m_wma->isActive())
        m_wma->stop();
    const QString folder = AddBackslash(OptionsSetting.CommonOptions.OutputFolder);
    if (m_kind == TJobKind::WavToOgg)
        removeIfIdle(folder + QStringLiteral("MyReTemp.wav"));
    else if (m_kind == TJobKind::WavToMp3)
        removeIfIdle(folder + QStringLiteral("DiZE3ReTemp.wav"));
}
