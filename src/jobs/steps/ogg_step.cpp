#include "jobs/steps/ogg_step.h"

#include "audio/pcm_exception.h"
#include "audio/vorbis_library.h"
#include "settings/global.h"
#include "settings/process_info.h"

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
        in.SetFileName(m_input);
        out.SetInput(&in);
        out.SetFileMode(foRewrite);
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
