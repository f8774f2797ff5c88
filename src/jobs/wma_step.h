#pragma once
// The WMA encoder object as the job engine uses it. The WMA steps themselves
// (start, end report, the once-a-second read-outs) are TJobEngine members
// kept in wma_step.cpp.

#include "jobs/job_types.h"

class TWMAEncodeProcess;

// The engine's view of the quillon-wmaenc process object (made on first use,
// owned by the application).
class TWmaJobEncoder : public IJobEncoder {
public:
    void start(QObject* receiver, const QString& input, const QString& output, bool encode,
               TJobKind kind) override;
    bool isActive() const override;
    void stop() override;
    TWMAEncodeProcess& process();

private:
    TWMAEncodeProcess* m_process = nullptr;
};

// The WMA encoder object jobs use: the one installed with setJobWmaEncoder,
// else a process-wide one made on first use. Its end reports (5000) are sent
// to the receiver inside the calls that produce them, start() included.
IJobEncoder& jobWmaEncoder();
// Installs enc (not owned; null restores the default).
void setJobWmaEncoder(IJobEncoder* enc);
