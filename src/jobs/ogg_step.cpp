#include "ogg_step.h"

#include "audio/pcm_exception.h"
#include "jobs/extract_tag.h"
#include "jobs/job_engine.h"
#include "jobs/job_texts.h"
#include "settings/global.h"
#include "settings/process_info.h"
#include "tags/genres.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

void ApplyOggSettings(TVorbisOut& out, const TOptionsSetting& options)
{
    if (options.IsUseCompress) {
        const int position = std::clamp(options.CompressPosition, 30, 100);
        out.SetCompression(float(position - 10) / 100.0f);
        out.SetDesiredMaximumBitrate(brAutoSelect);
        out.SetDesiredNominalBitrate(brAutoSelect);
        out.SetMinimumBitrate(brAutoSelect);
    } else {
        // From a clean state: the setters keep part of the previous item's
        // rates otherwise, and equal settings would encode differently.
        out.SetDesiredNominalBitrate(brAutoSelect);
        out.SetDesiredMaximumBitrate(VorbisBitRateFromIndex(options.OggMaxBitRate));
        out.SetDesiredNominalBitrate(VorbisBitRateFromIndex(options.OggNomalBitRate));
        out.SetMinimumBitrate(VorbisBitRateFromIndex(options.OggMinBitRate));
        out.SetCompression(0.2f);
    }
}

QStringList ExtractOggComments(const QString& title, int track, const TCDInfo& disc)
{
    QStringList lines;
    const auto add = [&lines](const char* name, const QString& value) {
        if (!value.trimmed().isEmpty())
            lines << QString::fromLatin1(name) + QLatin1Char('=') + value;
    };
    const TTrackDetails details = track > 0 && track < int(disc.Details.size())
                                      ? disc.Details[size_t(track)]
                                      : TTrackDetails{};
    add("TITLE", title);
    add("ARTIST", TrackArtist(disc, track));
    add("ALBUM", disc.Album);
    add("DATE", ReleaseDateText(disc));
    const QStringList& genres = GenreNames();
    if (disc.Genre >= 1 && disc.Genre <= genres.size())
        add("GENRE", genres[disc.Genre - 1]);
    if (track > 0)
        add("TRACKNUMBER", QString::number(track));
    add("COMMENT", disc.Comment);
    add("ALBUMARTIST", disc.Artist);
    if (disc.DiscNumber > 0) {
        add("DISCNUMBER", QString::number(disc.DiscNumber));
        if (disc.DiscTotal >= disc.DiscNumber)
            add("DISCTOTAL", QString::number(disc.DiscTotal));
    }
    add("ISRC", details.Isrc);
    add("MUSICBRAINZ_ALBUMID", disc.MusicBrainzReleaseId);
    add("MUSICBRAINZ_RELEASETRACKID", details.ReleaseTrackId);
    add("MUSICBRAINZ_TRACKID", details.RecordingId);
    add("MUSICBRAINZ_ALBUMARTISTID", disc.MusicBrainzAlbumArtistId);
    add("MUSICBRAINZ_RELEASEGROUPID", disc.MusicBrainzReleaseGroupId);
    add("MUSICBRAINZ_DISCID", disc.MusicBrainzDiscId);
    return lines;
}

QStringList ConvertOggComments(const QString& wavPath)
{
    const QString title = QFileInfo(wavPath).completeBaseName();
    return title.isEmpty() ? QStringList() : QStringList{QStringLiteral("TITLE=") + title};
}

TOggStep::TOggStep(QObject* receiver) : m_receiver(receiver)
{
    WaveIn1.SetStartSample(0);
    WaveIn1.SetEndSample(-1);
    WaveIn1.SetLoop(false);
    VorbisOut1.SetInput(&WaveIn1);
    VorbisOut1.SetFileMode(foRewrite);
    VorbisOut1.SetSuspendWhenIdle(true);
    VorbisOut1.OnProgress = [this](QObject*) { VorbisOut1Progress(); };
    VorbisOut1.OnDone = [this](QObject*) { VorbisOut1Done(); };
    VorbisOut1.OnThreadException = [this](QObject*, const std::exception& e) {
        VorbisOut1Failed(e);
    };
}

// VorbisOut1 is destroyed first (it is declared last), so its worker has
// ended before the source it reads goes away.
TOggStep::~TOggStep() = default;

void TOggStep::start(const QString& input, const QString& output, const QStringList& comments)
{
    WaveIn1.SetFileName(input);
    VorbisOut1.SetFileName(output);
    ApplyOggSettings(VorbisOut1, OptionsSetting);
    VorbisOut1.SetComments(comments);
    m_stepStart.start();
    VorbisOut1.Run();
}

void TOggStep::stop()
{
    VorbisOut1.CloseWritten();
}

void TOggStep::VorbisOut1Progress()
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = VorbisOut1.Progress();
    const qint64 elapsed = qint64(std::nearbyint(double(m_stepStart.elapsed()) / 1000.0));
    // An unknown progress (-1) gives no estimate.
    if (info->Percent > 0) {
        info->ElapsedText = TimeText(elapsed);
        info->EstimatedText =
            TimeText(qint64(std::nearbyint(double(elapsed) * 100.0 / info->Percent)));
    }
    postProcessInfo(m_receiver, std::move(info));
}

void TOggStep::VorbisOut1Done()
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = scOggDone;
    postProcessInfo(m_receiver, std::move(info));
}

void TOggStep::VorbisOut1Failed(const std::exception& e)
{
    // Without an end report the job would wait for Stop forever.
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = scOggDone;
    info->StepResult = kOggStepFailed;
    info->Message = QString::fromUtf8(e.what());
    postProcessInfo(m_receiver, std::move(info));
}

// The job engine's Vorbis step: where it starts and where its end is handled.

bool TJobEngine::ensureOggStep()
{
    if (m_ogg)
        return true;
    try {
        m_ogg = std::make_unique<TOggStep>(this);
        return true;
    } catch (const std::exception& e) {
        m_summary.setJobError(QString::fromUtf8(e.what()));
        endJob();
        return false;
    }
}

// The input is the ripped track, the item's own WAV file, or (below 44100 Hz)
// its resampled copy; the output is always named after the item.
bool TJobEngine::startOggStep(int i, bool firstOfJob)
{
    if (!ensureOggStep())
        return false;
    TJobItem& item = m_work[size_t(i)];
    QStringList comments;
    if (m_kind == TJobKind::Extract) {
        if (OptionsSetting.UseID3)
            comments = ExtractOggComments(ItemTitle(m_items[i]), ItemTrack(m_items[i]),
                                          OptionsSetting.CDInfo);
    } else {
        comments = ConvertOggComments(m_items[i]);
    }
    setStatus("Encoding(", i);
    m_view.setFrameCaption(firstOfJob ? JobText("RES_WAV_TO_OGG", "Encoding WAV to OGG")
                                      : JobText("RES_Encoding", "Encoding"));
    item.Out = TPartFile(item.Output);
    if (!item.Out.create()) {
        m_summary.failed(i, item.Out.errorText());
        return false;
    }
    try {
        m_ogg->start(encoderInput(i), item.Out.path(), comments);
    } catch (const std::exception& e) {
        failStart(i, QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

void TJobEngine::afterOgg(const TProcessInfo& info)
{
    const int i = m_current;
    if (info.StepResult == kOggStepFailed) {
        itemFailed(i, encoderFailure(i, info.Message));
        return;
    }
    commitOutput(i);
    itemDone(i);
}
