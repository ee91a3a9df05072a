#pragma once
// Number objects: every C scalar kind, booleans kept distinct, with the platform's
// descriptions and cross-kind value equality (1 == 1.0 == true).
#include <cstdint>
#include <type_traits>

#include "platform/foundation/values/ValueBox.h"

namespace fd {

class Number : public ValueBox {
  RT_CLASS_NAMED(Number, ValueBox, "NSNumber")
 public:
  /// The C kind a number was made from; it decides objCType and the description.
  enum class Kind : uint8_t { Bool, Char, UChar, Short, UShort, Int, UInt, LongLong, ULongLong, Float, Double };

  void init() {}

  /// The two boolean numbers are shared instances.
  static Ref<Number> numberWithBool(bool v);
  static Ref<Number> numberWithChar(char v);
  static Ref<Number> numberWithUnsignedChar(unsigned char v);
  static Ref<Number> numberWithShort(int16_t v);
  static Ref<Number> numberWithUnsignedShort(uint16_t v);
  static Ref<Number> numberWithInt(int32_t v);
  static Ref<Number> numberWithUnsignedInt(uint32_t v);
  static Ref<Number> numberWithLong(int64_t v) { return numberWithLongLong(v); }
  static Ref<Number> numberWithUnsignedLong(uint64_t v) { return numberWithUnsignedLongLong(v); }
  static Ref<Number> numberWithLongLong(int64_t v);
  static Ref<Number> numberWithUnsignedLongLong(uint64_t v);
  static Ref<Number> numberWithInteger(int64_t v) { return numberWithLongLong(v); }
  static Ref<Number> numberWithUnsignedInteger(uint64_t v) { return numberWithUnsignedLongLong(v); }
  static Ref<Number> numberWithFloat(float v);
  static Ref<Number> numberWithDouble(double v);

  Kind kind() const { return kind_; }
  bool isBool() const { return kind_ == Kind::Bool; }
  bool isFloatingPoint() const { return kind_ == Kind::Float || kind_ == Kind::Double; }
  bool isUnsigned() const;

  bool boolValue() const;
  char charValue() const { return static_cast<char>(integerValue()); }
  unsigned char unsignedCharValue() const { return static_cast<unsigned char>(unsignedLongLongValue()); }
  int16_t shortValue() const { return static_cast<int16_t>(integerValue()); }
  uint16_t unsignedShortValue() const { return static_cast<uint16_t>(unsignedLongLongValue()); }
  int32_t intValue() const { return static_cast<int32_t>(integerValue()); }
  uint32_t unsignedIntValue() const { return static_cast<uint32_t>(unsignedLongLongValue()); }
  /// Floating values truncate toward zero (saturating at the type's limits).
  int64_t integerValue() const;
  int64_t longLongValue() const { return integerValue(); }
  int64_t longValue() const { return integerValue(); }
  uint64_t unsignedIntegerValue() const { return unsignedLongLongValue(); }
  uint64_t unsignedLongLongValue() const;
  uint64_t unsignedLongValue() const { return unsignedLongLongValue(); }
  float floatValue() const { return static_cast<float>(doubleValue()); }
  double doubleValue() const;

  /// Integers in decimal, booleans "1"/"0", floating values in their shortest round-trip
  /// form ("12", "1.5", "0.1", "1e+20").
  virtual String stringValue() const;
  /// "c" for booleans and chars, then "C", "s", "S", "i", "I", "q", "Q", "f", "d".
  std::string_view objCType() const override;
  bool getValue(void* out, size_t size) const override;

  /// Compares by value across kinds; NaN orders before every other value and equals NaN.
  virtual Ordering compare(const Number& other) const;
  bool isEqualToNumber(const Number& other) const { return compare(other) == Ordering::Same; }

  String description() const override { return stringValue(); }
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;

 protected:
  void setSigned(Kind k, int64_t v) { kind_ = k; i_ = v; }
  void setUnsigned(Kind k, uint64_t v) { kind_ = k; u_ = v; }
  void setFloating(Kind k, double v) { kind_ = k; d_ = v; }
  bool storesSigned() const;
  bool storesUnsigned() const;

 private:
  Kind kind_ = Kind::Int;
  union {
    int64_t i_ = 0;
    uint64_t u_;
    double d_;
  };
};

/// Boxes a number of the argument's own kind (a bool stays a boolean; pointers never
/// convert to booleans here).
template <class T> requires std::is_arithmetic_v<T>
Ref<Number> box(T v) {
  if constexpr (std::is_same_v<T, bool>) return Number::numberWithBool(v);
  else if constexpr (std::is_floating_point_v<T>) {
    if constexpr (std::is_same_v<T, float>) return Number::numberWithFloat(v);
    else return Number::numberWithDouble(static_cast<double>(v));
  } else if constexpr (std::is_signed_v<T>) {
    if constexpr (sizeof(T) <= 4) return Number::numberWithInt(v);
    else return Number::numberWithLongLong(v);
  } else {
    if constexpr (sizeof(T) <= 4) return Number::numberWithUnsignedInt(v);
    else return Number::numberWithUnsignedLongLong(v);
  }
}

/// Formats a double in its shortest round-trip form, switching to exponent notation as printf's
/// "%g" does at 1e16 and below 1e-4.
String shortestDoubleString(double v);
/// The same for a float's own shortest form.
String shortestFloatString(float v);

}  // namespace fd
