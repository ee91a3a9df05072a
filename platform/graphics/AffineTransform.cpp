#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/graphics/Geometry.h"

namespace gfx {

AffineTransform AffineTransformMake(double a, double b, double c, double d, double tx, double ty) {
  return {a, b, c, d, tx, ty};
}
AffineTransform AffineTransformMakeTranslation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
AffineTransform AffineTransformMakeScale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
AffineTransform AffineTransformMakeRotation(double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return {c, s, -s, c, 0, 0};
}
bool AffineTransformIsIdentity(const AffineTransform& t) { return t == AffineTransformIdentity; }

AffineTransform AffineTransformConcat(const AffineTransform& t1, const AffineTransform& t2) {
  return {t1.a * t2.a + t1.b * t2.c,           t1.a * t2.b + t1.b * t2.d,
          t1.c * t2.a + t1.d * t2.c,           t1.c * t2.b + t1.d * t2.d,
          t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}
AffineTransform AffineTransformTranslate(const AffineTransform& t, double tx, double ty) {
  return AffineTransformConcat(AffineTransformMakeTranslation(tx, ty), t);
}
AffineTransform AffineTransformScale(const AffineTransform& t, double sx, double sy) {
  return AffineTransformConcat(AffineTransformMakeScale(sx, sy), t);
}
AffineTransform AffineTransformRotate(const AffineTransform& t, double angle) {
  return AffineTransformConcat(AffineTransformMakeRotation(angle), t);
}

bool AffineTransformIsInvertible(const AffineTransform& t) {
  double det = t.a * t.d - t.b * t.c;
  return det != 0 && std::isfinite(det);
}

AffineTransform AffineTransformInvert(const AffineTransform& t) {
  double det = t.a * t.d - t.b * t.c;
  if (det == 0 || !std::isfinite(det)) return t;
  AffineTransform r;
  r.a = t.d / det;
  r.b = -t.b / det;
  r.c = -t.c / det;
  r.d = t.a / det;
  r.tx = -(t.tx * r.a + t.ty * r.c);
  r.ty = -(t.tx * r.b + t.ty * r.d);
  return r;
}

bool AffineTransformEqualToTransform(const AffineTransform& a, const AffineTransform& b) { return a == b; }

Point PointApplyAffineTransform(const Point& p, const AffineTransform& t) {
  return {t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}
Size SizeApplyAffineTransform(const Size& s, const AffineTransform& t) {
  return {t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height};
}

Rect RectApplyAffineTransform(const Rect& r, const AffineTransform& t) {
  if (RectIsNull(r)) return RectNull;
  if (RectIsInfinite(r)) return r;
  Rect s = RectStandardize(r);
  Point corners[4] = {s.origin,
                      {s.origin.x + s.size.width, s.origin.y},
                      {s.origin.x, s.origin.y + s.size.height},
                      {s.origin.x + s.size.width, s.origin.y + s.size.height}};
  double x1 = INFINITY, y1 = INFINITY, x2 = -INFINITY, y2 = -INFINITY;
  for (auto& c : corners) {
    Point p = PointApplyAffineTransform(c, t);
    x1 = std::min(x1, p.x);
    y1 = std::min(y1, p.y);
    x2 = std::max(x2, p.x);
    y2 = std::max(y2, p.y);
  }
  return {{x1, y1}, {x2 - x1, y2 - y1}};
}

// The 2x2 part is scale * shear * rotation: rows [sx 0; 0 sy] [1 0; k 1] [cos sin; -sin cos].
AffineComponents AffineTransformDecompose(const AffineTransform& t) {
  AffineComponents out;
  double sx = std::hypot(t.a, t.b);
  double angle = sx == 0 ? 0 : std::atan2(t.b, t.a);
  double cs = std::cos(angle), sn = std::sin(angle);
  double sy = -t.c * sn + t.d * cs;
  double shear = t.c * cs + t.d * sn;
  out.scale = {sx, sy};
  out.horizontalShear = sy == 0 ? 0 : shear / sy;
  out.rotation = angle;
  out.translation = {t.tx, t.ty};
  return out;
}

AffineTransform AffineTransformMakeWithComponents(const AffineComponents& c) {
  AffineTransform s{c.scale.width, 0, c.scale.height * c.horizontalShear, c.scale.height, 0, 0};
  AffineTransform r = AffineTransformConcat(s, AffineTransformMakeRotation(c.rotation));
  r.tx = c.translation.dx;
  r.ty = c.translation.dy;
  return r;
}

bool SolveLinearSystem(double* a, double* b, int n) {
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r)
      if (std::fabs(a[r * n + col]) > std::fabs(a[pivot * n + col])) pivot = r;
    if (std::fabs(a[pivot * n + col]) < 1e-12) return false;
    if (pivot != col) {
      for (int k = 0; k < n; ++k) std::swap(a[col * n + k], a[pivot * n + k]);
      std::swap(b[col], b[pivot]);
    }
    for (int r = col + 1; r < n; ++r) {
      double f = a[r * n + col] / a[col * n + col];
      if (f == 0) continue;
      for (int k = col; k < n; ++k) a[r * n + k] -= f * a[col * n + k];
      b[r] -= f * b[col];
    }
  }
  for (int r = n - 1; r >= 0; --r) {
    double sum = b[r];
    for (int k = r + 1; k < n; ++k) sum -= a[r * n + k] * b[k];
    b[r] = sum / a[r * n + r];
  }
  return true;
}

bool InvertMatrix(double* a, int n) {
  std::vector<double> inv(static_cast<size_t>(n) * n, 0.0);
  for (int i = 0; i < n; ++i) inv[i * n + i] = 1;
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r)
      if (std::fabs(a[r * n + col]) > std::fabs(a[pivot * n + col])) pivot = r;
    if (std::fabs(a[pivot * n + col]) < 1e-12) return false;
    if (pivot != col) {
      for (int k = 0; k < n; ++k) {
        std::swap(a[col * n + k], a[pivot * n + k]);
        std::swap(inv[col * n + k], inv[pivot * n + k]);
      }
    }
    double p = a[col * n + col];
    for (int k = 0; k < n; ++k) {
      a[col * n + k] /= p;
      inv[col * n + k] /= p;
    }
    for (int r = 0; r < n; ++r) {
      if (r == col) continue;
      double f = a[r * n + col];
      if (f == 0) continue;
      for (int k = 0; k < n; ++k) {
        a[r * n + k] -= f * a[col * n + k];
        inv[r * n + k] -= f * inv[col * n + k];
      }
    }
  }
  std::copy(inv.begin(), inv.end(), a);
  return true;
}

bool AffineTransformFromPointPairs(const Point from[3], const Point to[3], AffineTransform* out) {
  // Unknowns a b c d tx ty; two equations per pair.
  double m[36] = {0}, v[6];
  for (int i = 0; i < 3; ++i) {
    double* rx = m + (2 * i) * 6;
    double* ry = m + (2 * i + 1) * 6;
    rx[0] = from[i].x, rx[2] = from[i].y, rx[4] = 1;
    ry[1] = from[i].x, ry[3] = from[i].y, ry[5] = 1;
    v[2 * i] = to[i].x;
    v[2 * i + 1] = to[i].y;
  }
  if (!SolveLinearSystem(m, v, 6)) return false;
  if (out) *out = {v[0], v[1], v[2], v[3], v[4], v[5]};
  return true;
}

}  // namespace gfx
