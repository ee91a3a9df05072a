#include "anim/PXVector.h"

#include <cstdio>
#include <cstring>

#include "anim/PXColor.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Exception.h"

namespace anim {
namespace PX {

VectorRef Vector::makeWithValues(size_t count, const double* values) {
  if (count == 0) return nullptr;
  auto v = std::make_shared<Vector>(count);
  if (values) std::memcpy(v->data(), values, count * sizeof(double));
  return v;
}

VectorRef Vector::makeCopy(const VectorRef& v) { return v ? std::make_shared<Vector>(*v) : nullptr; }

VectorRef Vector::makeWithVector4(size_t count, const Vector4d& v4) {
  if (count == 0) return nullptr;
  auto v = std::make_shared<Vector>(count);
  for (size_t i = 0; i < std::min<size_t>(count, 4); ++i) (*v)[i] = v4[i];
  return v;
}

VectorRef Vector::makeWithFloat(double x) { return makeWithValues(1, &x); }

VectorRef Vector::makeWithPoint(gfx::Point p) {
  double d[2] = {p.x, p.y};
  return makeWithValues(2, d);
}

VectorRef Vector::makeWithSize(gfx::Size s) {
  double d[2] = {s.width, s.height};
  return makeWithValues(2, d);
}

VectorRef Vector::makeWithRect(gfx::Rect r) {
  double d[4] = {r.origin.x, r.origin.y, r.size.width, r.size.height};
  return makeWithValues(4, d);
}

VectorRef Vector::makeWithEdgeInsets(gfx::EdgeInsets i) {
  double d[4] = {i.top, i.left, i.bottom, i.right};
  return makeWithValues(4, d);
}

VectorRef Vector::makeWithColor(const Ref<gfx::Color>& color) {
  double d[4];
  PXRGBAFromCGColor(color, d);
  return makeWithValues(4, d);
}

Vector4d Vector::asVector4() const {
  Vector4d v;
  for (size_t i = 0; i < std::min<size_t>(count(), 4); ++i) v[i] = values_[i];
  return v;
}

gfx::Point Vector::asPoint() const {
  if (count() == 0) return {};
  return {values_[0], count() >= 2 ? values_[1] : 0};
}

gfx::Size Vector::asSize() const {
  if (count() == 0) return {};
  return {values_[0], count() >= 2 ? values_[1] : 0};
}

gfx::Rect Vector::asRect() const {
  if (count() <= 3) return {};
  return {{values_[0], values_[1]}, {values_[2], values_[3]}};
}

gfx::EdgeInsets Vector::asEdgeInsets() const {
  if (count() <= 3) return {};
  return {values_[0], values_[1], values_[2], values_[3]};
}

Ref<gfx::Color> Vector::asColor() const { return count() > 3 ? PXCGColorFromRGBA(values_.data()) : nullptr; }

void Vector::roundToFraction(double k) {
  for (double& c : values_) c = std::round(c * k) / k;
}

double Vector::length() const {
  double sum = 0;
  for (double c : values_) sum += c * c;
  return std::sqrt(sum);
}

std::string Vector::description() const {
  char buf[64];
  if (count() == 0) return "()";
  if (count() == 1) {
    std::snprintf(buf, sizeof buf, "%f", values_[0]);
    return buf;
  }
  if (count() == 2) {
    std::snprintf(buf, sizeof buf, "(%.3f, %.3f)", values_[0], values_[1]);
    return buf;
  }
  std::string out;
  for (size_t i = 0; i < count(); ++i) {
    std::snprintf(buf, sizeof buf, i == 0 ? "[%.3f" : ", %.3f", values_[i]);
    out += buf;
  }
  return out + "]";
}

bool equalVectors(const VectorRef& a, const VectorRef& b) {
  if (!a || !b) return !a && !b;
  return *a == *b;
}

const ValueType acceptedAnimationValueTypes[10] = {kValueInteger, kValueFloat, kValuePoint, kValueSize,
                                                   kValueRect, kValueEdgeInsets, kValueColor, kValueSCNVector3,
                                                   kValueSCNVector4, kValueUnknown};

namespace {

bool encodingMatches(ValueType type, std::string_view e) {
  switch (type) {
    case kValueInteger: return e == "i" || e == "I" || e == "s" || e == "S" || e == "q" || e == "Q";
    case kValueFloat: return e == "f" || e == "d";
    case kValuePoint: return e == "{CGPoint=dd}";
    case kValueSize: return e == "{CGSize=dd}";
    case kValueRect: return e == "{CGRect={CGPoint=dd}{CGSize=dd}}";
    case kValueEdgeInsets: return e == "{UIEdgeInsets=dddd}";
    case kValueAffineTransform: return e == "{CGAffineTransform=dddddd}";
    case kValueTransform: return e == "{CATransform3D=dddddddddddddddd}";
    case kValueRange: return e == "{?=qq}" || e == "{_NSRange=QQ}";
    default: return false;
  }
}

/// A scalar box's value as a double: numbers answer for themselves; any other box is read by
/// its encoding. False when the stored bytes do not have the encoding's size.
bool scalarValue(const fd::ValueBox& box, double* out) {
  if (auto number = dynamic_cast<const fd::Number*>(&box)) {
    *out = number->doubleValue();
    return true;
  }
  auto read = [&](auto sample) {
    decltype(sample) v{};
    if (!box.getValue(&v, sizeof v)) return false;
    *out = static_cast<double>(v);
    return true;
  };
  std::string_view e = box.objCType();
  if (e == "i") return read(int32_t{});
  if (e == "I") return read(uint32_t{});
  if (e == "s") return read(int16_t{});
  if (e == "S") return read(uint16_t{});
  if (e == "q") return read(int64_t{});
  if (e == "Q") return read(uint64_t{});
  if (e == "f") return read(float{});
  if (e == "d") return read(double{});
  return false;
}

}  // namespace

ValueType selectValueType(const rt::Id& value, const ValueType* list, size_t n) {
  if (auto box = rt::as<fd::ValueBox>(value)) {
    std::string_view e = box->objCType();
    if (e.empty()) return kValueUnknown;
    for (size_t i = 0; i < n; ++i)
      if (encodingMatches(list[i], e)) return list[i];
    return kValueUnknown;
  }
  if (rt::as<gfx::Color>(value)) return kValueColor;
  return kValueUnknown;
}

const char* valueTypeName(ValueType type) {
  static const char* const names[] = {"unknown", "int", "CGFloat", "CGPoint", "CGSize", "CGRect", "UIEdgeInsets",
                                      "CGAffineTransform", "CATransform3D", "CFRange", "CGColorRef", "SCNVector3",
                                      "SCNVector4"};
  return type <= kValueSCNVector4 ? names[type] : nullptr;
}

VectorRef vectorFromValue(const rt::Id& value, ValueType* type, size_t* count, bool checkCount) {
  if (!value) {
    *count = 0;
    return nullptr;
  }
  ValueType selected = selectValueType(value, acceptedAnimationValueTypes, 10);
  if (selected == kValueUnknown)
    rt::raise("Unsuported value", rt::String::format("Animating %@ values is not supported", value->className()));
  VectorRef v;
  auto box = rt::as<fd::ValueBox>(value);
  switch (selected) {
    case kValueInteger:
    case kValueFloat: {
      double scalar = 0;
      if (!scalarValue(*box, &scalar))
        rt::raise("Invalid value", rt::String::format("%@ holds no readable %s", value->description(),
                                                      valueTypeName(selected)));
      v = Vector::makeWithFloat(scalar);
      break;
    }
    case kValuePoint: { gfx::Point p{}; box->get(p); v = Vector::makeWithPoint(p); break; }
    case kValueSize: { gfx::Size s{}; box->get(s); v = Vector::makeWithSize(s); break; }
    case kValueRect: { gfx::Rect r{}; box->get(r); v = Vector::makeWithRect(r); break; }
    case kValueEdgeInsets: { gfx::EdgeInsets i{}; box->get(i); v = Vector::makeWithEdgeInsets(i); break; }
    case kValueColor: v = Vector::makeWithColor(rt::as<gfx::Color>(value)); break;
    default: break;
  }
  size_t n = v ? v->count() : 0;
  if (*type == kValueUnknown || *count == 0) {
    *type = selected;
    *count = n;
  } else if (checkCount && *count != n) {
    rt::raise("Invalid value", rt::String::format("%@ should be of type %s", value->description(), valueTypeName(*type)));
  }
  return v;
}

rt::Id valueFromVector(const VectorRef& v, ValueType type, bool force) {
  if (!v) return nullptr;
  switch (type) {
    case kValueInteger:
    case kValueFloat: return fd::Number::numberWithDouble((*v)[0]);
    case kValuePoint: return fd::ValueBox::valueWith(v->asPoint());
    case kValueSize: return fd::ValueBox::valueWith(v->asSize());
    case kValueRect: return fd::ValueBox::valueWith(v->asRect());
    case kValueEdgeInsets: return fd::ValueBox::valueWith(v->asEdgeInsets());
    case kValueColor: return v->asColor();
    default: return force ? rt::Id(fd::ValueBox::valueWith(v->asPoint())) : nullptr;
  }
}

}  // namespace PX
}  // namespace anim
