#include "anim/PXMatrix4x4.h"

#include <cmath>

namespace anim {

namespace {
constexpr double kPi = 3.141592653589793;

struct Vec3 {
  double x, y, z;
  double dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
  Vec3 cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
  Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  Vec3 operator*(double k) const { return {x * k, y * k, z * k}; }
  double length() const { return std::sqrt(dot(*this)); }
};

double det3(double a1, double a2, double a3, double b1, double b2, double b3, double c1, double c2, double c3) {
  return a1 * (b2 * c3 - b3 * c2) - b1 * (a2 * c3 - a3 * c2) + c1 * (a2 * b3 - a3 * b2);
}
}  // namespace

Matrix4x4 Matrix4x4::fromTransform(const gfx::Transform3D& t) {
  Matrix4x4 r;
  const double v[16] = {t.m11, t.m12, t.m13, t.m14, t.m21, t.m22, t.m23, t.m24,
                        t.m31, t.m32, t.m33, t.m34, t.m41, t.m42, t.m43, t.m44};
  for (int i = 0; i < 16; ++i) r.m[i / 4][i % 4] = v[i];
  return r;
}

gfx::Transform3D Matrix4x4::toTransform() const {
  auto f = [this](int i, int j) { return static_cast<double>(static_cast<float>(m[i][j])); };
  gfx::Transform3D t;
  t.m11 = f(0, 0); t.m12 = f(0, 1); t.m13 = f(0, 2); t.m14 = f(0, 3);
  t.m21 = f(1, 0); t.m22 = f(1, 1); t.m23 = f(1, 2); t.m24 = f(1, 3);
  t.m31 = f(2, 0); t.m32 = f(2, 1); t.m33 = f(2, 2); t.m34 = f(2, 3);
  t.m41 = f(3, 0); t.m42 = f(3, 1); t.m43 = f(3, 2); t.m44 = f(3, 3);
  return t;
}

bool Matrix4x4::isIdentity() const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m[i][j] != (i == j ? 1.0 : 0.0)) return false;
  return true;
}

void Matrix4x4::multiply(const Matrix4x4& n) {
  Matrix4x4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += n.m[i][k] * m[k][j];
      r.m[i][j] = s;
    }
  *this = r;
}

void Matrix4x4::scale(double sx, double sy, double sz) {
  for (int j = 0; j < 4; ++j) {
    m[0][j] *= sx;
    m[1][j] *= sy;
    m[2][j] *= sz;
  }
}

void Matrix4x4::translate(double tx, double ty, double tz) {
  for (int j = 0; j < 4; ++j) m[3][j] += tx * m[0][j] + ty * m[1][j] + tz * m[2][j];
}

void Matrix4x4::rotate(double degrees, double x, double y, double z) {
  double n = std::sqrt(x * x + y * y + z * z);
  if (n == 0) return;
  if (n != 1) {
    x /= n;
    y /= n;
    z /= n;
  }
  double a = degrees * kPi / 180, s = std::sin(a), c = std::cos(a);
  Matrix4x4 r;
  if (x == 1 && y == 0 && z == 0) {
    r.m[1][1] = c; r.m[1][2] = s; r.m[2][1] = -s; r.m[2][2] = c;
  } else if (x == 0 && y == 1 && z == 0) {
    r.m[0][0] = c; r.m[0][2] = -s; r.m[2][0] = s; r.m[2][2] = c;
  } else if (x == 0 && y == 0 && z == 1) {
    r.m[0][0] = c; r.m[0][1] = s; r.m[1][0] = -s; r.m[1][1] = c;
  } else {
    double t = 1 - c;
    r.m[0][0] = c + x * x * t; r.m[0][1] = z * s + y * x * t; r.m[0][2] = z * x * t - y * s;
    r.m[1][0] = y * x * t - z * s; r.m[1][1] = c + y * y * t; r.m[1][2] = x * s + z * y * t;
    r.m[2][0] = y * s + z * x * t; r.m[2][1] = z * y * t - x * s; r.m[2][2] = c + z * z * t;
  }
  multiply(r);
}

double Matrix4x4::determinant() const {
  double d = 0;
  for (int j = 0; j < 4; ++j) {
    double minor[9];
    int k = 0;
    for (int r = 1; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        if (c != j) minor[k++] = m[r][c];
    double cofactor = det3(minor[0], minor[3], minor[6], minor[1], minor[4], minor[7], minor[2], minor[5], minor[8]);
    d += (j % 2 ? -1 : 1) * m[0][j] * cofactor;
  }
  return d;
}

bool Matrix4x4::inverse(Matrix4x4& out) const {
  // Adjugate: the transposed matrix of cofactors.
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double minor[9];
      int k = 0;
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
          if (r != i && c != j) minor[k++] = m[r][c];
      double cofactor = det3(minor[0], minor[3], minor[6], minor[1], minor[4], minor[7], minor[2], minor[5], minor[8]);
      out.m[j][i] = ((i + j) % 2 ? -1 : 1) * cofactor;
    }
  double det = determinant();
  if (std::fabs(det) < 1e-8) return false;
  for (auto& row : out.m)
    for (double& v : row) v /= det;
  return true;
}

