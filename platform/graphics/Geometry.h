#pragma once
// Plane geometry with the platform's semantics: points, sizes, rectangles (null, infinite and
// empty ones included), edge insets, offsets, vectors, affine and 4x4 transforms.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/runtime/Encoding.h"
#include "platform/runtime/String.h"

namespace gfx {

struct Point {
  double x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

struct Vector {
  double dx = 0, dy = 0;
  bool operator==(const Vector&) const = default;
};

struct Rect {
  Point origin;
  Size size;
  bool operator==(const Rect&) const = default;
};

struct EdgeInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
  bool operator==(const EdgeInsets&) const = default;
};

struct Offset {
  double horizontal = 0, vertical = 0;
  bool operator==(const Offset&) const = default;
};

/// [a b 0; c d 0; tx ty 1], points are row vectors: x' = a*x + c*y + tx.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  bool operator==(const AffineTransform&) const = default;
};

/// Row-vector 4x4 matrix with the platform's field names; m34 carries perspective.
struct Transform3D {
  double m11 = 1, m12 = 0, m13 = 0, m14 = 0;
  double m21 = 0, m22 = 1, m23 = 0, m24 = 0;
  double m31 = 0, m32 = 0, m33 = 1, m34 = 0;
  double m41 = 0, m42 = 0, m43 = 0, m44 = 1;
  bool operator==(const Transform3D&) const = default;
};

// ---- constants
inline constexpr Point PointZero{};
inline constexpr Size SizeZero{};
inline constexpr Rect RectZero{};
inline constexpr EdgeInsets EdgeInsetsZero{};
inline constexpr Offset OffsetZero{};
inline constexpr AffineTransform AffineTransformIdentity{};
inline constexpr Transform3D Transform3DIdentity{};
/// The null rectangle: origin at infinity, as the platform defines it.
inline constexpr Rect RectNull{{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()}, {0, 0}};
/// The infinite rectangle: huge and centred on the origin.
inline constexpr Rect RectInfinite{{-std::numeric_limits<double>::max() / 2, -std::numeric_limits<double>::max() / 2},
                                   {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()}};

inline constexpr Point PointMake(double x, double y) { return {x, y}; }
inline constexpr Size SizeMake(double w, double h) { return {w, h}; }
inline constexpr Rect RectMake(double x, double y, double w, double h) { return {{x, y}, {w, h}}; }
inline constexpr EdgeInsets EdgeInsetsMake(double t, double l, double b, double r) { return {t, l, b, r}; }
inline constexpr Vector VectorMake(double dx, double dy) { return {dx, dy}; }

// ---- rectangles
double RectGetMinX(const Rect& r);
double RectGetMidX(const Rect& r);
double RectGetMaxX(const Rect& r);
double RectGetMinY(const Rect& r);
double RectGetMidY(const Rect& r);
double RectGetMaxY(const Rect& r);
/// Absolute width and height (a standardised rectangle's).
double RectGetWidth(const Rect& r);
double RectGetHeight(const Rect& r);
bool RectIsNull(const Rect& r);
bool RectIsInfinite(const Rect& r);
/// Null, or zero width or height.
bool RectIsEmpty(const Rect& r);
/// Non-negative width and height, same area.
Rect RectStandardize(const Rect& r);
/// Shrinks by dx on both sides and dy on top and bottom; null when the result would be
/// negative in size or the input is null.
Rect RectInset(const Rect& r, double dx, double dy);
Rect RectOffset(const Rect& r, double dx, double dy);
/// Smallest rectangle containing both; a null rectangle is ignored.
Rect RectUnion(const Rect& a, const Rect& b);
/// Null when they do not intersect (touching edges give a zero-area rectangle).
Rect RectIntersection(const Rect& a, const Rect& b);
bool RectIntersectsRect(const Rect& a, const Rect& b);
/// Half-open: min edges inside, max edges outside.
bool RectContainsPoint(const Rect& r, const Point& p);
bool RectContainsRect(const Rect& outer, const Rect& inner);
bool RectEqualToRect(const Rect& a, const Rect& b);
/// Smallest rectangle with integer edges containing the standardised rectangle.
Rect RectIntegral(const Rect& r);
enum class RectEdge : uint8_t { MinX = 0, MinY = 1, MaxX = 2, MaxY = 3 };
/// Cuts `amount` off `r` at `edge` into `slice`, the rest into `remainder`.
void RectDivide(const Rect& r, Rect* slice, Rect* remainder, double amount, RectEdge edge);

bool PointEqualToPoint(const Point& a, const Point& b);
bool SizeEqualToSize(const Size& a, const Size& b);

// ---- edge insets
Rect EdgeInsetsInsetRect(const Rect& r, const EdgeInsets& insets);
bool EdgeInsetsEqualToEdgeInsets(const EdgeInsets& a, const EdgeInsets& b);

