#include "cddb_dialogs.h"

#include "cddb_texts.h"
#include "query_cddb_form.h"
#include "settings/prompts.h"

int ExecQueryCDDB(QWidget* parent, HCDROM cdHandle, TSetRowTitle setRowTitle)
{
    TTOC toc;
    if (!cdAccess().ReadTOC(cdHandle, toc) || toc.TrackCount() <= 0) {
        prompts().message(CddbText("RES_ReadTocError", "Error while reading TOC information!"),
                          PromptIcon::Error);
        return mrCancel;
    }
    TfrmQueryCDDB dialog(parent, toc.FirstTrack, toc.LastTrack, cdHandle, std::move(setRowTitle));
    return dialog.exec();
}
