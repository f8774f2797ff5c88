#include "job_texts.h"

QString JobText(const char* key, const char* english)
{
    // Until the language files are wired in, every text is its English default.
    Q_UNUSED(key);
    return QString::fromUtf8(english);
}
