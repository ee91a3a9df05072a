#pragma once
// The value vectors animations compute on: a short vector of doubles for whatever kind of value
// is animated (number, point, size, rectangle, insets, colour), a fixed four-component form
// for arithmetic, the value types, and the conversions between boxed values and vectors.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace anim {
namespace PX {

template <class T> struct Vector4 {
  T x = 0, y = 0, z = 0, w = 0;
  T& operator[](size_t i) { return (&x)[i]; }
  const T& operator[](size_t i) const { return (&x)[i]; }
  Vector4 operator+(const Vector4& o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
  Vector4 operator-(const Vector4& o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
  Vector4 operator-() const { return {-x, -y, -z, -w}; }
  Vector4 operator*(T k) const { return {x * k, y * k, z * k, w * k}; }
  bool operator==(const Vector4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
  T squaredNorm() const { return x * x + y * y + z * z + w * w; }
  T norm() const { return std::sqrt(squaredNorm()); }
  bool isZero() const { return x == 0 && y == 0 && z == 0 && w == 0; }
};
using Vector4d = Vector4<double>;

class Vector;
using VectorRef = std::shared_ptr<Vector>;

class Vector {
 public:
  explicit Vector(size_t count = 0) : values_(count, 0.0) {}
  size_t count() const { return values_.size(); }
  double& operator[](size_t i) { return values_[i]; }
  double operator[](size_t i) const { return values_[i]; }
  const double* data() const { return values_.data(); }
  double* data() { return values_.data(); }
  bool operator==(const Vector& o) const { return values_ == o.values_; }

  /// Null for a count of 0.
  static VectorRef makeWithValues(size_t count, const double* values);
  static VectorRef makeCopy(const VectorRef& v);
  static VectorRef makeWithVector4(size_t count, const Vector4d& v);
  static VectorRef makeWithFloat(double x);
  static VectorRef makeWithPoint(gfx::Point p);
  static VectorRef makeWithSize(gfx::Size s);
  static VectorRef makeWithRect(gfx::Rect r);
  static VectorRef makeWithEdgeInsets(gfx::EdgeInsets i);
  static VectorRef makeWithColor(const Ref<gfx::Color>& color);

  Vector4d asVector4() const;
  gfx::Point asPoint() const;
  gfx::Size asSize() const;
  gfx::Rect asRect() const;
  gfx::EdgeInsets asEdgeInsets() const;
  /// Null with fewer than four components.
  Ref<gfx::Color> asColor() const;

  /// Every component to the nearest multiple of 1/k, halves away from zero.
  void roundToFraction(double k);
  double length() const;
  std::string description() const;

 private:
  std::vector<double> values_;
};

/// Equal when both are null or both hold equal vectors.
bool equalVectors(const VectorRef& a, const VectorRef& b);

enum ValueType : uint32_t {
  kValueUnknown = 0,
  kValueInteger = 1,
  kValueFloat = 2,
  kValuePoint = 3,
  kValueSize = 4,
  kValueRect = 5,
  kValueEdgeInsets = 6,
  kValueAffineTransform = 7,
  kValueTransform = 8,
  kValueRange = 9,
  kValueColor = 10,
  kValueSCNVector3 = 11,
  kValueSCNVector4 = 12,
};

/// The types animation values may have, in the order they are tried.
extern const ValueType acceptedAnimationValueTypes[10];

ValueType selectValueType(const rt::Id& value, const ValueType* list, size_t n);
/// Null for values outside the table.
const char* valueTypeName(ValueType type);
/// Converts a boxed value and keeps the animation's type and count up to date; raises
/// "Unsuported value" for values that cannot be animated and "Invalid value" for a value of
/// another component count than the one set before (with `checkCount`).
VectorRef vectorFromValue(const rt::Id& value, ValueType* type, size_t* count, bool checkCount);
/// Null for a null vector; `force` boxes unknown types as points.
rt::Id valueFromVector(const VectorRef& v, ValueType type, bool force);

}  // namespace PX
}  // namespace anim
