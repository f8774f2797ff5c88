#pragma once
// Retitles a window and its controls from a language file. Controls are
// addressed by objectName(); the window's section is its objectName() and its
// menu items are in section "Menu_" + that name. What each kind of control
// takes:
//   label, button, check box, radio button, tool button: key name
//   group box: key name (its title)
//   drop-down list: name_Text (editable lists), name_Item<i> for every item
//   TStatusBar: key name in simple mode, else name_Panel<i>
//   report list (QTreeWidget, QTableWidget): name_Column<i>
//   page control (QTabWidget): name_Page<i>
//   menu and menu item (QMenu, QAction): key name in "Menu_" + window
// Edit fields, spin edits, sliders and controls with the dynamic property
// "quillonNoTranslate" set are left alone, as are child windows (they have
// sections of their own). A missing file or key keeps the current text.

#include <QString>

class QWidget;
class TLanguageFile;

void TranslateForm(QWidget* window, const QString& language);
void TranslateForm(QWidget* window, const TLanguageFile& file);