// ---- text forms: "{1, 2}", "{{0, 0}, {10, 20}}", "{top, left, bottom, right}"
rt::String StringFromPoint(const Point& p);
rt::String StringFromSize(const Size& s);
rt::String StringFromRect(const Rect& r);
rt::String StringFromEdgeInsets(const EdgeInsets& e);
rt::String StringFromOffset(const Offset& o);
rt::String StringFromVector(const Vector& v);
/// "[a, b, c, d, tx, ty]"
rt::String StringFromAffineTransform(const AffineTransform& t);
/// Parse the text forms; malformed input gives zeros.
Point PointFromString(const rt::String& s);
Size SizeFromString(const rt::String& s);
Rect RectFromString(const rt::String& s);
EdgeInsets EdgeInsetsFromString(const rt::String& s);

// ---- affine transforms
AffineTransform AffineTransformMake(double a, double b, double c, double d, double tx, double ty);
AffineTransform AffineTransformMakeTranslation(double tx, double ty);
AffineTransform AffineTransformMakeScale(double sx, double sy);
AffineTransform AffineTransformMakeRotation(double angle);
bool AffineTransformIsIdentity(const AffineTransform& t);
/// t1 then t2.
AffineTransform AffineTransformConcat(const AffineTransform& t1, const AffineTransform& t2);
/// Translation applied before t (in t's coordinate space).
AffineTransform AffineTransformTranslate(const AffineTransform& t, double tx, double ty);
AffineTransform AffineTransformScale(const AffineTransform& t, double sx, double sy);
AffineTransform AffineTransformRotate(const AffineTransform& t, double angle);
/// The inverse; a singular transform is returned unchanged.
AffineTransform AffineTransformInvert(const AffineTransform& t);
bool AffineTransformIsInvertible(const AffineTransform& t);
bool AffineTransformEqualToTransform(const AffineTransform& a, const AffineTransform& b);
Point PointApplyAffineTransform(const Point& p, const AffineTransform& t);
Size SizeApplyAffineTransform(const Size& s, const AffineTransform& t);
/// Bounding box of the transformed corners.
Rect RectApplyAffineTransform(const Rect& r, const AffineTransform& t);

/// Scale, rotation and translation recovered from a transform (shear folded into scale).
struct AffineComponents {
  Size scale;
  double horizontalShear = 0;
  double rotation = 0;
  Vector translation;
};
AffineComponents AffineTransformDecompose(const AffineTransform& t);
AffineTransform AffineTransformMakeWithComponents(const AffineComponents& c);

/// Solves the dense n x n system A x = b in place (Gaussian elimination with partial
/// pivoting); false when A is singular.
bool SolveLinearSystem(double* a, double* b, int n);
/// Inverts an n x n matrix (row-major) in place; false when singular.
bool InvertMatrix(double* a, int n);
/// The affine transform taking each of three `from` points to the matching `to` point;
/// false when the points are collinear.
bool AffineTransformFromPointPairs(const Point from[3], const Point to[3], AffineTransform* out);

// ---- 3D transforms
Transform3D Transform3DMakeTranslation(double tx, double ty, double tz);
Transform3D Transform3DMakeScale(double sx, double sy, double sz);
/// Rotation by `angle` radians about the axis (x, y, z); a zero axis gives identity.
Transform3D Transform3DMakeRotation(double angle, double x, double y, double z);
/// a then b.
Transform3D Transform3DConcat(const Transform3D& a, const Transform3D& b);
Transform3D Transform3DTranslate(const Transform3D& t, double tx, double ty, double tz);
Transform3D Transform3DScale(const Transform3D& t, double sx, double sy, double sz);
Transform3D Transform3DRotate(const Transform3D& t, double angle, double x, double y, double z);
/// The inverse; a singular matrix is returned unchanged.
Transform3D Transform3DInvert(const Transform3D& t);
bool Transform3DIsIdentity(const Transform3D& t);
bool Transform3DEqualToTransform(const Transform3D& a, const Transform3D& b);
bool Transform3DIsAffine(const Transform3D& t);
Transform3D Transform3DMakeAffineTransform(const AffineTransform& t);
/// The 2D part (m11 m12 m21 m22 m41 m42).
AffineTransform Transform3DGetAffineTransform(const Transform3D& t);
/// Applies the transform to (x, y, 0, 1) with the perspective divide.
Point PointApplyTransform3D(const Point& p, const Transform3D& t);

}  // namespace gfx

namespace rt {
template <> struct StructEncoding<gfx::Point> { static constexpr const char* value = "{CGPoint=dd}"; };
template <> struct StructEncoding<gfx::Size> { static constexpr const char* value = "{CGSize=dd}"; };
template <> struct StructEncoding<gfx::Rect> { static constexpr const char* value = "{CGRect={CGPoint=dd}{CGSize=dd}}"; };
template <> struct StructEncoding<gfx::EdgeInsets> { static constexpr const char* value = "{UIEdgeInsets=dddd}"; };
template <> struct StructEncoding<gfx::Offset> { static constexpr const char* value = "{UIOffset=dd}"; };
template <> struct StructEncoding<gfx::Vector> { static constexpr const char* value = "{CGVector=dd}"; };
template <> struct StructEncoding<gfx::AffineTransform> { static constexpr const char* value = "{CGAffineTransform=dddddd}"; };
template <> struct StructEncoding<gfx::Transform3D> {
  static constexpr const char* value = "{CATransform3D=dddddddddddddddd}";
};
}  // namespace rt
