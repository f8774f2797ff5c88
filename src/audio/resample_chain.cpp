#include "audio/resample_chain.h"

#include "audio/pcm_output.h"

TResampleChain::TResampleChain()
{
    WaveIn1.setObjectName(QStringLiteral("WaveIn1"));
    SampleConverter1.setObjectName(QStringLiteral("SampleConverter1"));
    MSConverter1.setObjectName(QStringLiteral("MSConverter1"));
    RateConverter1.setObjectName(QStringLiteral("RateConverter1"));
    SampleConverter2.setObjectName(QStringLiteral("SampleConverter2"));
    MSConverter1.SetMode(msmMonoToBoth);
    RateConverter1.SetFilterWindow(fwBlackman);
    RateConverter1.SetKernelWidth(30);
}

TPcmInput* TResampleChain::Wire(const TResampleFormat& wanted)
{
    TPcmInput* source = &WaveIn1;
    if (WaveIn1.GetBitsPerSample() == 8) {
        SampleConverter1.SetInput(source);
        source = &SampleConverter1;
    }
    if (wanted.Channels != WaveIn1.GetChannels()) {
        MSConverter1.SetInput(source);
        source = &MSConverter1;
    }
    if (wanted.SampleRate != WaveIn1.GetSampleRate()) {
        RateConverter1.SetInput(source);
        RateConverter1.SetOutSampleRate(wanted.SampleRate);
        source = &RateConverter1;
    }
    if (wanted.BitsPerSample == 8) {
        SampleConverter2.SetInput(source);
        source = &SampleConverter2;
    }
    return source;
}

QStringList ChainNames(const TPcmOutput& out)
{
    QStringList names;
    for (TPcmInput* in = out.Input(); in;) {
        names.prepend(in->objectName());
        auto* converter = qobject_cast<TPcmConverter*>(in);
        in = converter ? converter->Input() : nullptr;
    }
    names.append(out.objectName());
    return names;
}
