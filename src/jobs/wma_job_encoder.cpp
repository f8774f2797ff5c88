#include "jobs/wma_job_encoder.h"

#include "encoders/wma_encode_process.h"

namespace {

IJobEncoder* g_installed = nullptr;

TWMAEncodeProcess* processOf(QObject* receiver)
{
    return receiver->findChild<TWMAEncodeProcess*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

void TWmaJobEncoder::start(QObject* receiver, const QString& input, const QString& output, bool,
                           TJobKind kind, const TOptionsSetting& options)
{
    TWMAEncodeProcess* p = processOf(receiver);
    if (!p) {
        p = new TWMAEncodeProcess(receiver);
        if (!ProgramFolders.isEmpty())
            p->ProgramFolders = ProgramFolders;
    }
    p->prepareStep(receiver, input, output, true, static_cast<quint8>(kind));
    p->StartEncoder(options);
}

void TWmaJobEncoder::stop(QObject* receiver)
{
    if (TWMAEncodeProcess* p = processOf(receiver))
        p->StopEncoder();
}

IJobEncoder& jobWmaEncoder()
{
    static TWmaJobEncoder fallback;
    return g_installed ? *g_installed : fallback;
}

void setJobWmaEncoder(IJobEncoder* enc)
{
    g_installed = enc;
}
