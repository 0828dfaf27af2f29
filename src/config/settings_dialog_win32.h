#pragma once
// The settings dialog of config mode: one button per group of settings, each opening that
// group's dialog; OK saves everything, Cancel nothing.

#include <windows.h>

#include <functional>

namespace skyloom {

class Registry;
class ScreenValuesWriter;

// Shows the settings dialog and answers its end code: 1 for OK, which has saved the settings
// ("config.ini" and, through screens, the per-screen values), 0 for Cancel. openDisplay shows
// the "Display Settings" dialog owned by the window it is given.
INT_PTR openSettingsDialog(HWND parent, Registry& registry, ScreenValuesWriter* screens,
                           std::function<void(HWND)> openDisplay);

}  // namespace skyloom
