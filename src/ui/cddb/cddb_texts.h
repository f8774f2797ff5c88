#pragma once
// The language hooks of the CDDB windows, kept in one place: the message
// texts and the retitling of a window when the chosen language is not English.

#include <QString>

class QWidget;

// The text of a message key; its English default until a language file
// gives another.
QString CddbText(const char* key, const char* english);

// Retitles window from the chosen language file (nothing for English).
void RetitleCddbWindow(QWidget* window);
