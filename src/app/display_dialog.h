#pragma once
// Texts of the "Display Settings" dialog that follow from an adapter's state.

#include <string>

#include "app/display_modes.h"

namespace skyloom {

// "%d by %d, %d bit color".
std::string modeLabel(const DisplayMode& mode);

enum class DeviceState { Usable, Unusable, Absent };

// The help text's string id for a monitor whose hardware device is in state hal (disabled by
// the user's check box or not) and whose software device is in state software.
unsigned displayHelpTextId(DeviceState hal, bool halDisabled, DeviceState software);

}  // namespace skyloom
