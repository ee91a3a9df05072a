#include "platform/foundation/text/NumberFormatter.h"

#include <cmath>

#include <unicode/decimfmt.h>
#include <unicode/fmtable.h>
#include <unicode/numfmt.h>
#include <unicode/rbnf.h>

#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/text/IcuText.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(NumberFormatter) {
  c.property("numberStyle", &NumberFormatter::numberStyle, &NumberFormatter::setNumberStyle);
  c.property("generatesDecimalNumbers", &NumberFormatter::generatesDecimalNumbers,
             &NumberFormatter::setGeneratesDecimalNumbers);
  c.property("minimumFractionDigits", &NumberFormatter::minimumFractionDigits,
             &NumberFormatter::setMinimumFractionDigits);
  c.property("maximumFractionDigits", &NumberFormatter::maximumFractionDigits,
             &NumberFormatter::setMaximumFractionDigits);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
}

struct NumberFormatter::Cache {
  std::unique_ptr<icu::NumberFormat> formatter;
  uint64_t style = 0;
  String localeIdentifier;
  int64_t minFraction = -1;
  int64_t maxFraction = -1;
};

namespace {

std::unique_ptr<icu::NumberFormat> makeFormatter(uint64_t style, const icu::Locale& locale, UErrorCode& status) {
  auto styled = [&](UNumberFormatStyle s) {
    return std::unique_ptr<icu::NumberFormat>(icu::NumberFormat::createInstance(locale, s, status));
  };
  switch (style) {
    case NumberFormatterNoStyle: {
      auto f = styled(UNUM_DECIMAL);
      if (f) {
        f->setGroupingUsed(false);
        f->setMaximumFractionDigits(0);
      }
      return f;
    }
    case NumberFormatterDecimalStyle: return styled(UNUM_DECIMAL);
    case NumberFormatterCurrencyStyle: return styled(UNUM_CURRENCY);
    case NumberFormatterPercentStyle: return styled(UNUM_PERCENT);
    case NumberFormatterScientificStyle: return styled(UNUM_SCIENTIFIC);
    case NumberFormatterCurrencyISOCodeStyle: return styled(UNUM_CURRENCY_ISO);
    case NumberFormatterCurrencyPluralStyle: return styled(UNUM_CURRENCY_PLURAL);
    case NumberFormatterCurrencyAccountingStyle: return styled(UNUM_CURRENCY_ACCOUNTING);
    case NumberFormatterSpellOutStyle:
      return std::make_unique<icu::RuleBasedNumberFormat>(icu::URBNF_SPELLOUT, locale, status);
    case NumberFormatterOrdinalStyle:
      return std::make_unique<icu::RuleBasedNumberFormat>(icu::URBNF_ORDINAL, locale, status);
    default:
      status = U_ILLEGAL_ARGUMENT_ERROR;
      return nullptr;
  }
}

}  // namespace

NumberFormatter::NumberFormatter() = default;
NumberFormatter::~NumberFormatter() = default;

uint64_t NumberFormatter::numberStyle() const {
  std::lock_guard lock(mutex_);
  return style_;
}

void NumberFormatter::setNumberStyle(uint64_t style) {
  std::lock_guard lock(mutex_);
  style_ = style;
}

Ref<Locale> NumberFormatter::locale() const {
  std::lock_guard lock(mutex_);
  return locale_ ? locale_ : Locale::currentLocale();
}

void NumberFormatter::setLocale(Ref<Locale> locale) {
  std::lock_guard lock(mutex_);
  locale_ = std::move(locale);
}

bool NumberFormatter::generatesDecimalNumbers() const {
  std::lock_guard lock(mutex_);
  return decimal_;
}

void NumberFormatter::setGeneratesDecimalNumbers(bool on) {
  std::lock_guard lock(mutex_);
  decimal_ = on;
}

int64_t NumberFormatter::minimumFractionDigits() const {
  std::lock_guard lock(mutex_);
  return minFraction_;
}

void NumberFormatter::setMinimumFractionDigits(int64_t digits) {
  std::lock_guard lock(mutex_);
  minFraction_ = digits < 0 ? -1 : digits;
}

