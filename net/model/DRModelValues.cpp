#include "net/model/DRModelValues.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/foundation/net/URL.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/time/DateFormatter.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/time/TimeZone.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Set.h"
#include "platform/runtime/Block.h"
#include "platform/runtime/Exception.h"

namespace net {

namespace {

bool isNull(const rt::Id& v) { return !v || fd::Null::isNull(v); }

const rt::Class* attributedStringClass() {
  static const rt::Class* c = rt::Class::named("NSAttributedString");
  return c;
}

// A formatter shared by threads; the lock keeps its parser state to one caller at a time.
struct SharedFormatter {
  std::mutex lock;
  Ref<fd::DateFormatter> formatter;
  SharedFormatter(const char* format, bool gmt) : formatter(fd::DateFormatter::create()) {
    formatter->setLocale(fd::Locale::localeWithLocaleIdentifier("en_US_POSIX"));
    formatter->setDateFormat(format);
    if (gmt) formatter->setTimeZone(fd::TimeZone::timeZoneForSecondsFromGMT(0));
  }
  Ref<fd::Date> parse(const String& s) {
    std::lock_guard guard(lock);
    return formatter->dateFromString(s);
  }
  String format(const Ref<fd::Date>& d) {
    std::lock_guard guard(lock);
    return formatter->stringFromDate(d);
  }
};

// Reads the whole text with strptime as GMT (plus any written offset); null when the pattern
// does not match all of it.
Ref<fd::Date> dateFromCLibrary(const std::string& text, const char* pattern) {
  std::tm tm{};
  const char* end = strptime(text.c_str(), pattern, &tm);
  if (!end || *end) return nullptr;
  long offset = tm.tm_gmtoff;
  time_t t = timegm(&tm);
  if (t == static_cast<time_t>(-1) && tm.tm_year != 69) return nullptr;
  return fd::Date::dateWithTimeIntervalSince1970(static_cast<double>(t - offset));
}

}  // namespace

Ref<fd::Number> DRNumberFromValue(const rt::Id& value) {
  if (isNull(value)) return nullptr;
  if (auto n = rt::as<fd::Number>(value)) return n;
  auto s = rt::as<fd::StringObject>(value);
  if (!s) return nullptr;
  static const auto* words = [] {
    auto* m = new std::unordered_map<std::string, int>;  // 1 true, 0 false, -1 the null marker
    for (const char* w : {"TRUE", "True", "true", "YES", "Yes", "yes"}) (*m)[w] = 1;
    for (const char* w : {"FALSE", "False", "false", "NO", "No", "no"}) (*m)[w] = 0;
    for (const char* w : {"NIL", "Nil", "nil", "NULL", "Null", "null", "(NULL)", "(Null)", "(null)", "<NULL>",
                          "<Null>", "<null>"})
      (*m)[w] = -1;
    return m;
  }();
  std::string text = s->string().utf8();
  if (auto it = words->find(text); it != words->end()) {
    if (it->second < 0) return nullptr;
    return fd::Number::numberWithBool(it->second == 1);
  }
  if (text.find('.') != std::string::npos) {
    double d = std::atof(text.c_str());
    if (std::isnan(d) || std::isinf(d)) return nullptr;
    return fd::Number::numberWithDouble(d);
  }
  return fd::Number::numberWithLongLong(std::atoll(text.c_str()));
}

Ref<fd::Date> DRDateFromString(const String& string) {
  size_t length = string.length();
  if (length == 0 || length > 32) return nullptr;
  static auto* day = new SharedFormatter("yyyy-MM-dd", true);
  static auto* isoT = new SharedFormatter("yyyy-MM-dd'T'HH:mm:ss", true);
  static auto* spaced = new SharedFormatter("yyyy-MM-dd HH:mm:ss", true);
  static auto* zoned = new SharedFormatter("yyyy-MM-dd'T'HH:mm:ssZ", false);
  static auto* written = new SharedFormatter("EEE MMM dd HH:mm:ss Z yyyy", false);
  switch (length) {
    case 10: return day->parse(string);
    case 19:
      if (string.characterAtIndex(10) == u'T') return isoT->parse(string);
      if (auto d = dateFromCLibrary(string.utf8(), "%Y-%m-%d %H:%M:%S")) return d;
      return spaced->parse(string);
    case 20:
      if (auto d = dateFromCLibrary(string.utf8(), "%Y-%m-%dT%H:%M:%S%z")) return d;
      return zoned->parse(string);
    case 24:
    case 25: return zoned->parse(string);
    case 30: return written->parse(string);
    default: return nullptr;
  }
}

const rt::Class* DRBlockRootClass() {
  static const rt::Class* c = rt::Class::named("NSBlock");
  return c;
}

rt::Value DRGetProperty(const rt::Object& model, const DRModelPropertyMeta& meta) {
  const rt::Property* p = meta.info ? meta.info->property() : nullptr;
  if (p && p->get && p->getter == meta.getter) return p->get(model);
  return model.getClass()->invoke(const_cast<rt::Object*>(&model), meta.getter);
}

void DRSetProperty(rt::Object& model, const DRModelPropertyMeta& meta, const rt::Value& value) {
  const rt::Property* p = meta.info ? meta.info->property() : nullptr;
  if (p && p->set && p->setter == meta.setter) return p->set(model, value);
  model.getClass()->invoke(&model, meta.setter, {value});
}

void DRSetNumberProperty(rt::Object& model, const Ref<fd::Number>& number, const DRModelPropertyMeta& meta) {
  static const Ref<fd::Number> zero = fd::Number::numberWithInt(0);
  const fd::Number& n = number ? *number : *zero;
  auto decimal = rt::as<fd::DecimalNumber>(number);
  auto finite = [](double d) { return std::isnan(d) || std::isinf(d) ? 0.0 : d; };
  rt::Value v;
  switch (meta.kind()) {
    case DRTypeKindBool: v = rt::Value::ofBool(n.boolValue()); break;
    case DRTypeKindInt8: v = rt::Value::ofInt(n.charValue(), "c"); break;
    case DRTypeKindUInt8: v = rt::Value::ofUInt(n.unsignedCharValue(), "C"); break;
    case DRTypeKindInt16: v = rt::Value::ofInt(n.shortValue(), "s"); break;
    case DRTypeKindUInt16: v = rt::Value::ofUInt(n.unsignedShortValue(), "S"); break;
    case DRTypeKindInt32: v = rt::Value::ofInt(static_cast<int32_t>(n.longLongValue()), "i"); break;
    case DRTypeKindUInt32: v = rt::Value::ofUInt(static_cast<uint32_t>(n.unsignedLongLongValue()), "I"); break;
    case DRTypeKindInt64:
      v = rt::Value::ofInt(decimal ? std::atoll(decimal->stringValue().utf8().c_str()) : n.longLongValue(), "q");
      break;
    case DRTypeKindUInt64:
      // Read unsigned all the way: values above the signed range must not wrap.
      v = rt::Value::ofUInt(decimal ? std::strtoull(decimal->stringValue().utf8().c_str(), nullptr, 10)
                                    : n.unsignedLongLongValue(), "Q");
      break;
    case DRTypeKindFloat: v = rt::Value::ofDouble(finite(n.floatValue()), "f"); break;
    case DRTypeKindDouble: v = rt::Value::ofDouble(finite(n.doubleValue()), "d"); break;
    case DRTypeKindLongDouble: v = rt::Value::ofDouble(finite(n.doubleValue()), "D"); break;
    default: return;
  }
  DRSetProperty(model, meta, v);
}

namespace {

bool modelSetFrom(rt::Object& model, const Ref<fd::Dictionary>& dictionary);

// A new model for one dictionary element of a container property.
rt::Id elementModel(const DRModelPropertyMeta& meta, const Ref<fd::Dictionary>& dictionary) {
  const rt::Class* cls = meta.genericCls;
  if (meta.hasCustomClassFromDictionary)
    if (const rt::Class* chosen = DRCustomClassForDictionary(cls, dictionary)) cls = chosen;
  rt::Id model = cls->createInstance();
  if (model) modelSetFrom(*model, dictionary);
  return model;
}

// Instances of the generic class kept, dictionaries made into models, others dropped.
template <class Add> void fillGeneric(const DRModelPropertyMeta& meta, const std::vector<rt::Id>& source, Add add) {
  for (const rt::Id& element : source) {
    if (!element) continue;
    if (element->isKindOfClass(meta.genericCls)) add(element);
    else if (auto d = rt::as<fd::Dictionary>(element))
      if (auto m = elementModel(meta, d)) add(m);
  }
}

Ref<fd::StringObject> stringFrom(const rt::Id& value) {
  if (auto s = rt::as<fd::StringObject>(value)) return s;
  if (auto n = rt::as<fd::Number>(value)) return fd::StringObject::create(n->stringValue());
  if (auto u = rt::as<fd::URL>(value)) return fd::StringObject::create(u->absoluteString());
  if (attributedStringClass() && value->isKindOfClass(attributedStringClass()) && value->respondsToSelector("string"))
    return rt::as<fd::StringObject>(value->performSelector(rt::Selector::named("string")).object());
  return nullptr;
}

void setObject(rt::Object& model, const DRModelPropertyMeta& meta, const rt::Id& object) {
  DRSetProperty(model, meta, rt::Value::ofObject(object));
}

void setFoundationValue(rt::Object& model, const rt::Id& value, const DRModelPropertyMeta& meta) {
  if (fd::Null::isNull(value)) return setObject(model, meta, nullptr);
  switch (meta.nsType) {
    case DRFoundationKindNSString:
    case DRFoundationKindNSMutableString: {
      bool mut = meta.nsType == DRFoundationKindNSMutableString;
      if (!mut && value->getClass() == fd::StringObject::classObject()) return setObject(model, meta, value);
      if (auto data = rt::as<fd::Data>(value)) {
        auto text = String::fromUTF8(data->view().data(), data->view().size());
        return setObject(model, meta, text ? fd::MutableStringObject::create(*text) : nullptr);
      }
      auto s = stringFrom(value);
      if (!s) return;
      return setObject(model, meta, mut ? fd::MutableStringObject::create(s->string()) : rt::Id(s));
    }
    case DRFoundationKindNSValue:
      if (rt::as<fd::ValueBox>(value)) setObject(model, meta, value);
      return;
    case DRFoundationKindNSNumber: return setObject(model, meta, DRNumberFromValue(value));
    case DRFoundationKindNSDecimalNumber:
      if (rt::as<fd::DecimalNumber>(value)) return setObject(model, meta, value);
      if (auto n = rt::as<fd::Number>(value)) return setObject(model, meta, fd::DecimalNumber::decimalNumberWithNumber(*n));
      if (auto s = rt::as<fd::StringObject>(value)) {
        auto d = fd::DecimalNumber::decimalNumberWithString(s->string());
        return setObject(model, meta, d && !d->isNaN() ? d : nullptr);
      }
      return;
    case DRFoundationKindNSData:
    case DRFoundationKindNSMutableData: {
      bool mut = meta.nsType == DRFoundationKindNSMutableData;
      if (auto d = rt::as<fd::Data>(value)) return setObject(model, meta, mut ? d->mutableCopy() : rt::Id(d));
      if (auto s = rt::as<fd::StringObject>(value)) {
        std::string bytes = s->string().utf8();
        return setObject(model, meta, mut ? rt::Id(fd::MutableData::create(bytes.data(), bytes.size()))
                                          : rt::Id(fd::Data::create(std::string_view(bytes))));
      }
      return;
    }
    case DRFoundationKindNSDate:
      if (rt::as<fd::Date>(value)) return setObject(model, meta, value);
      if (auto s = rt::as<fd::StringObject>(value)) return setObject(model, meta, DRDateFromString(s->string()));
      return;
    case DRFoundationKindNSURL:
      if (rt::as<fd::URL>(value)) return setObject(model, meta, value);
      if (auto s = rt::as<fd::StringObject>(value)) {
        String trimmed = s->string().trimmed();
        return setObject(model, meta, trimmed.isEmpty() ? nullptr : fd::URL::URLWithString(trimmed));
      }
      return;
    case DRFoundationKindNSArray:
    case DRFoundationKindNSMutableArray: {
      std::optional<fd::Contents> source;
      if (auto a = rt::as<fd::Array>(value)) source.emplace(a->objects());
      else if (auto s = rt::as<fd::Set>(value)) source.emplace(s->objects());
      if (!source) return;
      if (meta.genericCls) {
        auto out = fd::MutableArray::create();
        fillGeneric(meta, *source, [&](const rt::Id& o) { out->addObject(o); });
        return setObject(model, meta, out);
      }
      if (meta.nsType == DRFoundationKindNSMutableArray) return setObject(model, meta, fd::MutableArray::create(*source));
      if (rt::as<fd::Array>(value)) return setObject(model, meta, value);
      return setObject(model, meta, fd::Array::create(*source));
    }
    case DRFoundationKindNSDictionary:
    case DRFoundationKindNSMutableDictionary: {
      auto d = rt::as<fd::Dictionary>(value);
      if (!d) return;
      if (meta.genericCls) {
        auto out = fd::MutableDictionary::create();
        const fd::Dictionary::KeysAndValues entries = d->keysAndValues();
        for (size_t i = 0; i < entries.size(); ++i)
          if (auto inner = rt::as<fd::Dictionary>(entries.values[i]))
            if (auto m = elementModel(meta, inner)) out->setObjectForKey(m, entries.keys[i]);
        return setObject(model, meta, out);
      }
      return setObject(model, meta, meta.nsType == DRFoundationKindNSMutableDictionary ? d->mutableCopy() : rt::Id(d));
    }
    case DRFoundationKindNSSet:
    case DRFoundationKindNSMutableSet: {
      Ref<fd::Set> source;
      if (auto a = rt::as<fd::Array>(value)) source = fd::Set::setWithArray(*a);
      else source = rt::as<fd::Set>(value);
      if (meta.genericCls) {
        auto out = fd::MutableSet::create();
        if (source) fillGeneric(meta, source->objects(), [&](const rt::Id& o) { out->addObject(o); });
        return setObject(model, meta, out);
      }
      if (!source) return setObject(model, meta, nullptr);
      return setObject(model, meta, meta.nsType == DRFoundationKindNSMutableSet ? source->mutableCopy() : rt::Id(source));
    }
    default: return;
  }
}

void setOtherValue(rt::Object& model, const rt::Id& value, const DRModelPropertyMeta& meta) {
  bool null = fd::Null::isNull(value);
  switch (meta.kind()) {
    case DRTypeKindObject: {
      if (null) return setObject(model, meta, nullptr);
      if (meta.cls && value->isKindOfClass(meta.cls)) return setObject(model, meta, value);
      auto d = rt::as<fd::Dictionary>(value);
      if (!d) return;
      if (meta.getter)
        if (rt::Id held = DRGetProperty(model, meta).object()) {
          modelSetFrom(*held, d);
          return;
        }
      const rt::Class* cls = meta.cls;
      if (meta.hasCustomClassFromDictionary)
        if (const rt::Class* chosen = DRCustomClassForDictionary(cls, d)) cls = chosen;
      if (!cls) return;
      rt::Id made = cls->createInstance();
      if (!made) return;
      modelSetFrom(*made, d);
      return setObject(model, meta, made);
    }
    case DRTypeKindClass: {
      if (null) return DRSetProperty(model, meta, rt::Value::ofClass(nullptr));
      if (auto s = rt::as<fd::StringObject>(value)) {
        if (const rt::Class* c = rt::Class::named(s->string().utf8())) DRSetProperty(model, meta, rt::Value::ofClass(c));
        return;
      }
      if (auto c = rt::as<const rt::Class>(value.get())) return DRSetProperty(model, meta, rt::Value::ofClass(c));
      return DRSetProperty(model, meta, rt::Value::ofClass(value->getClass()));
    }
    case DRTypeKindSelector:
      if (null) return DRSetProperty(model, meta, rt::Value::ofSelector(rt::Selector()));
      if (auto s = rt::as<fd::StringObject>(value))
        DRSetProperty(model, meta, rt::Value::ofSelector(rt::Selector::named(s->string().utf8())));
      return;
    case DRTypeKindBlock:
      if (null) return setObject(model, meta, nullptr);
      if (DRBlockRootClass() && value->isKindOfClass(DRBlockRootClass())) DRSetProperty(model, meta, rt::Value::ofObject(value, "@?"));
      return;
    case DRTypeKindPointer:
    case DRTypeKindCString:
      if (null) return DRSetProperty(model, meta, rt::Value::ofPointer(nullptr));
      if (auto box = rt::as<fd::ValueBox>(value); box && box->objCType() == "^v")
        DRSetProperty(model, meta, rt::Value::ofPointer(const_cast<void*>(box->pointerValue())));
      return;
    case DRTypeKindStruct:
    case DRTypeKindUnion:
    case DRTypeKindCArray:
      if (auto box = rt::as<fd::ValueBox>(value); box && box->objCType() == meta.info->typeEncoding().utf8()) {
        // A value the platform refuses must not abort the whole fill.
        try {
          model.setValueForKey(value, meta.name);
        } catch (const rt::Exception&) {
        }
      }
      return;
    default: return;
  }
}

}  // namespace

void DRSetPropertyFromValue(rt::Object& model, const rt::Id& value, const DRModelPropertyMeta& meta) {
  if (meta.isCNumber) return DRSetNumberProperty(model, DRNumberFromValue(value), meta);
  if (!value) return;
  if (meta.nsType != DRFoundationKindNone) return setFoundationValue(model, value, meta);
  setOtherValue(model, value, meta);
}

Ref<fd::Number> DRNumberFromProperty(const rt::Object& model, const DRModelPropertyMeta& meta) {
  rt::Value v = DRGetProperty(model, meta);
  switch (meta.kind()) {
    case DRTypeKindBool: return fd::Number::numberWithBool(v.boolValue());
    case DRTypeKindInt8: return fd::Number::numberWithChar(static_cast<char>(v.intValue()));
    case DRTypeKindUInt8: return fd::Number::numberWithUnsignedChar(static_cast<unsigned char>(v.uintValue()));
    case DRTypeKindInt16: return fd::Number::numberWithShort(static_cast<int16_t>(v.intValue()));
    case DRTypeKindUInt16: return fd::Number::numberWithUnsignedShort(static_cast<uint16_t>(v.uintValue()));
    case DRTypeKindInt32: return fd::Number::numberWithInt(static_cast<int32_t>(v.intValue()));
    case DRTypeKindUInt32: return fd::Number::numberWithUnsignedInt(static_cast<uint32_t>(v.uintValue()));
    case DRTypeKindInt64: return fd::Number::numberWithLongLong(v.intValue());
    case DRTypeKindUInt64: return fd::Number::numberWithUnsignedLongLong(v.uintValue());
    case DRTypeKindFloat:
    case DRTypeKindDouble:
    case DRTypeKindLongDouble: {
      double d = v.doubleValue();
      if (std::isnan(d) || std::isinf(d)) return nullptr;
      return meta.kind() == DRTypeKindFloat ? fd::Number::numberWithFloat(static_cast<float>(d))
                                            : fd::Number::numberWithDouble(d);
    }
    default: return nullptr;
  }
}

namespace detail_dr {
bool modelSet(rt::Object& model, const Ref<fd::Dictionary>& dictionary);
rt::Id modelToJSON(const rt::Object& model);
String formatJSONDate(const Ref<fd::Date>& date) {
  static auto* formatter = new SharedFormatter("yyyy-MM-dd'T'HH:mm:ssZ", false);
  return formatter->format(date);
}
}  // namespace detail_dr

namespace {
bool modelSetFrom(rt::Object& model, const Ref<fd::Dictionary>& dictionary) {
  return detail_dr::modelSet(model, dictionary);
}
}  // namespace

rt::Id DRJSONObjectFromValue(const rt::Id& value) {
  if (isNull(value)) return value;
  if (rt::as<fd::StringObject>(value) || rt::as<fd::Number>(value)) return value;
  if (auto d = rt::as<fd::Dictionary>(value)) {
    if (fd::JSONSerialization::isValidJSONObject(d)) return d;
    auto out = fd::MutableDictionary::create();
    const fd::Dictionary::KeysAndValues entries = d->keysAndValues();
    for (size_t i = 0; i < entries.size(); ++i) {
      rt::Id key = entries.keys[i];
      rt::Id k = rt::as<fd::StringObject>(key) ? key : rt::Id(fd::box(key ? key->description() : String()));
      if (!key) continue;
      rt::Id v = DRJSONObjectFromValue(entries.values[i]);
      out->setObjectForKey(v ? v : rt::Id(fd::Null::null()), k);
    }
    return out;
  }
  Ref<fd::Array> array = rt::as<fd::Array>(value);
  if (auto s = rt::as<fd::Set>(value)) array = s->allObjects();
  if (array) {
    if (fd::JSONSerialization::isValidJSONObject(array)) return array;
    auto out = fd::MutableArray::create();
    for (const rt::Id& e : array->objects()) {
      if (rt::as<fd::StringObject>(e) || rt::as<fd::Number>(e)) {
        out->addObject(e);
        continue;
      }
      rt::Id j = DRJSONObjectFromValue(e);
      if (!isNull(j)) out->addObject(j);
    }
    return out;
  }
  if (auto u = rt::as<fd::URL>(value)) return fd::box(u->absoluteString());
  if (attributedStringClass() && value->isKindOfClass(attributedStringClass())) return stringFrom(value);
  if (auto date = rt::as<fd::Date>(value)) return fd::box(detail_dr::formatJSONDate(date));
  if (rt::as<fd::Data>(value)) return nullptr;
  return detail_dr::modelToJSON(*value);
}

}  // namespace net
