#include "wma_profiles.h"

#include "settings/wma_profile_table.h"

static_assert(WmaProfileCount == int(kWmaProfileCodes.size()));
static_assert(DefaultWmaProfile == kDefaultWmaProfile);

QString WmaProfileCode(int index)
{
    if (!IsValidWmaProfile(index))
        index = DefaultWmaProfile;
    const std::string_view code = kWmaProfileCodes[size_t(index)];
    return QString::fromLatin1(code.data(), qsizetype(code.size()));
}
