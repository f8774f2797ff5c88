#pragma once
// The program's look: the window colours and a flat style for buttons, edit
// fields, lists and menus, applied through Qt style sheets.

#include <QColor>
#include <QString>

class QStyle;

namespace look {
inline const QColor kToolBar{228, 228, 255};
inline const QColor kWindow{214, 223, 247};
inline const QColor kList{239, 239, 255};
inline const QColor kStatusBar{220, 225, 255};

// "rgb(r, g, b)" for style sheets.
QString css(const QColor& colour);

// The flat style shared by every window of the program.
QString FlatStyleSheet();

// The style of lists with check boxes: the platform's, with a dark frame
// around every item check box so that an unchecked box stands out from a
// light list. One for the whole program, owned by the application.
QStyle* ListCheckStyle();
} // namespace look