std::optional<MatrixDecomposition> decompose(const Matrix4x4& input) {
  Matrix4x4 l = input;
  if (l.m[3][3] == 0) return std::nullopt;
  for (auto& row : l.m)
    for (double& v : row) v /= input.m[3][3];
  Matrix4x4 p = l;
  p.m[0][3] = p.m[1][3] = p.m[2][3] = 0;
  p.m[3][3] = 1;
  if (p.determinant() == 0) return std::nullopt;

  MatrixDecomposition d;
  if (l.m[0][3] != 0 || l.m[1][3] != 0 || l.m[2][3] != 0) {
    double r[4] = {l.m[0][3], l.m[1][3], l.m[2][3], l.m[3][3]};
    Matrix4x4 inv;
    p.inverse(inv);
    double persp[4];
    for (int j = 0; j < 4; ++j) {
      persp[j] = 0;
      for (int i = 0; i < 4; ++i) persp[j] += r[i] * inv.m[j][i];
    }
    d.perspectiveX = persp[0];
    d.perspectiveY = persp[1];
    d.perspectiveZ = persp[2];
    d.perspectiveW = persp[3];
    l.m[0][3] = l.m[1][3] = l.m[2][3] = 0;
    l.m[3][3] = 1;
  }
  d.translateX = l.m[3][0];
  d.translateY = l.m[3][1];
  d.translateZ = l.m[3][2];
  l.m[3][0] = l.m[3][1] = l.m[3][2] = 0;

  Vec3 row0{l.m[0][0], l.m[0][1], l.m[0][2]}, row1{l.m[1][0], l.m[1][1], l.m[1][2]}, row2{l.m[2][0], l.m[2][1], l.m[2][2]};
  d.scaleX = row0.length();
  if (d.scaleX != 0) row0 = row0 * (1 / d.scaleX);
  d.skewXY = row0.dot(row1);
  row1 = row1 - row0 * d.skewXY;
  d.scaleY = row1.length();
  if (d.scaleY != 0) row1 = row1 * (1 / d.scaleY);
  d.skewXY /= d.scaleY;
  d.skewXZ = row0.dot(row2);
  d.skewYZ = row1.dot(row2 - row0 * d.skewXZ);
  row2 = row2 - row0 * d.skewXZ - row1 * d.skewYZ;
  d.scaleZ = row2.length();
  if (d.scaleZ != 0) row2 = row2 * (1 / d.scaleZ);
  d.skewXZ /= d.scaleZ;
  d.skewYZ /= d.scaleZ;
  if (row0.dot(row1.cross(row2)) < 0) {
    d.scaleX = -d.scaleX;
    d.scaleY = -d.scaleY;
    d.scaleZ = -d.scaleZ;
    row0 = row0 * -1;
    row1 = row1 * -1;
    row2 = row2 * -1;
  }

  d.rotateY = std::asin(-row0.z);
  if (std::cos(d.rotateY) != 0) {
    d.rotateX = std::atan2(row1.z, row2.z);
    d.rotateZ = std::atan2(row0.y, row0.x);
  } else {
    d.rotateX = std::atan2(-row2.x, row1.y);
    d.rotateZ = 0;
  }

  double tr = 1 + row0.x + row1.y + row2.z;
  double s;
  if (tr > 0.0001) {
    s = 0.5 / std::sqrt(tr);
    d.quaternionW = 0.25 / s;
    d.quaternionX = (row2.y - row1.z) * s;
    d.quaternionY = (row0.z - row2.x) * s;
    d.quaternionZ = (row1.x - row0.y) * s;
  } else if (row0.x > row1.y && row0.x > row2.z) {
    s = 2 * std::sqrt(1 + row0.x - row1.y - row2.z);
    d.quaternionX = 0.25 * s;
    d.quaternionY = (row0.y + row1.x) / s;
    d.quaternionZ = (row0.z + row2.x) / s;
    d.quaternionW = (row2.y - row1.z) / s;
  } else if (row1.y > row2.z) {
    s = 2 * std::sqrt(1 + row1.y - row0.x - row2.z);
    d.quaternionX = (row0.y + row1.x) / s;
    d.quaternionY = 0.25 * s;
    d.quaternionZ = (row1.z + row2.y) / s;
    d.quaternionW = (row0.z - row2.x) / s;
  } else {
    s = 2 * std::sqrt(1 + row2.z - row0.x - row1.y);
    d.quaternionX = (row0.z + row2.x) / s;
    d.quaternionY = (row1.z + row2.y) / s;
    d.quaternionZ = 0.25 * s;
    d.quaternionW = (row1.x - row0.y) / s;
  }
  return d;
}

