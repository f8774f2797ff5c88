#include "window_commands.h"

#include "jobs/cd_player.h"
#include "main_form.h"
#include "settings/language.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "ui/cddb/cddb_dialogs.h"
#include "ui/jobs/job_dialogs.h"
#include "ui/options/option_set_form.h"
#include "ui/players/ogg_player_form.h"
#include "ui/players/resample_form.h"
#include "ui/recorder/record_form.h"
#include "ui/tags/edit_track_name_form.h"
#include "ui/tags/id3_edit_form.h"

void AttachWindowCommands(TMainForm& form)
{
    TMainForm* f = &form;

    f->setCommand(
        TCommand::Extract,
        [f] {
            const auto items = f->model().PrepareExtract(f->titles(), f->checkedRows());
            if (!items)
                return;
            f->model().SaveCoverInto(OptionsSetting.CommonOptions.OutputFolder);
            RunJobDialog(f, TJobKind::Extract, f->CDHandle(), *items, f->model().DriveName());
        },
        [f] { return f->hasCheckedRows(); });

    f->setCommand(TCommand::WavToMp3, [f] { ConvertWavToMp3(f); });
    f->setCommand(TCommand::Mp3ToWav, [f] { ConvertMp3ToWav(f); });
    f->setCommand(TCommand::WavToOgg, [f] { ConvertWavToOgg(f); });
    f->setCommand(TCommand::WavToWma, [f] { ConvertWavToWma(f); });
    f->setCommand(TCommand::WavToFlac, [f] { ConvertWavFiles(f, TJobKind::WavToFlac); });
    f->setCommand(TCommand::WavToOpus, [f] { ConvertWavFiles(f, TJobKind::WavToOpus); });
    f->setCommand(TCommand::WavToWav, [f] { ExecResampleDialog(f); });
    f->setCommand(TCommand::OggPlayer, [f] { ExecOggPlayer(f); });

    f->setCommand(TCommand::Options, [f] {
        bool reopen = false;
        if (ExecOptionsDialog(f, &reopen, f->CDHandle()) && reopen)
            f->SwitchDrive(OptionsSetting.CDIndex);
    });
    f->setCommand(TCommand::Record, [f] { ExecRecorder(f, f->CDHandle()); });
    f->setCommand(
        TCommand::QueryCddb,
        [f] {
            ExecQueryCDDB(f, f->CDHandle(),
                          [f](int row, const QString& title) { f->setTitle(row, title); });
        },
        [f] { return !f->titles().isEmpty(); });
    f->setCommand(TCommand::Id3Edit, [f] { ExecId3EditDialog(f); });
    f->setCommand(
        TCommand::EditTrackName,
        [f] {
            const int row = f->selectedRow();
            if (row < 0)
                return;
            QString title = f->titles().value(row);
            if (ExecEditTrackName(f, title))
                f->setTitle(row, title);
        },
        [f] { return f->selectedRow() >= 0; });

    AttachCDPlayback(form);
}

void AttachCDPlayback(TMainForm& form)
{
    TMainForm* f = &form;
    auto* player = new TCDPlayer(f);
    player->SetPlayPrefix(GetResString(QStringLiteral("RES_Play"), QStringLiteral("Play ")));
    QObject::connect(player, &TCDPlayer::stateChanged, f, [f, player] {
        f->setStatusText(player->StatusText());
        f->updateCommands();
    });
    // Extract and the close sequence stop a playing track first.
    f->model().StopPlayback = [player] {
        if (player->IsPlaying())
            player->Stop();
    };
    f->addCloseRequestHook([player] { player->Stop(); });

    f->setCommand(
        TCommand::Play,
        [f, player] {
            const int row = f->selectedRow();
            TTOC toc;
            if (row < 0 || f->CDHandle() == 0 || !cdAccess().ReadTOC(f->CDHandle(), toc))
                return;
            if (!player->IsPlaying())
                player->SetIdleStatus(f->statusText());
            if (!player->Play(f->CDHandle(), toc, row, f->titles().value(row)))
                prompts().message(player->LastError(), PromptIcon::Error, pbOk);
        },
        [f] { return f->selectedRow() >= 0; });
    f->setCommand(
        TCommand::Pause, [player] { player->Pause(); },
        [player] { return player->IsPlaying() && !player->IsPaused(); });
    f->setCommand(
        TCommand::Stop, [player] { player->Stop(); }, [player] { return player->IsPlaying(); });
}
