#pragma once
// Where the options, tag and rename dialogs take their translated texts from:
// the language file of the chosen language (window captions and control
// texts when shown, messages when formed).

#include <QString>

class QWidget;

// The message for key in the chosen language, englishText when there is none.
QString FormResString(const char* key, const QString& englishText);
// Retitles form from the language file unless the language is English.
void TranslateFormIfNeeded(QWidget* form);