Matrix4x4 recompose(const MatrixDecomposition& d, bool fromEulerAngles) {
  Matrix4x4 m;
  m.m[0][3] = d.perspectiveX;
  m.m[1][3] = d.perspectiveY;
  m.m[2][3] = d.perspectiveZ;
  m.m[3][3] = d.perspectiveW;
  m.translate(d.translateX, d.translateY, d.translateZ);
  if (fromEulerAngles) {
    m.rotate(d.rotateX * 180 / kPi, 1, 0, 0);
    m.rotate(d.rotateY * 180 / kPi, 0, 1, 0);
    m.rotate(d.rotateZ * 180 / kPi, 0, 0, 1);
  } else {
    double x = d.quaternionX, y = d.quaternionY, z = d.quaternionZ, w = d.quaternionW;
    Matrix4x4 r;
    r.m[0][0] = 1 - 2 * (y * y + z * z); r.m[0][1] = 2 * (x * y - z * w); r.m[0][2] = 2 * (x * z + y * w);
    r.m[1][0] = 2 * (x * y + z * w); r.m[1][1] = 1 - 2 * (x * x + z * z); r.m[1][2] = 2 * (y * z - x * w);
    r.m[2][0] = 2 * (x * z - y * w); r.m[2][1] = 2 * (y * z + x * w); r.m[2][2] = 1 - 2 * (x * x + y * y);
    m.multiply(r);
  }
  auto skew = [&m](int row, int col, double v) {
    if (v == 0) return;
    Matrix4x4 s;
    s.m[row][col] = v;
    m.multiply(s);
  };
  skew(2, 1, d.skewYZ);
  skew(2, 0, d.skewXZ);
  skew(1, 0, d.skewXY);
  m.scale(d.scaleX, d.scaleY, d.scaleZ);
  return m;
}

namespace {

Matrix4x4 layerMatrix(const ui::Layer* layer, bool sublayer) {
  if (!layer) {
    Matrix4x4 zero;
    for (auto& row : zero.m)
      for (double& v : row) v = 0;
    return zero;
  }
  return Matrix4x4::fromTransform(sublayer ? layer->sublayerTransform() : layer->transform());
}

double nonZeroScale(double v) { return v == 0 ? 0.000001 : v; }

}  // namespace

bool readTransformComponent(const ui::Layer* layer, bool sublayer, TransformComponent c, double out[2]) {
  auto d = decompose(layerMatrix(layer, sublayer));
  out[0] = out[1] = 0;
  if (!d) return false;
  switch (c) {
    case TransformComponent::ScaleX: out[0] = d->scaleX; break;
    case TransformComponent::ScaleY: out[0] = d->scaleY; break;
    case TransformComponent::ScaleXY: out[0] = d->scaleX; out[1] = d->scaleY; break;
    case TransformComponent::TranslationX: out[0] = d->translateX; break;
    case TransformComponent::TranslationY: out[0] = d->translateY; break;
    case TransformComponent::TranslationZ: out[0] = d->translateZ; break;
    case TransformComponent::TranslationXY: out[0] = d->translateX; out[1] = d->translateY; break;
    case TransformComponent::RotationX: out[0] = d->rotateX; break;
    case TransformComponent::RotationY: out[0] = d->rotateY; break;
    case TransformComponent::RotationZ: out[0] = d->rotateZ; break;
  }
  return true;
}

void writeTransformComponent(ui::Layer* layer, bool sublayer, TransformComponent c, const double v[2]) {
  if (!layer) return;
  auto d = decompose(layerMatrix(layer, sublayer));
  if (!d) return;
  bool euler = false;
  switch (c) {
    case TransformComponent::ScaleX: d->scaleX = nonZeroScale(v[0]); break;
    case TransformComponent::ScaleY: d->scaleY = nonZeroScale(v[0]); break;
    case TransformComponent::ScaleXY:
      if (v[0] == 0 && v[1] == 0) {
        d->scaleX = d->scaleY = 0.000001;
      } else {
        d->scaleX = v[0];
        d->scaleY = v[1];
      }
      break;
    case TransformComponent::TranslationX: d->translateX = v[0]; break;
    case TransformComponent::TranslationY: d->translateY = v[0]; break;
    case TransformComponent::TranslationZ: d->translateZ = v[0]; break;
    case TransformComponent::TranslationXY: d->translateX = v[0]; d->translateY = v[1]; break;
    case TransformComponent::RotationX: d->rotateX = v[0]; euler = true; break;
    case TransformComponent::RotationY: d->rotateY = v[0]; euler = true; break;
    case TransformComponent::RotationZ: d->rotateZ = v[0]; euler = true; break;
  }
  gfx::Transform3D t = recompose(*d, euler).toTransform();
  if (sublayer) layer->setSublayerTransform(t);
  else layer->setTransform(t);
}

}  // namespace anim
