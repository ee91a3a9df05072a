#include "platform/foundation/serialization/PropertyListSerialization.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>

#include "platform/foundation/serialization/PlistPtr.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

namespace {

constexpr unsigned kMaxPlistDepth = 512;

Ref<Error> plistError(int64_t code, const String& debug) {
  String description = code == PropertyListReadCorruptError
                           ? String("The data couldn’t be read because it isn’t in the correct format.")
                           : String("The data couldn’t be written because it isn’t in the correct format.");
  return Error::create(NSCocoaErrorDomain, code,
                       Dictionary::withStrings({{NSLocalizedDescriptionKey, box(description)},
                                                {NSDebugDescriptionErrorKey, box(debug)}}));
}

// ---------------------------------------------------------------------------------------
// Reading

class Reader {
 public:
  explicit Reader(uint32_t options)
      : mutableContainers_(options != PropertyListImmutable),
        mutableLeaves_(options == PropertyListMutableContainersAndLeaves) {}

  /// Null (with problem() set) for nodes it cannot take.
  Id read(plist_t node, unsigned depth) {
    if (depth > kMaxPlistDepth) return fail("Too many nested arrays or dictionaries");
    switch (plist_get_node_type(node)) {
      case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Number::numberWithBool(b != 0);
      }
      case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return Number::numberWithLongLong(static_cast<int64_t>(v));
      }
      case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Number::numberWithDouble(d);
      }
      case PLIST_STRING:
      case PLIST_KEY: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        String s = text ? String(std::string_view(text, length)) : String();
        if (mutableLeaves_) return MutableStringObject::create(std::move(s));
        return StringObject::create(std::move(s));
      }
      case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        if (mutableLeaves_) return MutableData::create(bytes, bytes ? length : 0);
        return Data::create(bytes, bytes ? length : 0);
      }
      case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Date::dateWithTimeIntervalSinceReferenceDate(sec + usec / 1e6);
      }
      case PLIST_UID: {
        // Archives reference objects by UID; shown the way their XML form spells them.
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        return Dictionary::withStrings({{"CF$UID", Number::numberWithUnsignedLongLong(v)}});
      }
      case PLIST_ARRAY: return array(node, depth);
      case PLIST_DICT: return dictionary(node, depth);
      default: return fail("Unknown property list value");
    }
  }

  const std::string& problem() const { return problem_; }

 private:
  Id fail(std::string why) {
    if (problem_.empty()) problem_ = std::move(why);
    return nullptr;
  }

  Id array(plist_t node, unsigned depth) {
    std::vector<Id> items;
    items.reserve(plist_array_get_size(node));
    plist_array_iter it = nullptr;
    plist_array_new_iter(node, &it);
    for (;;) {
      plist_t item = nullptr;
      plist_array_next_item(node, it, &item);
      if (!item) break;
      Id value = read(item, depth + 1);
      if (!value) break;
      items.push_back(std::move(value));
    }
    std::free(it);
    if (!problem_.empty()) return nullptr;
    if (mutableContainers_) return MutableArray::create(std::move(items));
    return Array::create(std::move(items));
  }

  Id dictionary(plist_t node, unsigned depth) {
    std::vector<Dictionary::Entry> entries;
    entries.reserve(plist_dict_get_size(node));
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    for (;;) {
      // Keys holding a zero byte never get here (binaryKeyHoldsZero): the library's key
      // reader aborts the process on one.
      char* key = nullptr;
      plist_t item = nullptr;
      plist_dict_next_item(node, it, &key, &item);
      if (!item) {
        std::free(key);
        break;
      }
      String keyText = key ? String(std::string_view(key)) : String();
      std::free(key);
      Id value = read(item, depth + 1);
      if (!value) break;
      entries.emplace_back(StringObject::create(std::move(keyText)), std::move(value));
    }
    std::free(it);
    if (!problem_.empty()) return nullptr;
    if (mutableContainers_) return MutableDictionary::create(std::move(entries));
    return Dictionary::create(std::move(entries));
  }

  bool mutableContainers_;
  bool mutableLeaves_;
  std::string problem_;
};

// ---------------------------------------------------------------------------------------
// Writing

class Writer {
 public:
  explicit Writer(PropertyListFormat format) : format_(format) {}

