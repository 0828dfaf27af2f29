#include "app/error_box.h"

namespace skyloom {

bool stepErrorBox(ErrorBox& box, float areaW, float areaH, bool preview, float dt) {
  if (box.w == 0.0f) {
    if (preview) {
      box = {0.0f, 0.0f, areaW, areaH, 0.0f, 0.0f};
    } else {
      box = {(areaW - kErrorBoxWidth) / 2, (areaH - kErrorBoxHeight) / 2, kErrorBoxWidth, kErrorBoxHeight,
             0.1f * areaW, 0.05f * areaH};
    }
    return true;
  }
  if (preview) return false;
  const float nx = box.x + box.vx * dt;
  const float ny = box.y + box.vy * dt;
  // Reverse before the step that would cross an edge.
  if ((box.vx > 0 && nx + box.w > areaW) || (box.vx < 0 && nx < 0)) box.vx = -box.vx;
  if ((box.vy > 0 && ny + box.h > areaH) || (box.vy < 0 && ny < 0)) box.vy = -box.vy;
  const float oldX = box.x, oldY = box.y;
  box.x += box.vx * dt;
  box.y += box.vy * dt;
  return box.x != oldX || box.y != oldY;
}

}  // namespace skyloom
