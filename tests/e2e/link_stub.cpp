// Weak stand-ins for the CD access registry and the file-in-use test, so that
// these tests link in a tree where the real ones are missing; a real
// definition in the core library takes precedence.
#include "cdaccess/cd_access.h"
#include "settings/global.h"

namespace {
ICDAccess* g_impl = nullptr;
}

__attribute__((weak)) ICDAccess& cdAccess()
{
    return *g_impl;
}

__attribute__((weak)) void setCDAccess(ICDAccess* impl)
{
    g_impl = impl;
}

__attribute__((weak)) bool IsFileInUse(const QString&)
{
    return false;
}

__attribute__((weak)) bool CloseCDDrive(HCDROM handle)
{
    return handle == 0 || cdAccess().CloseCDHandle(handle);
}
