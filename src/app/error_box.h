#pragma once
// The error box the saver shows instead of the scene: 300 × 150 pixels, bouncing around the
// window at a tenth of its width and a twentieth of its height per second. In a preview it
// fills the small window and stands still.

namespace skyloom {

struct ErrorBox {
  float x = 0, y = 0, w = 0, h = 0;  // w 0: not placed yet
  float vx = 0, vy = 0;              // pixels per second
};

constexpr float kErrorBoxWidth = 300.0f;
constexpr float kErrorBoxHeight = 150.0f;

// One step in an area of areaW × areaH pixels; dt in seconds. Answers whether the box moved
// (or was placed), so its window needs repainting.
bool stepErrorBox(ErrorBox& box, float areaW, float areaH, bool preview, float dt);

}  // namespace skyloom
