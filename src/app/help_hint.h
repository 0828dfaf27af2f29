#pragma once
// The "F1 for help" hint: opaque for about 11.7 s of scene time, fading out over the next 3.3 s.

namespace skyloom {

constexpr double kHelpHintSeconds = 15.0;
constexpr unsigned kHelpHintColour = 0xFFFF00;  // yellow; the alpha goes on top

// The hint's alpha after seconds of scene time, or -1 once it is no longer drawn.
inline int helpHintAlpha(double seconds) {
  if (seconds >= kHelpHintSeconds) return -1;
  const double a = (kHelpHintSeconds - seconds) * 76.5;
  return a >= 255.0 ? 255 : static_cast<int>(a);
}

}  // namespace skyloom
