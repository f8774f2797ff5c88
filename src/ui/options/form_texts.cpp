#include "form_texts.h"

#include "settings/options_setting.h"

#include <QWidget>

QString FormResString(const char* key, const QString& englishText)
{
    // Until the language files are read, every message is the English one.
    (void)key;
    return englishText;
}

void TranslateFormIfNeeded(QWidget* form)
{
    if (OptionsSetting.Lan.compare(QStringLiteral("English"), Qt::CaseInsensitive) == 0)
        return;
    (void)form;
}
