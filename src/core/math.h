#pragma once
// Vector and matrix maths in Direct3D's conventions: row vectors multiplied on the left
// (v' = v * M), left-handed coordinates, matrices stored row by row. These replace the D3DX
// helpers of the same meaning; results match them to float precision.

#include <cmath>
#include <utility>

namespace skyloom {

struct Vec2 {
  float x = 0, y = 0;
};

struct Vec3 {
  float x = 0, y = 0, z = 0;

  constexpr Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
  constexpr Vec3 operator-() const { return {-x, -y, -z}; }
  Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
  Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
  Vec3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
};

struct Vec4 {
  float x = 0, y = 0, z = 0, w = 0;
};

// m[row][column]; row 3 holds the translation.
struct Matrix {
  float m[4][4] = {};

  static constexpr Matrix identity() {
    Matrix r;
    r.m[0][0] = r.m[1][1] = r.m[2][2] = r.m[3][3] = 1.0f;
    return r;
  }
  float& operator()(int row, int col) { return m[row][col]; }
  float operator()(int row, int col) const { return m[row][col]; }
};

constexpr float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Vec3& v) { return std::sqrt(dot(v, v)); }

// Unit vector in the direction of v; the zero vector stays zero.
Vec3 normalize(const Vec3& v);

// a * b: applies a first, then b.
Matrix multiply(const Matrix& a, const Matrix& b);
inline Matrix operator*(const Matrix& a, const Matrix& b) { return multiply(a, b); }

// Inverse of m; answers false and leaves out untouched when m is singular. The determinant is
// stored in determinant when it is not null.
bool inverse(const Matrix& m, Matrix& out, float* determinant = nullptr);

Matrix translation(float x, float y, float z);
Matrix scaling(float sx, float sy, float sz);
// Rotations by angle radians, clockwise when looking along the axis towards the origin
// (the left-handed convention).
Matrix rotationX(float angle);
Matrix rotationY(float angle);
Matrix rotationZ(float angle);
Matrix rotationAxis(const Vec3& axis, float angle);

// Left-handed perspective projection of the view volume with near-plane bounds l, r, b, t at
// depth zn and far plane zf; depth maps to 0 at zn and 1 at zf.
Matrix perspectiveOffCenterLH(float l, float r, float b, float t, float zn, float zf);
// The left-handed view matrix of an eye looking at a point, with up as the rough upward
// direction (D3DXMatrixLookAtLH).
Matrix lookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);

// (x, y, z, 1) * m, divided by the resulting w.
Vec3 transformCoord(const Vec3& v, const Matrix& m);
// (x, y, z, 0) * m: directions and normals, translation ignored.
Vec3 transformNormal(const Vec3& v, const Matrix& m);
// (x, y, z, 1) * m without the division.
Vec4 transform(const Vec3& v, const Matrix& m);

}  // namespace skyloom
