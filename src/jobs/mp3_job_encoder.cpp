#include "jobs/job_engine.h"

#include <QCoreApplication>

#include <stdexcept>

#include "encoders/mp3_encode_process.h"

namespace {

IJobEncoder* g_installed = nullptr;

// The engine's view of the lame process object.
class TMp3JobEncoder : public IJobEncoder {
public:
    void start(QObject* receiver, const QString& input, const QString& output, bool encode,
               TJobKind kind) override
    {
        TMp3EncodeProcess& p = process();
        p.Active = true;
        p.ReportWindow = receiver;
        p.InputFile = input;
        p.OutputFile = output;
        p.EncodeMode = encode;
        p.JobKind = static_cast<quint8>(kind);
        p.StartEncoder();
    }
    bool isActive() const override { return m_process && m_process->Active; }
    void stop() override
    {
        if (m_process)
            m_process->StopEncoder(0);
    }

private:
    TMp3EncodeProcess& process()
    {
        // One process object for the program, owned by the application.
        if (!m_process)
            m_process = new TMp3EncodeProcess(QCoreApplication::instance());
        return *m_process;
    }
    TMp3EncodeProcess* m_process = nullptr;
};
using TDefaultEncoder = TMp3JobEncoder;

} // namespace

IJobEncoder& jobMp3Encoder()
{
    static TDefaultEncoder fallback;
    return g_installed ? *g_installed : fallback;
}

void setJobMp3Encoder(IJobEncoder* enc)
{
    g_installed = enc;
}
