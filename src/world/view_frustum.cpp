#include "world/view_frustum.h"

#include <algorithm>
#include <cmath>

namespace skyloom {
namespace {
constexpr float kEyeLimit = 1e11f;
}

ViewFrustum::ViewFrustum(float width, float height, float fieldOfView, float nearOffset, float farDistance)
    : nearOffset_(nearOffset), farDistance_(farDistance) {
  const float h = fieldOfView / 2;
  const float f = width / std::tan(h);
  const float g = std::sqrt(height * height + f * f);
  viewNormals_[0] = {0, 0, -1};
  viewNormals_[1] = {-std::cos(h), 0, -std::sin(h)};
  viewNormals_[2] = {0, f / g, -height / g};
  viewNormals_[3] = {std::cos(h), 0, -std::sin(h)};
  viewNormals_[4] = {0, -f / g, -height / g};
  viewNormals_[5] = {0, 0, 1};
  for (int i = 0; i < 6; ++i) normals_[i] = viewNormals_[i];
}

void ViewFrustum::update(const Matrix& w) {
  const Vec3 eye{w.m[3][0], w.m[3][1], w.m[3][2]};
  for (float c : {eye.x, eye.y, eye.z}) {
    if (!(c > -kEyeLimit && c < kEyeLimit)) return;
  }
  eye_ = eye;
  haze_ = std::max(10000.0f - eye.y, 3000.0f) * 0.0001f;
  const Vec3 right{w.m[0][0], w.m[0][1], w.m[0][2]};
  const Vec3 up{w.m[1][0], w.m[1][1], w.m[1][2]};
  const Vec3 forward{w.m[2][0], w.m[2][1], w.m[2][2]};
  for (int i = 0; i < 6; ++i) {
    const Vec3& v = viewNormals_[i];
    normals_[i] = right * v.x + up * v.y + forward * v.z;
  }
  for (int i = 1; i <= 4; ++i) distances_[i] = -dot(normals_[i], eye);
  distances_[0] = -dot(normals_[0], eye + forward * nearOffset_);
  distances_[5] = -dot(normals_[5], eye + forward * farDistance_);
}

FrustumResult ViewFrustum::testSphere(const Vec3& centre, float radius) const {
  bool straddles = false;
  for (int i = 0; i < 5; ++i) {
    const float o = dot(normals_[i], centre) + distances_[i];
    if (o > radius) return kFrustumOutside;
    if (o >= -radius) straddles = true;
  }
  return straddles ? kFrustumPartly : kFrustumInside;
}

}  // namespace skyloom
