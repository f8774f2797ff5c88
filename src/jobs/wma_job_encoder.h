#pragma once
// The WMA encoder as the job engine uses it: one quillon-wmaenc process
// object per step, a child of the step's receiver.

#include "jobs/job_types.h"

#include <QStringList>

class TWmaJobEncoder : public IJobEncoder {
public:
    void start(QObject* receiver, const QString& input, const QString& output, bool encode,
               TJobKind kind, const TOptionsSetting& options) override;
    void stop(QObject* receiver) override;

    // Where the utility is looked for before PATH; empty: beside this program.
    QStringList ProgramFolders;
};

// The WMA encoder jobs use: the one installed with setJobWmaEncoder, else a
// process-wide one. Its end reports (5000) are posted to the receiver, also
// when the utility is missing.
IJobEncoder& jobWmaEncoder();
// Installs enc (not owned; null restores the default).
void setJobWmaEncoder(IJobEncoder* enc);
