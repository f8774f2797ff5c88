#include "jobs/job_engine.h"

#include <stdexcept>

namespace {

IJobEncoder* g_installed = nullptr;

class TMissingEncoder : public IJobEncoder {
public:
    void start(QObject*, const QString&, const QString&, bool, TJobKind) override
    {
        throw std::runtime_error("Error while creating mp3 encoding process!");
    }
    bool isActive() const override { return false; }
    void stop() override {}
};

} // namespace

IJobEncoder& jobMp3Encoder()
{
    static TMissingEncoder missing;
    return g_installed ? *g_installed : missing;
}

void setJobMp3Encoder(IJobEncoder* enc)
{
    g_installed = enc;
}
