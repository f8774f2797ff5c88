#include "jobs/job_engine.h"

#include "encoders/mp3_encode_process.h"

namespace {

IJobEncoder* g_installed = nullptr;

// The engine's view of lame: one process object per step, a child of the
// step's receiver, so that it goes when the step goes.
class TMp3JobEncoder : public IJobEncoder {
public:
    void start(QObject* receiver, const QString& input, const QString& output, bool encode,
               TJobKind kind, const TOptionsSetting& options) override
    {
        auto* p = receiver->findChild<TMp3EncodeProcess*>(QString(), Qt::FindDirectChildrenOnly);
        if (!p)
            p = new TMp3EncodeProcess(receiver);
        p->prepareStep(receiver, input, output, encode, static_cast<quint8>(kind));
        p->StartEncoder(options);
    }
    void stop(QObject* receiver) override
    {
        if (auto* p =
                receiver->findChild<TMp3EncodeProcess*>(QString(), Qt::FindDirectChildrenOnly))
            p->StopEncoder();
    }
};

} // namespace

IJobEncoder& jobMp3Encoder()
{
    static TMp3JobEncoder fallback;
    return g_installed ? *g_installed : fallback;
}

void setJobMp3Encoder(IJobEncoder* enc)
{
    g_installed = enc;
}
