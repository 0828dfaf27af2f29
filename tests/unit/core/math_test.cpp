#include <gtest/gtest.h>

#include <numbers>

#include "core/math.h"

namespace skyloom {
namespace {

constexpr float kEps = 1e-5f;
constexpr float kHalfPi = std::numbers::pi_v<float> / 2;

void expectNear(const Vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, kEps);
  EXPECT_NEAR(v.y, y, kEps);
  EXPECT_NEAR(v.z, z, kEps);
}

void expectMatrixNear(const Matrix& a, const Matrix& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], kEps) << i << "," << j;
}

TEST(Math, RotationsTurnAxesLeftHanded) {
  // Looking down the axis of rotation towards the origin, positive angles turn clockwise.
  expectNear(transformCoord({0, 1, 0}, rotationX(kHalfPi)), 0, 0, 1);
  expectNear(transformCoord({0, 0, 1}, rotationY(kHalfPi)), 1, 0, 0);
  expectNear(transformCoord({1, 0, 0}, rotationZ(kHalfPi)), 0, 1, 0);
  expectMatrixNear(rotationAxis({2, 0, 0}, 0.7f), rotationX(0.7f));
  expectMatrixNear(rotationAxis({0, 3, 0}, -1.1f), rotationY(-1.1f));
  expectMatrixNear(rotationAxis({0, 0, 1}, 2.5f), rotationZ(2.5f));
  // 120 degrees about the diagonal cycles the axes x -> y -> z.
  const Matrix r = rotationAxis({1, 1, 1}, 2.0f * std::numbers::pi_v<float> / 3.0f);
  expectNear(transformNormal({1, 0, 0}, r), 0, 1, 0);
  expectNear(transformNormal({0, 1, 0}, r), 0, 0, 1);
}

TEST(Math, RowVectorsApplyTheLeftMatrixFirst) {
  const Matrix m = scaling(2, 3, 4) * translation(10, 20, 30);
  expectNear(transformCoord({1, 1, 1}, m), 12, 23, 34);
  const Matrix n = translation(10, 20, 30) * scaling(2, 3, 4);
  expectNear(transformCoord({1, 1, 1}, n), 22, 63, 124);
  // Normals ignore the translation row.
  expectNear(transformNormal({1, 1, 1}, m), 2, 3, 4);
}

TEST(Math, InverseUndoesAndReportsSingular) {
  const Matrix m = rotationAxis({1, 2, 3}, 0.4f) * scaling(2, 0.5f, 3) * translation(5, -7, 9);
  Matrix inv;
  float det = 0;
  ASSERT_TRUE(inverse(m, inv, &det));
  EXPECT_NEAR(det, 3.0f, 1e-4f);  // rotations keep volume, the scaling triples it
  expectMatrixNear(m * inv, Matrix::identity());
  expectNear(transformCoord(transformCoord({1, 2, 3}, m), inv), 1, 2, 3);

  Matrix untouched = Matrix::identity();
  EXPECT_FALSE(inverse(scaling(1, 0, 1), untouched, &det));
  EXPECT_EQ(det, 0.0f);
  expectMatrixNear(untouched, Matrix::identity());
}

TEST(Math, PerspectiveMapsTheFrustumCornersToClipSpace) {
  // Near plane 1 m with a window from -2..2 by -1..1, far plane 100 m.
  const Matrix p = perspectiveOffCenterLH(-2, 2, -1, 1, 1, 100);
  EXPECT_FLOAT_EQ(p.m[0][0], 0.5f);
  EXPECT_FLOAT_EQ(p.m[1][1], 1.0f);
  EXPECT_FLOAT_EQ(p.m[2][2], 100.0f / 99.0f);
  EXPECT_FLOAT_EQ(p.m[2][3], 1.0f);
  EXPECT_FLOAT_EQ(p.m[3][2], -100.0f / 99.0f);
  expectNear(transformCoord({2, 1, 1}, p), 1, 1, 0);
  expectNear(transformCoord({-200, -100, 100}, p), -1, -1, 1);
  // An off-centre window shifts x and y through the third row.
  const Matrix q = perspectiveOffCenterLH(0, 2, 0, 1, 1, 10);
  expectNear(transformCoord({0, 0, 1}, q), -1, -1, 0);
  expectNear(transformCoord({2, 1, 1}, q), 1, 1, 0);
}

TEST(Math, NormalizeAndProducts) {
  expectNear(normalize({3, 0, 4}), 0.6f, 0, 0.8f);
  expectNear(normalize({0, 0, 0}), 0, 0, 0);
  expectNear(cross({1, 0, 0}, {0, 1, 0}), 0, 0, 1);
  EXPECT_FLOAT_EQ(dot({1, 2, 3}, {4, 5, 6}), 32.0f);
  const Vec4 h = transform({1, 2, 3}, translation(1, 1, 1));
  EXPECT_FLOAT_EQ(h.w, 1.0f);
  EXPECT_FLOAT_EQ(h.z, 4.0f);
}

}  // namespace
}  // namespace skyloom

namespace skyloom {
namespace {

TEST(Math, LookAtPutsTheTargetStraightAheadWithUpUp) {
  const Vec3 eye{10, 5, -20}, at{2, 1, 3};
  const Matrix v = lookAtLH(eye, at, {0, 1, 0});
  const Vec3 ahead = transformCoord(at, v);
  EXPECT_NEAR(ahead.x, 0.0f, 1e-4f);
  EXPECT_NEAR(ahead.y, 0.0f, 1e-4f);
  EXPECT_NEAR(ahead.z, length(at - eye), 1e-4f);
  const Vec3 above = transformCoord(eye + Vec3{0, 1, 0}, v);
  EXPECT_GT(above.y, 0.9f);
  EXPECT_NEAR(transformCoord(eye, v).z, 0.0f, 1e-4f);
}

}  // namespace
}  // namespace skyloom
