#include <cmath>

#include "platform/graphics/Geometry.h"

namespace gfx {

namespace {

double Transform3D::*const kFields[16] = {
    &Transform3D::m11, &Transform3D::m12, &Transform3D::m13, &Transform3D::m14,
    &Transform3D::m21, &Transform3D::m22, &Transform3D::m23, &Transform3D::m24,
    &Transform3D::m31, &Transform3D::m32, &Transform3D::m33, &Transform3D::m34,
    &Transform3D::m41, &Transform3D::m42, &Transform3D::m43, &Transform3D::m44};

void toArray(const Transform3D& t, double* m) {
  for (int i = 0; i < 16; ++i) m[i] = t.*kFields[i];
}
Transform3D fromArray(const double* m) {
  Transform3D t;
  for (int i = 0; i < 16; ++i) t.*kFields[i] = m[i];
  return t;
}

}  // namespace

Transform3D Transform3DMakeTranslation(double tx, double ty, double tz) {
  Transform3D t;
  t.m41 = tx, t.m42 = ty, t.m43 = tz;
  return t;
}

Transform3D Transform3DMakeScale(double sx, double sy, double sz) {
  Transform3D t;
  t.m11 = sx, t.m22 = sy, t.m33 = sz;
  return t;
}

Transform3D Transform3DMakeRotation(double angle, double x, double y, double z) {
  double len = std::sqrt(x * x + y * y + z * z);
  if (len == 0) return Transform3DIdentity;
  x /= len, y /= len, z /= len;
  double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  Transform3D r;
  r.m11 = t * x * x + c, r.m12 = t * x * y + s * z, r.m13 = t * x * z - s * y;
  r.m21 = t * x * y - s * z, r.m22 = t * y * y + c, r.m23 = t * y * z + s * x;
  r.m31 = t * x * z + s * y, r.m32 = t * y * z - s * x, r.m33 = t * z * z + c;
  return r;
}

Transform3D Transform3DConcat(const Transform3D& a, const Transform3D& b) {
  double x[16], y[16], r[16];
  toArray(a, x);
  toArray(b, y);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += x[i * 4 + k] * y[k * 4 + j];
      r[i * 4 + j] = sum;
    }
  return fromArray(r);
}

Transform3D Transform3DTranslate(const Transform3D& t, double tx, double ty, double tz) {
  return Transform3DConcat(Transform3DMakeTranslation(tx, ty, tz), t);
}
Transform3D Transform3DScale(const Transform3D& t, double sx, double sy, double sz) {
  return Transform3DConcat(Transform3DMakeScale(sx, sy, sz), t);
}
Transform3D Transform3DRotate(const Transform3D& t, double angle, double x, double y, double z) {
  if (x == 0 && y == 0 && z == 0) return t;
  return Transform3DConcat(Transform3DMakeRotation(angle, x, y, z), t);
}

Transform3D Transform3DInvert(const Transform3D& t) {
  double m[16];
  toArray(t, m);
  if (!InvertMatrix(m, 4)) return t;
  return fromArray(m);
}

bool Transform3DIsIdentity(const Transform3D& t) { return t == Transform3DIdentity; }
bool Transform3DEqualToTransform(const Transform3D& a, const Transform3D& b) { return a == b; }

bool Transform3DIsAffine(const Transform3D& t) {
  return t.m13 == 0 && t.m23 == 0 && t.m31 == 0 && t.m32 == 0 && t.m33 == 1 && t.m34 == 0 && t.m14 == 0 &&
         t.m24 == 0 && t.m43 == 0 && t.m44 == 1;
}

Transform3D Transform3DMakeAffineTransform(const AffineTransform& a) {
  Transform3D t;
  t.m11 = a.a, t.m12 = a.b, t.m21 = a.c, t.m22 = a.d, t.m41 = a.tx, t.m42 = a.ty;
  return t;
}

AffineTransform Transform3DGetAffineTransform(const Transform3D& t) { return {t.m11, t.m12, t.m21, t.m22, t.m41, t.m42}; }

Point PointApplyTransform3D(const Point& p, const Transform3D& t) {
  double x = p.x * t.m11 + p.y * t.m21 + t.m41;
  double y = p.x * t.m12 + p.y * t.m22 + t.m42;
  double w = p.x * t.m14 + p.y * t.m24 + t.m44;
  if (w == 0) return {x, y};
  return {x / w, y / w};
}

}  // namespace gfx
