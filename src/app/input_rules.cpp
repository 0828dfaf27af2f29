#include "app/input_rules.h"

namespace skyloom {

bool InputRules::keyDown(int virtualKey) {
  if (virtualKey == kVirtualKeyF1) ++helpPressed_;  // before the rule: F1 itself never ends it
  if (virtualKey == kVirtualKeyEscape) return true;
  return !test() && helpPressed_ == 0;
}

// Repeated moves to the same position (Windows sends them when windows appear or the cursor
// is hidden) never count, and neither does the first: it only tells where the cursor rests.
bool InputRules::mouseMove(int x, int y) {
  if (test() || helpPressed_ != 0) return false;
  const bool first = !havePosition_;
  if (!first && x == lastX_ && y == lastY_) return false;
  havePosition_ = true;
  lastX_ = x;
  lastY_ = y;
  return !first && ++mouseMoves_ > kMouseMovesAllowed;
}

}  // namespace skyloom
