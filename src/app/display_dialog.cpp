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

}  // namespace skyloom
