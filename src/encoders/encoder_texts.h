#pragma once
// Message keys of the encoders and their English texts. Every user-visible
// text of this folder goes through EncoderText so that the language files can
// take over in one place.

#include <QString>

inline constexpr const char* RES_File_Exist = "RES_File_Exist";
inline constexpr const char* RES_CreateProcess_Error = "RES_CreateProcess_Error";
inline constexpr const char* RES_NoWmaEncoder = "RES_NoWmaEncoder";

inline constexpr const char* kFileExistDefault = " has existed,overite it?";
inline constexpr const char* kCreateProcessErrorDefault =
    "Error while creating mp3 encoding process!";
inline constexpr const char* kNoWmaEncoderDefault =
    "Can not find WMA encoder (quillon-wmaenc), please reinstall Quillon or contact "
    "with quillon-support@users.noreply.github.com!";

// The text for key in the current language; English for now.
inline QString EncoderText(const char* key, const char* englishDefault)
{
    Q_UNUSED(key);
    return QString::fromUtf8(englishDefault);
}
