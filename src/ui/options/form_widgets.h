#pragma once
// Small constructors for the controls of the options, tag and rename
// dialogs: each control carries its design name as objectName(), which the
// language files address it by.

#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

// A drop-down list; an editable one keeps typed text as text, never as a new item.
QComboBox* NewFormComboBox(const char* name, const QStringList& items, bool editable,
                           QWidget* parent);
QCheckBox* NewFormCheckBox(const char* name, const QString& text, QWidget* parent);
// maxLength 0: no limit.
QLineEdit* NewFormEdit(const char* name, int maxLength, QWidget* parent);
// A button that never becomes the default button by getting the focus.
QPushButton* NewFormButton(const char* name, const QString& text, QWidget* parent);
