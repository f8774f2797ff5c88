#pragma once
// A check of a window's layout that holds for every window: each named control
// lies inside the window, and each label or button is wide enough for its text.

#include <string>

class QWidget;

namespace quillon::test {

// The controls of window (visible ones with an object name) that are cut off,
// as "name: reason" separated by "; "; empty when everything shows whole.
std::string cutOffControls(QWidget* window);

} // namespace quillon::test
