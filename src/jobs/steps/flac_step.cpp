#include "jobs/steps/flac_step.h"

#include "audio/flac_out.h"

TFlacStep::TFlacStep(int item, const QString& input, const QString& output, const TTrackTags& tags,
                     bool measureGain, int level)
    : TEncodedFileStep(TStepKind::EncodeFlac, item, input, output, tags, measureGain),
      m_level(level)
{}

std::unique_ptr<TEncodedFileOut> TFlacStep::makeOutput() const
{
    auto out = std::make_unique<TFlacOut>();
    out->SetCompressionLevel(m_level);
    return out;
}
