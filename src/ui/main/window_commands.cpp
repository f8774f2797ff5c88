#include "window_commands.h"

#include "jobs/job_dialogs.h"
#include "settings/options_setting.h"
#include "main_form.h"
#include "options/option_set_form.h"
#include "recorder/record_form.h"
#include "tags/edit_track_name_form.h"
#include "tags/id3_edit_form.h"

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

    f->setCommand(QStringLiteral("ActionOptionSet"), [f] {
        bool reopen = false;
        if (ExecOptionsDialog(f, &reopen) && reopen) {
            f->OpenDrive(OptionsSetting.CDIndex);
            f->ReadDisc();
        }
    });
    f->setCommand(QStringLiteral("ActionRecord"), [f] { ExecRecorder(f, f->CDHandle()); });
    f->setCommand(QStringLiteral("aID3Edit"), [f] { ExecId3EditDialog(f); });
    f->setCommand(QStringLiteral("aEditTrackName"), [f] {
        const int row = f->selectedRow();
        if (row < 0)
            return;
        QString title = f->titles().value(row);
        if (ExecEditTrackName(f, title))
            f->setTitle(row, title);
    }, [f] { return f->selectedRow() >= 0; });
}
