#pragma once
// The input state shared by the saver frame, the camera and the in-scene interface: which keys
// are down, which characters arrived, what the mouse did, and how long nobody touched anything.

#include <cstdint>

namespace skyloom {

// Mouse position, movement since the previous move and button state. flags: 4 left down,
// 16 right down, 1 moved while left down, 2 moved while right down.
struct MouseTracker {
  enum : std::uint8_t { kMovedLeft = 1, kMovedRight = 2, kLeftDown = 4, kRightDown = 16 };
  int x = 0, y = 0, dx = 0, dy = 0;
  std::uint8_t flags = 0;

  void move(int newX, int newY);
  void leftButton(bool down);
  void rightButton(bool down);
};

struct InputState {
  std::uint8_t keyDown[256] = {};    // by virtual-key code
  std::uint8_t characters[256] = {};  // by character code; readers clear what they take
  MouseTracker mouse;
  int lastMouseX = 0, lastMouseY = 0;  // client coordinates
  float idleSeconds = 0.0f;
  int fillModeToggle = 3;  // odd: solid, even: wireframe; the camera's "M" counts it up
};

// The program's one input state (main thread only).
InputState& inputState();

}  // namespace skyloom
