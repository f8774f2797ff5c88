#include "cddb_texts.h"

#include "settings/language.h"
#include "settings/options_setting.h"
#include "ui/common/translate_form.h"

QString CddbText(const char* key, const char* english)
{
    return GetResString(QString::fromLatin1(key), QString::fromUtf8(english));
}

void RetitleCddbWindow(QWidget* window)
{
    if (!IsEnglishLanguage(OptionsSetting.Lan))
        TranslateForm(window, OptionsSetting.Lan);
}
