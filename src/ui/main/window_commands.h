#pragma once
// Wires the main window's commands to the windows that carry them out (the
// job window, the conversions, and every dialog opened from the menus). One
// line per command, so that a new window is added in one place.

class TMainForm;

void AttachWindowCommands(TMainForm& form);
