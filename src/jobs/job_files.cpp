#include "job_files.h"

#include "jobs/job_texts.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"

#include <QDir>

QStringList ChooseJobFiles(TJobKind kind)
{
    const bool mp3 = kind == TJobKind::Mp3ToWav;
    const QString filter = mp3 ? QStringLiteral("MP3 file(*.mp3);;Any file(*)")
                               : QStringLiteral("Sound file(*.wav);;Any file(*)");
    const QStringList files = prompts().openFiles(QString(), filter, QString(), true);
    if (files.isEmpty())
        return {};
    const QString folder = OptionsSetting.CommonOptions.OutputFolder;
    if (folder.isEmpty() || !QDir(folder).exists()) {
        prompts().message(
            JobText("RES_Directory_Not_Exist", "The output directory does not exist.") +
                JobText("RES_Check_Output", "Please check the output directory setting."),
            PromptIcon::Information, pbOk);
        return {};
    }
    return files;
}
