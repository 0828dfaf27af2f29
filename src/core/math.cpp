#include "core/math.h"

namespace skyloom {

Vec3 normalize(const Vec3& v) {
  const float len = length(v);
  if (len == 0.0f) return {};
  return v * (1.0f / len);
}

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

// Gauss-Jordan elimination with partial pivoting, in double so that the near-singular view
// matrices of a far camera keep their precision.
bool inverse(const Matrix& m, Matrix& out, float* determinant) {
  double a[4][8];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      a[i][j] = m.m[i][j];
      a[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  }
  double det = 1.0;
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int row = col + 1; row < 4; ++row) {
      if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
    }
    if (a[pivot][col] == 0.0) {
      if (determinant) *determinant = 0.0f;
      return false;
    }
    if (pivot != col) {
      for (int j = 0; j < 8; ++j) std::swap(a[pivot][j], a[col][j]);
      det = -det;
    }
    const double p = a[col][col];
    det *= p;
    for (int j = 0; j < 8; ++j) a[col][j] /= p;
    for (int row = 0; row < 4; ++row) {
      if (row == col || a[row][col] == 0.0) continue;
      const double f = a[row][col];
      for (int j = 0; j < 8; ++j) a[row][j] -= f * a[col][j];
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) out.m[i][j] = static_cast<float>(a[i][j + 4]);
  }
  if (determinant) *determinant = static_cast<float>(det);
  return true;
}

Matrix translation(float x, float y, float z) {
  Matrix r = Matrix::identity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Matrix scaling(float sx, float sy, float sz) {
  Matrix r;
  r.m[0][0] = sx;
  r.m[1][1] = sy;
  r.m[2][2] = sz;
  r.m[3][3] = 1.0f;
  return r;
}

Matrix rotationX(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix r = Matrix::identity();
  r.m[1][1] = c;
  r.m[1][2] = s;
  r.m[2][1] = -s;
  r.m[2][2] = c;
  return r;
}

Matrix rotationY(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix r = Matrix::identity();
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

Matrix rotationZ(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix r = Matrix::identity();
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

Matrix rotationAxis(const Vec3& axis, float angle) {
  const Vec3 n = normalize(axis);
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  Matrix r = Matrix::identity();
  r.m[0][0] = t * n.x * n.x + c;
  r.m[0][1] = t * n.x * n.y + s * n.z;
  r.m[0][2] = t * n.x * n.z - s * n.y;
  r.m[1][0] = t * n.x * n.y - s * n.z;
  r.m[1][1] = t * n.y * n.y + c;
  r.m[1][2] = t * n.y * n.z + s * n.x;
  r.m[2][0] = t * n.x * n.z + s * n.y;
  r.m[2][1] = t * n.y * n.z - s * n.x;
  r.m[2][2] = t * n.z * n.z + c;
  return r;
}

Matrix perspectiveOffCenterLH(float l, float r, float b, float t, float zn, float zf) {
  Matrix p;
  p.m[0][0] = 2.0f * zn / (r - l);
  p.m[1][1] = 2.0f * zn / (t - b);
  p.m[2][0] = (l + r) / (l - r);
  p.m[2][1] = (t + b) / (b - t);
  p.m[2][2] = zf / (zf - zn);
  p.m[2][3] = 1.0f;
  p.m[3][2] = zn * zf / (zn - zf);
  return p;
}

Matrix lookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
  const Vec3 z = normalize(at - eye);
  const Vec3 x = normalize(cross(up, z));
  const Vec3 y = cross(z, x);
  Matrix v = Matrix::identity();
  v.m[0][0] = x.x, v.m[0][1] = y.x, v.m[0][2] = z.x;
  v.m[1][0] = x.y, v.m[1][1] = y.y, v.m[1][2] = z.y;
  v.m[2][0] = x.z, v.m[2][1] = y.z, v.m[2][2] = z.z;
  v.m[3][0] = -dot(x, eye), v.m[3][1] = -dot(y, eye), v.m[3][2] = -dot(z, eye);
  return v;
}

Vec4 transform(const Vec3& v, const Matrix& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2],
          v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + m.m[3][3]};
}

Vec3 transformCoord(const Vec3& v, const Matrix& m) {
  const Vec4 h = transform(v, m);
  const float w = h.w == 0.0f ? 1.0f : 1.0f / h.w;
  return {h.x * w, h.y * w, h.z * w};
}

Vec3 transformNormal(const Vec3& v, const Matrix& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

}  // namespace skyloom
