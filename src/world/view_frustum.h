#pragma once
// The scene's culling volume: five planes (near, left, top, right, bottom) through the eye,
// plus the far plane, in world space; terrain and scenery test spheres against it.

#include "core/math.h"

namespace skyloom {

enum FrustumResult : int { kFrustumOutside = 0x200, kFrustumInside = 0x400, kFrustumPartly = 0x800 };

class ViewFrustum {
 public:
  // Viewport size in pixels and the field of view in radians.
  ViewFrustum(float width, float height, float fieldOfView, float nearOffset = 0.0f, float farDistance = 1e9f);

  // From the camera's world matrix (rows right, up, forward, position). Eye coordinates outside
  // ±1e11 keep the previous state.
  void update(const Matrix& cameraWorld);
  // Planes 0 to 4 only: the far plane never culls.
  FrustumResult testSphere(const Vec3& centre, float radius) const;

  const Vec3& eye() const { return eye_; }
  float haze() const { return haze_; }
  // The camera's forward vector (the far plane's normal).
  const Vec3& forward() const { return normals_[5]; }
  const Vec3& planeNormal(int i) const { return normals_[i]; }
  float planeDistance(int i) const { return distances_[i]; }

 private:
  Vec3 viewNormals_[6];
  Vec3 normals_[6];
  float distances_[6] = {};
  Vec3 eye_;
  float haze_ = 1.0f;
  float nearOffset_;
  float farDistance_;
};

}  // namespace skyloom
