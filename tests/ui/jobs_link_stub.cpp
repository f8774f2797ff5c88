// Stand-ins for the CD access registry and the file-in-use test, compiled
// only in a tree that lacks the real ones, so that these tests link there.
#include "cdaccess/cd_access.h"
#include "settings/global.h"

#if !__has_include("cdaccess/cdio_access.h")
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

bool CloseCDDrive(HCDROM handle)
{
    return handle == 0 || g_impl->CloseCDHandle(handle);
}
#endif

#if !__has_include("settings/ini_file.h")
__attribute__((weak)) bool IsFileInUse(const QString&)
{
    return false;
}
#endif
