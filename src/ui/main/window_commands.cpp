#include "window_commands.h"

#include "jobs/job_dialogs.h"
#include "main_form.h"

void AttachWindowCommands(TMainForm& form)
{
    TMainForm* f = &form;

    f->setCommand(QStringLiteral("ActionExtract"), [f] {
        const auto items = f->model().PrepareExtract(f->titles(), f->checkedRows());
        if (items)
            RunJobDialog(f, TJobKind::Extract, f->CDHandle(), *items);
    }, [f] { return f->hasCheckedRows(); });

    f->setCommand(QStringLiteral("ActionWavToMp3"), [f] { ConvertWavToMp3(f); });
    f->setCommand(QStringLiteral("mnuMp3ToWav"), [f] { ConvertMp3ToWav(f); });
}
