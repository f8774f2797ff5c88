// The real services of the main window. Kept apart so that tests which
// install their own services do not pull in the stores and the drive layer.
#include "main_form_model.h"

#include "settings/disc_info.h"
#include "settings/options_store.h"

TMainFormServices DefaultMainFormServices()
{
    TMainFormServices services;
    services.cd = &cdAccess();
    services.discKey = [](const TTOC& toc) { return DiscKeyFromTOC(toc); };
    services.discInfo = [](const QString& key, bool load) { LoadSaveDiscInfo(key, load); };
    services.options = [](bool load) { LoadSaveOptions(load); };
    services.lookups = true;
    return services;
}
