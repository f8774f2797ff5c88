// Stand-in for the CD access registry until the libcdio implementation is in
// the tree; only the installable part is needed by these tests.
#include "cdaccess/cd_access.h"

namespace {
ICDAccess* g_impl = nullptr;
}

ICDAccess& cdAccess()
{
    return *g_impl;
}

void setCDAccess(ICDAccess* impl)
{
    g_impl = impl;
}

#include "settings/global.h"

bool IsFileInUse(const QString&)
{
    return false;
}