int64_t NumberFormatter::maximumFractionDigits() const {
  std::lock_guard lock(mutex_);
  return maxFraction_;
}

void NumberFormatter::setMaximumFractionDigits(int64_t digits) {
  std::lock_guard lock(mutex_);
  maxFraction_ = digits < 0 ? -1 : digits;
}

icu::NumberFormat* NumberFormatter::formatter() const {
  Ref<Locale> loc = locale_ ? locale_ : Locale::currentLocale();
  if (cache_ && cache_->style == style_ && cache_->localeIdentifier == loc->localeIdentifier() &&
      cache_->minFraction == minFraction_ && cache_->maxFraction == maxFraction_) {
    return cache_->formatter.get();
  }
  UErrorCode status = U_ZERO_ERROR;
  auto f = makeFormatter(style_, loc->icuLocale(), status);
  if (U_FAILURE(status) || !f) {
    cache_.reset();
    return nullptr;
  }
  if (maxFraction_ >= 0) f->setMaximumFractionDigits(static_cast<int32_t>(maxFraction_));
  if (minFraction_ >= 0) f->setMinimumFractionDigits(static_cast<int32_t>(minFraction_));
  auto cache = std::make_unique<Cache>();
  cache->formatter = std::move(f);
  cache->style = style_;
  cache->localeIdentifier = loc->localeIdentifier();
  cache->minFraction = minFraction_;
  cache->maxFraction = maxFraction_;
  cache_ = std::move(cache);
  return cache_->formatter.get();
}

String NumberFormatter::stringFromNumber(const Ref<Number>& number) const {
  if (!number) return String();
  icu::Formattable value;
  UErrorCode status = U_ZERO_ERROR;
  if (auto dec = rt::as<DecimalNumber>(number)) {
    if (dec->isNaN()) value.setDouble(std::nan(""));
    else value.setDecimalNumber(dec->stringValue().utf8(), status);
  } else if (number->isFloatingPoint()) {
    value.setDouble(number->doubleValue());
  } else if (number->isUnsigned() && number->unsignedLongLongValue() > static_cast<uint64_t>(INT64_MAX)) {
    value.setDecimalNumber(std::to_string(number->unsignedLongLongValue()), status);
  } else {
    value.setInt64(number->longLongValue());
  }
  if (U_FAILURE(status)) return String();
  std::lock_guard lock(mutex_);
  icu::NumberFormat* f = formatter();
  if (!f) return String();
  icu::UnicodeString out;
  f->format(value, out, status);
  return U_SUCCESS(status) ? icutext::toString(out) : String();
}

Ref<Number> NumberFormatter::numberFromString(const String& text) const {
  if (text.isEmpty()) return nullptr;
  icu::Formattable value;
  bool decimal;
  {
    std::lock_guard lock(mutex_);
    icu::NumberFormat* f = formatter();
    if (!f) return nullptr;
    decimal = decimal_;
    icu::UnicodeString input = icutext::alias(text);
    icu::ParsePosition pos(0);
    f->parse(input, value, pos);
    if (pos.getErrorIndex() >= 0 || pos.getIndex() != input.length()) return nullptr;
  }
  UErrorCode status = U_ZERO_ERROR;
  if (decimal) {
    icu::StringPiece digits = value.getDecimalNumber(status);
    if (U_FAILURE(status)) return nullptr;
    auto d = DecimalNumber::decimalNumberWithString(String(std::string_view(digits.data(), digits.size())));
    return d && !d->isNaN() ? d : nullptr;
  }
  switch (value.getType()) {
    case icu::Formattable::kLong:
    case icu::Formattable::kInt64:
      return Number::numberWithLongLong(value.getInt64(status));
    case icu::Formattable::kDouble: {
      double v = value.getDouble(status);
      return std::isnan(v) ? nullptr : Number::numberWithDouble(v);
    }
    default:
      return nullptr;
  }
}

String NumberFormatter::description() const {
  return String::format("<%@: %p> style %llu", className(), static_cast<const void*>(this), numberStyle());
}

}  // namespace fd
