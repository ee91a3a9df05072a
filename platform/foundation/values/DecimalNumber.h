#pragma once
// Decimal numbers: up to 38 significant decimal digits with a decimal exponent, exact for
// money-like values and for unsigned 64-bit integers beyond INT64_MAX.
#include "platform/foundation/values/Number.h"

namespace fd {

class DecimalNumber : public Number {
  RT_CLASS_NAMED(DecimalNumber, Number, "NSDecimalNumber")
 public:
  static constexpr int kMaxDigits = 38;

  void init() {}

  /// Parses an optional sign, digits, an optional fraction and exponent after leading white
  /// space; text that starts with no number gives notANumber().
  static Ref<DecimalNumber> decimalNumberWithString(const String& s);
  /// mantissa × 10^exponent, negated when `negative`.
  static Ref<DecimalNumber> decimalNumberWithMantissa(uint64_t mantissa, int exponent, bool negative);
  /// The exact value of an integer number; a floating one through its shortest decimal form.
  static Ref<DecimalNumber> decimalNumberWithNumber(const Number& n);
  static const Ref<DecimalNumber>& notANumber();
  static const Ref<DecimalNumber>& zero();
  static const Ref<DecimalNumber>& one();

  bool isNaN() const { return nan_; }
  bool isNegative() const { return negative_; }
  int exponent() const { return exponent_; }
  /// The significant digits, without leading or trailing zeros ("0" for zero, "" for NaN).
  std::string digits() const;

  /// Plain decimal notation ("1.5", "18446744073709551615", "0.001", "NaN").
  String stringValue() const override;
  /// Always "d", as the platform reports.
  std::string_view objCType() const override { return "d"; }
  Ordering compare(const Number& other) const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;

 private:
  void set(bool negative, unsigned __int128 mantissa, int exponent);
  void syncApproximation();
  bool nan_ = false;
  bool negative_ = false;
  int exponent_ = 0;
  unsigned __int128 mantissa_ = 0;  // normalised: no trailing decimal zeros
};

}  // namespace fd
