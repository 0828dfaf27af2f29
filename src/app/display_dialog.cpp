#include "app/display_dialog.h"

#include <cstdio>

namespace skyloom {

std::string modeLabel(const DisplayMode& mode) {
  char text[64];
  std::snprintf(text, sizeof text, "%d by %d, %d bit color", mode.width, mode.height, bitDepth(mode.format));
  return text;
}

unsigned displayHelpTextId(DeviceState hal, bool halDisabled, DeviceState software) {
  const unsigned sw = software == DeviceState::Usable ? 0 : software == DeviceState::Unusable ? 1 : 2;
  if (hal != DeviceState::Absent && halDisabled) return 2207 + sw;
  if (hal == DeviceState::Usable) return 2200;
  if (hal == DeviceState::Unusable) return 2201 + sw;
  return 2204 + sw;
}

int displayedTypeIndex(const std::vector<bool>& isHardware, bool hardwareDisabled) {
  for (int i = 0; i < static_cast<int>(isHardware.size()); ++i) {
    if (!isHardware[i] || !hardwareDisabled) return i;
  }
  return -1;
}

void storeListedMode(const std::vector<DisplayMode>& listed, long long itemData, ScreenChoice& choice) {
  if (itemData < 0 || itemData >= static_cast<long long>(listed.size())) {
    choice.width = choice.height = choice.format = 0;
    return;
  }
  const DisplayMode& m = listed[static_cast<std::size_t>(itemData)];
  choice.width = m.width;
  choice.height = m.height;
  choice.format = static_cast<int>(m.format);
}

}  // namespace skyloom
