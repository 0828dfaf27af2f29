#include "config/camera_settings.h"

#include <cstring>

namespace skyloom {
namespace {

constexpr float kShortestAxis = 0.01f;

Vec3 row(const Matrix& m, int r) { return {m.m[r][0], m.m[r][1], m.m[r][2]}; }

void setRow(Matrix& m, int r, const Vec3& v) {
  m.m[r][0] = v.x;
  m.m[r][1] = v.y;
  m.m[r][2] = v.z;
}

Vec3 normalizedOr(const Vec3& v, const Vec3& fallback) {
  const float len = length(v);
  // Also catches NaN, which fails every comparison.
  return len >= kShortestAxis ? v * (1.0f / len) : fallback;
}

}  // namespace

void orthonormalizeRotation(Matrix& m) {
  const Vec3 x = normalizedOr(cross(row(m, 1), row(m, 2)), {1, 0, 0});
  const Vec3 y = normalizedOr(cross(row(m, 2), x), {0, 1, 0});
  setRow(m, 0, x);
  setRow(m, 1, y);
  setRow(m, 2, cross(x, y));
}

bool CameraSettings::readPayload(ByteSpan in, std::size_t& consumed) {
  if (in.size() < sizeof(CameraRecord)) return false;
  CameraRecord loaded;
  std::memcpy(&loaded, in.data(), sizeof loaded);
  record_.storedValue = loaded.storedValue;
  record_.followDistance = loaded.followDistance;
  record_.freeView = loaded.freeView;
  orthonormalizeRotation(record_.freeView);
  // A mode the camera does not have (a damaged file) starts it free.
  record_.mode = (loaded.mode >= 0 && loaded.mode < kCameraModeSlots) ? loaded.mode : 0;
  for (int i = 0; i < kCameraModeSlots; ++i) {
    record_.slots[i] = loaded.slots[i];
    orthonormalizeRotation(record_.slots[i].offset);
  }
  consumed = sizeof(CameraRecord);
  return true;
}

}  // namespace skyloom
