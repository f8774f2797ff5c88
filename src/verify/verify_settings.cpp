#include "verify/verify_settings.h"

#include "metadata/metadata_lookup.h"

#include <algorithm>

TVerifySettings VerifySettingsFrom(const TOptionsSetting& options)
{
    const TVerifyOptions& v = options.Verify;
    TVerifySettings s;
    s.Mode = ReadModeFromText(v.ReadMode).value_or(TReadMode::Auto);
    s.ReadOffset = std::clamp(v.ReadOffset, -kMaxReadOffset, kMaxReadOffset);
    s.AccurateRip = v.AccurateRip;
    s.Ctdb = v.CTDB;
    s.AccurateRipServer = v.AccurateRipServer;
    s.CtdbServer = v.CTDBServer;
    // The same proxy and User-Agent as the title lookups.
    s.Http = LookupSettingsFrom(options).Http;
    return s;
}
