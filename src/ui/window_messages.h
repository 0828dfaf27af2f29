#pragma once
// The window messages the in-scene interface reads, with their Win32 numbers, so that the
// portable code takes the messages exactly as the window procedure passes them on.

#include <cstdint>

namespace skyloom {

constexpr std::uint32_t kWmMouseMove = 0x0200;
constexpr std::uint32_t kWmLButtonDown = 0x0201;
constexpr std::uint32_t kWmLButtonUp = 0x0202;
constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
constexpr std::uint32_t kWmRButtonDown = 0x0204;
constexpr std::uint32_t kWmRButtonUp = 0x0205;
constexpr std::uint32_t kWmMouseWheel = 0x020A;
constexpr std::uint32_t kWmFirstMouse = kWmMouseMove;
constexpr std::uint32_t kWmLastMouse = kWmMouseWheel;

// wParam bits of the mouse messages.
constexpr std::uintptr_t kMkLButton = 0x0001;
constexpr std::uintptr_t kMkRButton = 0x0002;

// The client position packed in lParam (signed 16-bit x and y).
inline int messageX(std::intptr_t lparam) { return static_cast<std::int16_t>(lparam & 0xFFFF); }
inline int messageY(std::intptr_t lparam) { return static_cast<std::int16_t>((lparam >> 16) & 0xFFFF); }
inline std::intptr_t messagePoint(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y) & 0xFFFF) << 16 |
                                    (static_cast<std::uint32_t>(x) & 0xFFFF));
}
// The wheel's turn in WM_MOUSEWHEEL's wParam: signed, 120 per step.
inline int wheelDelta(std::uintptr_t wparam) { return static_cast<std::int16_t>((wparam >> 16) & 0xFFFF); }

}  // namespace skyloom
