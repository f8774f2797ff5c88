#pragma once
// What the CDDB windows share: the language hooks (message texts, retitling
// when the chosen language is not English) and the naming of controls, whose
// objectName() the language files address.

#include <QString>

class QWidget;

// The text of a message key; its English default until a language file
// gives another.
QString CddbText(const char* key, const char* english);

// Retitles window from the chosen language file (nothing for English).
void RetitleCddbWindow(QWidget* window);

// Gives widget its control name and returns it.
template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
