#include "ui/common/form_texts.h"

#include "settings/language.h"
#include "settings/options_setting.h"
#include "ui/common/translate_form.h"

QString FormResString(const char* key, const QString& englishText)
{
    return GetResString(QString::fromLatin1(key), englishText);
}

void TranslateFormIfNeeded(QWidget* form)
{
    if (!IsEnglishLanguage(OptionsSetting.Lan))
        TranslateForm(form, OptionsSetting.Lan);
}
