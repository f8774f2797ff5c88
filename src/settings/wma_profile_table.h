#pragma once
// The 33 WMA profiles offered by the options dialog, in its order. Each code is
// "<kbit/s>_<kHz>_<channels>", the form the WMA utility takes after -a_setting.
// Header-only and free of Qt so that quillon-wmaenc can share it.

#include <array>
#include <string_view>

inline constexpr std::array<std::string_view, 33> kWmaProfileCodes = {
    "192_48_2", "160_48_2", "128_48_2", "192_44_2", "160_44_2", "128_44_2", "96_44_2",
    "80_44_2",  "64_44_2",  "48_44_2",  "32_44_2",  "48_44_1",  "32_44_1",  "48_32_2",
    "40_32_2",  "32_32_2",  "20_32_1",  "32_22_2",  "22_22_2",  "20_22_2",  "20_22_1",
    "16_22_1",  "20_16_2",  "16_16_2",  "16_16_1",  "12_16_1",  "10_16_1",  "10_11_1",
    "8_11_1",   "12_8_2",   "8_8_1",    "6_8_1",    "5_8_1",
};

inline constexpr int kDefaultWmaProfile = 8;

constexpr bool IsValidWmaProfile(int index)
{
    return index >= 0 && index < static_cast<int>(kWmaProfileCodes.size());
}

// The profile index, corrected to the default when it lies outside the table
// (the stored setting is corrected too, so that the dialog shows what ran).
inline int CorrectWmaProfile(int& index)
{
    if (!IsValidWmaProfile(index))
        index = kDefaultWmaProfile;
    return index;
}

// Sample rate in Hz of the whole-kHz figure used in the codes (44 is 44100).
constexpr int WmaProfileSampleRate(int kHz)
{
    switch (kHz) {
    case 48:
        return 48000;
    case 44:
        return 44100;
    case 32:
        return 32000;
    case 22:
        return 22050;
    case 16:
        return 16000;
    case 11:
        return 11025;
    case 8:
        return 8000;
    default:
        return 0;
    }
}
