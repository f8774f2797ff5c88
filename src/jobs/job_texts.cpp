#include "job_texts.h"

#include "settings/language.h"

QString JobText(const char* key, const char* english)
{
    return GetResString(QString::fromLatin1(key), QString::fromUtf8(english));
}