  /// A new node for `o`, or null (with problem() set) when a property list cannot hold it.
  plist_t node(const Object* o, unsigned depth) {
    if (depth > kMaxPlistDepth) return fail("Too many nested arrays or dictionaries");
    if (auto s = dynamic_cast<const StringObject*>(o)) return plist_new_string(s->string().utf8().c_str());
    if (auto n = dynamic_cast<const Number*>(o)) return number(*n);
    if (auto d = dynamic_cast<const Data*>(o)) return plist_new_data(reinterpret_cast<const char*>(d->bytes()), d->length());
    if (auto d = dynamic_cast<const Date*>(o)) return date(*d);
    if (auto a = dynamic_cast<const Array*>(o)) return array(*a, depth);
    if (auto d = dynamic_cast<const Dictionary*>(o)) return dictionary(*d, depth);
    return invalidType(o ? o->className().utf8() : std::string("nil"));
  }

  const std::string& problem() const { return problem_; }

 private:
  plist_t fail(std::string why) {
    if (problem_.empty()) problem_ = std::move(why);
    return nullptr;
  }
  plist_t invalidType(const std::string& type) {
    return fail("Property list invalid for format: " + std::to_string(format_) +
                " (property lists cannot contain objects of type '" + type + "')");
  }

  plist_t number(const Number& n) {
    if (n.isBool()) return plist_new_bool(n.boolValue());
    if (n.isFloatingPoint() || dynamic_cast<const DecimalNumber*>(&n)) return plist_new_real(n.doubleValue());
    if (n.isUnsigned() && n.unsignedLongLongValue() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
      return fail("Property list invalid for format: " + std::to_string(format_) +
                  " (unsigned integers above 9223372036854775807 cannot be written)");
    return plist_new_uint(static_cast<uint64_t>(n.integerValue()));
  }

  // The format library holds seconds and microseconds in 32-bit fields; XML keeps whole
  // seconds only, binary keeps the microseconds.
  plist_t date(const Date& d) {
    double t = d.timeIntervalSinceReferenceDate();
    double sec = std::floor(t);
    if (!(sec >= std::numeric_limits<int32_t>::min() && sec <= std::numeric_limits<int32_t>::max()))
      return fail("Property list invalid for format: " + std::to_string(format_) + " (date out of range)");
    auto usec = static_cast<int32_t>(std::lround((t - sec) * 1e6));
    if (usec >= 1000000) {
      sec += 1;
      usec -= 1000000;
    }
    return plist_new_date(static_cast<int32_t>(sec), usec);
  }

  plist_t array(const Array& a, unsigned depth) {
    PlistPtr out(plist_new_array());
    for (const Id& element : a.objects()) {
      plist_t item = node(element.get(), depth + 1);
      if (!item) return nullptr;
      plist_array_append_item(out.get(), item);
    }
    return out.release();
  }

  plist_t dictionary(const Dictionary& d, unsigned depth) {
    PlistPtr out(plist_new_dict());
    const Dictionary::KeysAndValues entries = d.keysAndValues();
    for (size_t i = 0; i < entries.size(); ++i) {
      auto key = dynamic_cast<const StringObject*>(entries.keys[i].get());
      if (!key) return invalidType("non-string key");
      plist_t item = node(entries.values[i].get(), depth + 1);
      if (!item) return nullptr;
      plist_dict_set_item(out.get(), key->string().utf8().c_str(), item);
    }
    return out.release();
  }

  PropertyListFormat format_;
  std::string problem_;
};

Id readFile(const String& path) {
  std::ifstream in(path.utf8(), std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return nullptr;
  return PropertyListSerialization::propertyListWithData(Data::create(std::move(bytes)), PropertyListImmutable,
                                                         nullptr, nullptr);
}

}  // namespace

namespace {

uint64_t bigEndian(const uint8_t* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

// Whether a binary list has a dictionary key with a zero byte (or UTF-16 unit) in it. The
// format library reads such a list and then aborts the process when the key is asked for,
// so the bytes are looked at first. Anything malformed is left to the library to refuse.
bool binaryKeyHoldsZero(const uint8_t* d, size_t n) {
  if (n < 8 + 32) return false;
  const uint8_t* trailer = d + n - 32;
  const size_t offsetSize = trailer[6], refSize = trailer[7];
  const uint64_t count = bigEndian(trailer + 8, 8), table = bigEndian(trailer + 24, 8);
  if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || table >= n || count > (n - table) / offsetSize)
    return false;
  auto offsetOf = [&](uint64_t index) -> uint64_t {
    return index < count ? bigEndian(d + table + index * offsetSize, offsetSize) : n;
  };
  // A count below 15 sits in the marker; otherwise an integer object follows it.
  auto lengthAt = [&](uint64_t& at, uint8_t marker) -> uint64_t {
    uint64_t length = marker & 0x0f;
    if (length != 0x0f) return length;
    if (at >= n || (d[at] & 0xf0) != 0x10) return UINT64_MAX;
    size_t size = size_t(1) << (d[at] & 0x0f);
    if (size > 8 || at + 1 + size > n) return UINT64_MAX;
    length = bigEndian(d + at + 1, size);
    at += 1 + size;
    return length;
  };
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t at = offsetOf(i);
    if (at >= n || (d[at] & 0xf0) != 0xd0) continue;
    const uint8_t marker = d[at++];
    const uint64_t entries = lengthAt(at, marker);
    if (entries == UINT64_MAX || entries > (n - at) / refSize) continue;
    for (uint64_t k = 0; k < entries; ++k) {
      uint64_t key = offsetOf(bigEndian(d + at + k * refSize, refSize));
      if (key >= n) continue;
      const uint8_t kind = d[key] & 0xf0;
      if (kind != 0x50 && kind != 0x60) continue;
      uint64_t text = key + 1;
      const uint64_t units = lengthAt(text, d[key]);
      const size_t unit = kind == 0x50 ? 1 : 2;
      if (units == UINT64_MAX || text > n || units > (n - text) / unit) continue;
      for (uint64_t u = 0; u < units; ++u) {
        const uint8_t* p = d + text + u * unit;
        if (p[0] == 0 && (unit == 1 || p[1] == 0)) return true;
      }
    }
  }
  return false;
}

}  // namespace

