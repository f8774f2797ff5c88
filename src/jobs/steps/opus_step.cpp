#include "jobs/steps/opus_step.h"

#include "audio/opus_out.h"

TOpusStep::TOpusStep(int item, const QString& input, const QString& output, const TTrackTags& tags,
                     bool measureGain, int kbits)
    : TEncodedFileStep(TStepKind::EncodeOpus, item, input, output, tags, measureGain),
      m_kbits(kbits)
{}

std::unique_ptr<TEncodedFileOut> TOpusStep::makeOutput() const
{
    auto out = std::make_unique<TOpusOut>();
    out->SetBitRate(m_kbits);
    return out;
}
