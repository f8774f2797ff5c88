#include "wma_profiles.h"

#include <array>

namespace {

constexpr std::array<const char*, WmaProfileCount> kProfileCodes = {
    "192_48_2", "160_48_2", "128_48_2", "192_44_2", "160_44_2", "128_44_2", // 0..5
    "96_44_2",  "80_44_2",  "64_44_2",  "48_44_2",  "32_44_2",  "48_44_1",  // 6..11
    "32_44_1",  "48_32_2",  "40_32_2",  "32_32_2",  "20_32_1",  "32_22_2",  // 12..17
    "22_22_2",  "20_22_2",  "20_22_1",  "16_22_1",  "20_16_2",  "16_16_2",  // 18..23
    "16_16_1",  "12_16_1",  "10_16_1",  "10_11_1",  "8_11_1",   "12_8_2",   // 24..29
    "8_8_1",    "6_8_1",    "5_8_1",                                        // 30..32
};

} // namespace

QString WmaProfileCode(int index)
{
    if (index < 0 || index >= WmaProfileCount)
        index = DefaultWmaProfile;
    return QString::fromLatin1(kProfileCodes[size_t(index)]);
}
