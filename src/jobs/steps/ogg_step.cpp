#include "jobs/steps/ogg_step.h"

#include "audio/pcm_exception.h"
#include "audio/vorbis_library.h"
#include "jobs/extract_tag.h"
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

TOggStep::TOggStep(int item, const QString& input, const QString& output,
                   const QStringList& comments, const TOptionsSetting& options)
    : TJobStep(TStepKind::EncodeOgg, item), m_input(input), m_output(output), m_comments(comments),
      m_options(options)
{
    vorbis::RequireVorbisLibraries();
}

TOggStep::~TOggStep()
{
    stop();
}

bool TOggStep::startWorker(TStepEnd& failure)
{
    try {
        m_parts = std::make_unique<Parts>();
        TWaveIn& in = m_parts->WaveIn1;
        TVorbisOut& out = m_parts->VorbisOut1;
        in.SetStartSample(0);
        in.SetEndSample(-1);
        in.SetLoop(false);
        in.SetFileName(m_input);
        out.SetInput(&in);
        out.SetFileMode(foRewrite);
        out.SetSuspendWhenIdle(true);
        out.OnProgress = [this, &out](QObject*) { VorbisOut1Progress(out.Progress()); };
        out.OnDone = [this](QObject*) { VorbisOut1Done(); };
        out.OnThreadException = [this](QObject*, const std::exception& e) { VorbisOut1Failed(e); };
        out.SetFileName(m_output);
        ApplyOggSettings(out, m_options);
        out.SetComments(m_comments);
        out.Run();
        return true;
    } catch (const std::exception& e) {
        m_parts.reset();
        failure = {TStepResult::Failed, QString::fromUtf8(e.what())};
        return false;
    }
}

void TOggStep::stopWorker()
{
    m_parts.reset(); // joins the writer, which closes its file quietly
}

void TOggStep::onReport(const TProcessInfo& info)
{
    if (info.Percent != scOggDone) {
        progress(info.Percent);
        return;
    }
    m_parts.reset();
    if (info.StepResult == kOggStepFailed)
        finish(TStepResult::Failed, info.Message);
    else
        finish(TStepResult::Done);
}

// The writer's events, on its worker thread: they only post.

void TOggStep::VorbisOut1Progress(int percent)
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = percent;
    postProcessInfo(this, std::move(info));
}

void TOggStep::VorbisOut1Done()
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = scOggDone;
    postProcessInfo(this, std::move(info));
}

void TOggStep::VorbisOut1Failed(const std::exception& e)
{
    // Without an end report the job would wait for Stop forever.
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = scOggDone;
    info->StepResult = kOggStepFailed;
    info->Message = QString::fromUtf8(e.what());
    postProcessInfo(this, std::move(info));
}
