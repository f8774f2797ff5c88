#pragma once
// Checks of a window's layout that hold for every window: each named control
// lies inside the window, and each label or button is wide enough for its text.

#include <QStringList>

class QWidget;

namespace quillon::test {

// The controls of window (visible ones with an object name) that are cut off,
// as "name: reason"; empty when everything shows whole.
QStringList cutOffControls(QWidget* window);

} // namespace quillon::test
