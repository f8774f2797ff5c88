#include "cddb_texts.h"

QString CddbText(const char* key, const char* english)
{
    // The language files are not wired into this library yet: every text is
    // its English default and windows keep their built-in captions.
    Q_UNUSED(key);
    return QString::fromUtf8(english);
}

void RetitleCddbWindow(QWidget* window)
{
    Q_UNUSED(window);
}
