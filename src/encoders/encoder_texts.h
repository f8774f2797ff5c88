#pragma once
// Message keys of the encoders and their English texts. Every user-visible
// text of this folder goes through EncoderText so that the language files can
// take over in one place.

#include "settings/language.h"

#include <QString>

inline constexpr const char* RES_File_Exist = "RES_File_Exist";
inline constexpr const char* RES_CreateProcess_Error = "RES_CreateProcess_Error";
inline constexpr const char* RES_NoWmaEncoder = "RES_NoWmaEncoder";

inline constexpr const char* kFileExistDefault = " has existed,overite it?";
inline constexpr const char* kCreateProcessErrorDefault =
    "Error while creating mp3 encoding process!";
inline constexpr const char* kNoWmaEncoderDefault =
    "The WMA encoder (quillon-wmaenc) can not be found. Please reinstall Quillon or write to "
    "support@quillon.example.org for help.";

// The text for key in the current language.
inline QString EncoderText(const char* key, const char* englishDefault)
{
    return GetResString(QString::fromLatin1(key), QString::fromUtf8(englishDefault));
}