Id PropertyListSerialization::propertyListWithData(const Ref<Data>& data, uint32_t options, PropertyListFormat* format,
                                                   Ref<Error>* error) {
  if (!data || data->length() == 0) {
    setError(error, plistError(PropertyListReadCorruptError, "Cannot parse a NULL or zero-length data"));
    return nullptr;
  }
  if (data->length() > std::numeric_limits<uint32_t>::max()) {
    setError(error, plistError(PropertyListReadCorruptError, "Property list too large"));
    return nullptr;
  }
  auto length = static_cast<uint32_t>(data->length());
  const char* bytes = reinterpret_cast<const char*>(data->bytes());
  bool binary = plist_is_binary(bytes, length);
  if (binary && binaryKeyHoldsZero(data->bytes(), data->length())) {
    setError(error, plistError(PropertyListReadCorruptError, "Dictionary key holds a zero character"));
    return nullptr;
  }
  plist_t root = nullptr;
  if (binary) plist_from_bin(bytes, length, &root);
  else plist_from_xml(bytes, length, &root);
  PlistPtr owned(root);
  if (!root) {
    setError(error, plistError(PropertyListReadCorruptError,
                               binary ? "Malformed binary property list" : "Malformed XML property list"));
    return nullptr;
  }
  Reader reader(options);
  Id result = reader.read(root, 0);
  if (!result) {
    setError(error, plistError(PropertyListReadCorruptError, String(reader.problem())));
    return nullptr;
  }
  if (format) *format = binary ? PropertyListBinaryFormat : PropertyListXMLFormat;
  return result;
}

Ref<Data> PropertyListSerialization::dataWithPropertyList(const Id& plist, PropertyListFormat format, uint32_t options,
                                                          Ref<Error>* error) {
  (void)options;
  if (format != PropertyListXMLFormat && format != PropertyListBinaryFormat) {
    setError(error, plistError(PropertyListWriteInvalidError,
                               String::format("Property list format %u cannot be written", unsigned(format))));
    return nullptr;
  }
  Writer writer(format);
  PlistPtr root(writer.node(plist.get(), 0));
  if (!root) {
    setError(error, plistError(PropertyListWriteInvalidError, String(writer.problem())));
    return nullptr;
  }
  char* out = nullptr;
  uint32_t length = 0;
  if (format == PropertyListXMLFormat) plist_to_xml(root.get(), &out, &length);
  else plist_to_bin(root.get(), &out, &length);
  if (!out) {
    setError(error, plistError(PropertyListWriteInvalidError, "Property list could not be written"));
    return nullptr;
  }
  Ref<Data> data = Data::create(out, length);
  if (format == PropertyListXMLFormat) plist_to_xml_free(out);
  else plist_to_bin_free(out);
  return data;
}

bool PropertyListSerialization::propertyListIsValid(const Id& plist, PropertyListFormat format) {
  if (format != PropertyListXMLFormat && format != PropertyListBinaryFormat) return false;
  Writer writer(format);
  PlistPtr root(writer.node(plist.get(), 0));
  return root != nullptr;
}

Ref<Dictionary> dictionaryWithContentsOfFile(const String& path) { return rt::as<Dictionary>(readFile(path)); }

Ref<Array> arrayWithContentsOfFile(const String& path) { return rt::as<Array>(readFile(path)); }

}  // namespace fd
