#pragma once
// Which input ends a run. A full-screen run is a screen saver until F1 is pressed: any key, any
// mouse button, the sixth mouse move that changes the position or losing activation ends it.
// After F1 it is an interactive program: only Escape, losing activation and a suspend query
// end it. A test run ends only by Escape, a suspend query or closing its window; a preview
// only when its parent goes away.

#include "app/command_line.h"

namespace skyloom {

constexpr int kVirtualKeyEscape = 0x1B;
constexpr int kVirtualKeyF1 = 0x70;
constexpr int kMouseMovesAllowed = 5;

class InputRules {
 public:
  explicit InputRules(SaverMode mode) : mode_(mode) {}

  // Each answers whether the input asks to end the run.
  bool keyDown(int virtualKey);
  bool buttonDown() const { return !test() && helpPressed_ == 0; }
  bool mouseMove(int x, int y);
  bool deactivated() const { return !test(); }
  bool suspendQuery(bool hasPasswordCheck) const { return !hasPasswordCheck; }

  // Whether an end request is acted on: in test runs, and in full-screen runs unless the
  // password dialog is up. Previews and the other modes ignore them.
  bool endRequestActs(bool passwordDialogOpen) const {
    return test() || (mode_ == SaverMode::Full && !passwordDialogOpen);
  }

  // Non-zero once F1 was pressed: the run is interactive from then on.
  int helpPressed() const { return helpPressed_; }
  int mouseMoves() const { return mouseMoves_; }
  void resetMouseMoves() { mouseMoves_ = 0; }
  SaverMode mode() const { return mode_; }

 private:
  bool test() const { return mode_ == SaverMode::Test; }

  SaverMode mode_;
  int helpPressed_ = 0;
  int mouseMoves_ = 0;
  bool havePosition_ = false;
  int lastX_ = 0, lastY_ = 0;
};

}  // namespace skyloom
