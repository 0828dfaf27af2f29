#include "app/input_state.h"

namespace skyloom {

InputState& inputState() {
  static InputState state;
  return state;
}

void MouseTracker::move(int newX, int newY) {
  dx = newX - x;
  dy = newY - y;
  x = newX;
  y = newY;
  if (flags & kLeftDown) flags |= kMovedLeft;
  if (flags & kRightDown) flags |= kMovedRight;
}

void MouseTracker::leftButton(bool down) {
  if (down) {
    flags |= kLeftDown;
  } else {
    flags &= static_cast<std::uint8_t>(~(kLeftDown | kMovedLeft));
  }
}

void MouseTracker::rightButton(bool down) {
  if (down) {
    flags |= kRightDown;
  } else {
    flags &= static_cast<std::uint8_t>(~(kRightDown | kMovedRight));
  }
}

}  // namespace skyloom
