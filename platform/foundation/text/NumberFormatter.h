#pragma once
// Numbers to text and back in a locale's conventions. A formatter without an explicit locale
// follows the current locale as it is at each call. Safe to use from several threads.
#include <memory>
#include <mutex>

#include <unicode/uversion.h>

#include "platform/foundation/time/Locale.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/Types.h"

U_NAMESPACE_BEGIN
class NumberFormat;
U_NAMESPACE_END

namespace fd {

enum NumberFormatterStyle : uint64_t {
  NumberFormatterNoStyle = 0,  // digits only, no grouping, rounded to an integer
  NumberFormatterDecimalStyle = 1,
  NumberFormatterCurrencyStyle = 2,
  NumberFormatterPercentStyle = 3,
  NumberFormatterScientificStyle = 4,
  NumberFormatterSpellOutStyle = 5,
  NumberFormatterOrdinalStyle = 6,
  NumberFormatterCurrencyISOCodeStyle = 8,
  NumberFormatterCurrencyPluralStyle = 9,
  NumberFormatterCurrencyAccountingStyle = 10,
};

class NumberFormatter : public Object {
  RT_CLASS_NAMED(NumberFormatter, Object, "NSNumberFormatter")

 public:
  void init() {}
  static Ref<NumberFormatter> create() { return rt::make<NumberFormatter>(); }
  NumberFormatter();
  ~NumberFormatter() override;

  uint64_t numberStyle() const;
  void setNumberStyle(uint64_t style);
  /// The locale set, else the current locale.
  Ref<Locale> locale() const;
  void setLocale(Ref<Locale> locale);
  /// Off by default; when on, parsing yields DecimalNumber objects.
  bool generatesDecimalNumbers() const;
  void setGeneratesDecimalNumbers(bool on);
  /// -1 (the default) keeps the style's own digit counts.
  int64_t minimumFractionDigits() const;
  void setMinimumFractionDigits(int64_t digits);
  int64_t maximumFractionDigits() const;
  void setMaximumFractionDigits(int64_t digits);

  /// "" for null.
  String stringFromNumber(const Ref<Number>& number) const;
  /// Null unless the whole text is a number in the style and locale. Integral values give
  /// integer numbers, others doubles ("1.5" parses with the POSIX locale).
  Ref<Number> numberFromString(const String& text) const;

  String description() const override;

 private:
  struct Cache;
  /// The ICU formatter for the present settings; call with mutex_ held.
  icu::NumberFormat* formatter() const;

  mutable std::mutex mutex_;
  uint64_t style_ = NumberFormatterNoStyle;
  Ref<Locale> locale_;
  bool decimal_ = false;
  int64_t minFraction_ = -1;
  int64_t maxFraction_ = -1;
  mutable std::unique_ptr<Cache> cache_;
};

}  // namespace fd
