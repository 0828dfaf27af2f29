#pragma once
// Texts of the "Display Settings" dialog that follow from an adapter's state.

#include <string>
#include <vector>

#include "app/display_modes.h"
#include "app/monitor_choices.h"

namespace skyloom {

// "%d by %d, %d bit color".
std::string modeLabel(const DisplayMode& mode);

enum class DeviceState { Usable, Unusable, Absent };

// The help text's string id for a monitor whose hardware device is in state hal (disabled by
// the user's check box or not) and whose software device is in state software.
unsigned displayHelpTextId(DeviceState hal, bool halDisabled, DeviceState software);

// The device type whose modes the dialog lists and whose mode a selection stores: the first
// type that is not a disabled hardware one. isHardware has one entry per type; -1 when none.
int displayedTypeIndex(const std::vector<bool>& isHardware, bool hardwareDisabled);

// Stores the listed mode that a combo box item's data names in choice: 0, 0, 0 (automatic) for
// "Automatic" (-1) or an index the list does not have.
void storeListedMode(const std::vector<DisplayMode>& listed, long long itemData, ScreenChoice& choice);

}  // namespace skyloom
