#include "platform/foundation/serialization/JSONSerialization.h"

#include <simdjson.h>

#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/JSONSyntaxCheck.h"
#include "platform/foundation/serialization/JSONWriter.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

namespace od = simdjson::ondemand;
using simdjson::error_code;

namespace {

constexpr size_t kMaxReadDepth = 512;
// Documents up to this size go through a per-thread parser that keeps its buffers; larger
// ones are walked on demand, so that one huge document neither pins memory to the thread
// nor needs a parsed copy of itself.
constexpr size_t kReusableSize = 8u << 20;

// ---------------------------------------------------------------------------------------
// UTF-8 to UTF-16. The reader has validated the UTF-8 already, so no checks are needed.

size_t utf16Length(const unsigned char* s, size_t n) {
  size_t units = 0;
  for (size_t i = 0; i < n; ++i) {
    units += (s[i] & 0xC0) != 0x80;  // one unit per lead byte
    units += s[i] >= 0xF0;           // and a second for four-byte sequences
  }
  return units;
}

void toUTF16(const unsigned char* s, size_t n, char16_t* out) {
  size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, s + i, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        for (int k = 0; k < 8; ++k) *out++ = s[i + k];
        i += 8;
        continue;
      }
    }
    unsigned c = s[i];
    if (c < 0x80) {
      *out++ = static_cast<char16_t>(c);
      i += 1;
    } else if (c < 0xE0) {
      *out++ = static_cast<char16_t>(((c & 0x1F) << 6) | (s[i + 1] & 0x3F));
      i += 2;
    } else if (c < 0xF0) {
      *out++ = static_cast<char16_t>(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
      i += 3;
    } else {
      uint32_t cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3Fu) << 12) | ((s[i + 2] & 0x3Fu) << 6) | (s[i + 3] & 0x3Fu);
      cp -= 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      i += 4;
    }
  }
}

String decodeValidUTF8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  String out = String::withCapacity(utf16Length(s, text.size()));
  if (!out.isEmpty()) toUTF16(s, text.size(), out.mutableData());
  return out;
}

// ---------------------------------------------------------------------------------------
// Object keys repeat in every record of a list; one string object per distinct key text.
// Beyond `limit` distinct texts, new ones get objects of their own and are not remembered.

class KeyInterner {
 public:
  explicit KeyInterner(size_t limit = SIZE_MAX) : slots_(64), limit_(limit) {}

  Id intern(std::string_view text) {
    size_t h = hashOf(text);
    size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (!slot.key) {
        if (used_ >= limit_) return StringObject::create(decodeValidUTF8(text));
        slot.text = text;
        slot.hash = h;
        slot.key = StringObject::create(decodeValidUTF8(text));
        if (++used_ * 2 > slots_.size()) {
          grow();
          return find(text, h);
        }
        return slot.key;
      }
      if (slot.hash == h && slot.text == text) return slot.key;
    }
  }

 private:
  struct Slot {
    std::string_view text;
    size_t hash = 0;
    Id key;
  };
  static size_t hashOf(std::string_view text) {
    uint64_t h = 1469598103934665603ULL;  // FNV-1a
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ULL;
    return static_cast<size_t>(h ^ (h >> 29));
  }
  const Id& find(std::string_view text, size_t h) const {
    size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask)
      if (slots_[i].hash == h && slots_[i].text == text) return slots_[i].key;
  }
  void grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    size_t mask = slots_.size() - 1;
    for (Slot& s : old) {
      if (!s.key) continue;
      size_t i = s.hash & mask;
      while (slots_[i].key) i = (i + 1) & mask;
      slots_[i] = std::move(s);
    }
  }
  std::vector<Slot> slots_;
  size_t used_ = 0;
  size_t limit_;
};

// ---------------------------------------------------------------------------------------
// Reading

// A number simdjson declines: integers beyond 64 bits become doubles, as the platform reads
// them. Anything else (1e400, malformed text) stays an error.
error_code readWideNumber(std::string_view raw, Id& out) {
  while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\n' || raw.back() == '\r'))
    raw.remove_suffix(1);
  if (raw.empty()) return simdjson::NUMBER_ERROR;
  size_t i = raw[0] == '-' ? 1 : 0;
  if (i == raw.size()) return simdjson::NUMBER_ERROR;
  for (size_t k = i; k < raw.size(); ++k)
    if (raw[k] < '0' || raw[k] > '9') return simdjson::NUMBER_ERROR;
  double d = 0;
  auto r = std::from_chars(raw.data(), raw.data() + raw.size(), d);
  if (r.ec != std::errc() || r.ptr != raw.data() + raw.size()) return simdjson::NUMBER_ERROR;
  out = Number::numberWithDouble(d);
  return simdjson::SUCCESS;
}

// Records of one list share their keys: the last dictionaries built, by their key sequence
// (interned keys compare by address), lend their key tables to the next with the same keys.
class ShapeCache {
 public:
  const Dictionary* find(std::span<const Id> keys) const {
    const Ref<Dictionary>& model = slots_[slotOf(keys)];
    if (!model || model->count() != keys.size()) return nullptr;
    const auto& modelKeys = model->keys();
    for (size_t i = 0; i < keys.size(); ++i)
      if (modelKeys[i].get() != keys[i].get()) return nullptr;
    return model.get();
  }
  void remember(std::span<const Id> keys, Ref<Dictionary> model) { slots_[slotOf(keys)] = std::move(model); }

 private:
  static size_t slotOf(std::span<const Id> keys) {
    uint64_t h = keys.size();
    for (const Id& k : keys) h = (h ^ reinterpret_cast<uintptr_t>(k.get())) * 0x9E3779B97F4A7C15ULL;
    return static_cast<size_t>(h >> 58);  // 64 slots
  }
  Ref<Dictionary> slots_[64];
};

// Builds the values the way the options ask; shared by both readers below.
class Builder {
 public:
  explicit Builder(uint32_t options)
      : mutableContainers_(options & JSONReadingMutableContainers), mutableLeaves_(options & JSONReadingMutableLeaves) {}

  // A copy, not a reference into the table: reading the value next may grow the table.
  Id key(std::string_view text) { return keys_.intern(text); }
  Id string(std::string_view text) {
    if (mutableLeaves_) return MutableStringObject::create(decodeValidUTF8(text));
    // Short values repeat down a list too (names, dates, numbers as text): immutable, they
    // can share one object as keys do.
    if (text.size() <= kSharedValueBytes) return values_.intern(text);
    return StringObject::create(decodeValidUTF8(text));
  }
  Id array(std::vector<Id> items) const {
    if (mutableContainers_) return MutableArray::create(std::move(items));
    return Array::create(std::move(items));
  }
  /// `keys` come from key(); a repeated key keeps the last value.
  Id dictionary(std::span<const Id> keys, std::vector<Id> values) {
    if (keys.empty()) return mutableContainers_ ? Id(MutableDictionary::create()) : Id(Dictionary::create());
    if (const Dictionary* model = shapes_.find(keys)) {
      if (mutableContainers_) return MutableDictionary::createWithKeysOf(*model, std::move(values));
      return Dictionary::createWithKeysOf(*model, std::move(values));
    }
    std::vector<Dictionary::Entry> entries;
    entries.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) entries.emplace_back(keys[i], std::move(values[i]));
    Ref<Dictionary> d = mutableContainers_ ? MutableDictionary::create(std::move(entries))
                                           : Dictionary::create(std::move(entries));
    if (d->count() == keys.size()) shapes_.remember(keys, d);
    return d;
  }

 private:
  static constexpr size_t kSharedValueBytes = 32;
  bool mutableContainers_;
  bool mutableLeaves_;
  KeyInterner keys_;
  KeyInterner values_{4096};
  ShapeCache shapes_;
};

// The usual path: simdjson's validating parser (with its run-time choice of the fastest
// kernels for this processor), then a walk over the parsed document.
class DomReader {
 public:
  explicit DomReader(uint32_t options) : build_(options) {}

  Id read(simdjson::dom::element e) {
    using simdjson::dom::element_type;
    switch (e.type()) {
      case element_type::OBJECT: {
        simdjson::dom::object object = e.get_object().value_unsafe();
        // Keys gather on one stack shared by every level; values go straight into the
        // vector the dictionary keeps.
        size_t mark = keys_.size();
        std::vector<Id> values;
        values.reserve(object.size());
        for (auto field : object) {
          keys_.push_back(build_.key(field.key));
          values.push_back(read(field.value));
        }
        Id d = build_.dictionary(std::span<const Id>(keys_).subspan(mark), std::move(values));
        keys_.resize(mark);
        return d;
      }
      case element_type::ARRAY: {
        simdjson::dom::array array = e.get_array().value_unsafe();
        std::vector<Id> items;
        items.reserve(array.size());
        for (auto element : array) items.push_back(read(element));
        return build_.array(std::move(items));
      }
      case element_type::STRING: return build_.string(e.get_string().value_unsafe());
      case element_type::INT64: return Number::numberWithLongLong(e.get_int64().value_unsafe());
      case element_type::UINT64: return Number::numberWithUnsignedLongLong(e.get_uint64().value_unsafe());
      case element_type::DOUBLE: return Number::numberWithDouble(e.get_double().value_unsafe());
      case element_type::BOOL: return Number::numberWithBool(e.get_bool().value_unsafe());
      case element_type::NULL_VALUE: return Null::null();
    }
    return Null::null();
  }

 private:
  Builder build_;
  std::vector<Id> keys_;
};

// The text between a string's quotes when it holds no escape, read where it lies; nullopt
// when it must be unescaped. `start` follows the opening quote of a well-formed string.
std::optional<std::string_view> plainString(const char* start) {
  for (const char* p = start;; ++p) {
    if (*p == '"') return std::string_view(start, static_cast<size_t>(p - start));
    if (*p == '\\') return std::nullopt;
  }
}

// The path for text already known to be well-formed: large documents, and text holding
// integers wider than 64 bits, which the validating parser refuses. simdjson's on-demand
// interface walks the text without building a tape of its own (a document's worth of memory
// for each of tape and strings), hands wide numbers over as raw text, and strings without
// escapes are read where they lie.
class StreamReader {
 public:
  explicit StreamReader(uint32_t options) : build_(options) {}

  error_code readDocument(od::document& doc, Id& out) {
    od::json_type type;
    if (auto e = doc.type().get(type)) return e;
    if (type == od::json_type::object || type == od::json_type::array) {
      od::value v;
      if (auto e = doc.get_value().get(v)) return e;
      return readValue(v, out);
    }
    return readScalar(doc, type, out);
  }

 private:
  error_code readValue(od::value v, Id& out) {
    od::json_type type;
    if (auto e = v.type().get(type)) return e;
    if (type == od::json_type::object) return readObject(v, out);
    if (type == od::json_type::array) return readArray(v, out);
    return readScalar(v, type, out);
  }

  error_code readObject(od::value v, Id& out) {
    od::object object;
    if (auto e = v.get_object().get(object)) return e;
    size_t mark = keys_.size();
    std::vector<Id> values;
    for (auto result : object) {
      od::field field;
      if (auto e = std::move(result).get(field)) return e;
      std::optional<std::string_view> keyText = plainString(field.key().raw());
      if (!keyText) {
        std::string_view unescaped;
        if (auto e = field.unescaped_key().get(unescaped)) return e;
        keyText = unescaped;
      }
      keys_.push_back(build_.key(*keyText));
      Id value;
      if (auto e = readValue(field.value(), value)) return e;
      values.push_back(std::move(value));
    }
    out = build_.dictionary(std::span<const Id>(keys_).subspan(mark), std::move(values));
    keys_.resize(mark);
    return simdjson::SUCCESS;
  }

  error_code readArray(od::value v, Id& out) {
    od::array array;
    if (auto e = v.get_array().get(array)) return e;
    std::vector<Id> items;
    for (auto result : array) {
      od::value element;
      if (auto e = std::move(result).get(element)) return e;
      Id value;
      if (auto e = readValue(element, value)) return e;
      items.push_back(std::move(value));
    }
    out = build_.array(std::move(items));
    return simdjson::SUCCESS;
  }

  // Scalars at the top level are read from the document, elsewhere from a value.
  template <class Source> error_code readScalar(Source& src, od::json_type type, Id& out) {
    switch (type) {
      case od::json_type::string: {
        std::string_view token;
        if (auto e = rawToken(src).get(token)) return e;
        if (auto plain = plainString(token.data() + 1)) {
          simdjson::ondemand::raw_json_string consumed;
          if (auto e = src.get_raw_json_string().get(consumed)) return e;
          out = build_.string(*plain);
          return simdjson::SUCCESS;
        }
        std::string_view text;
        if (auto e = src.get_string().get(text)) return e;
        out = build_.string(text);
        return simdjson::SUCCESS;
      }
      case od::json_type::number: {
        od::number n;
        if (src.get_number().get(n) != simdjson::SUCCESS) {
          std::string_view raw;
          if (auto e = rawToken(src).get(raw)) return e;
          return readWideNumber(raw, out);
        }
        switch (n.get_number_type()) {
          case od::number_type::signed_integer: out = Number::numberWithLongLong(n.get_int64()); break;
          case od::number_type::unsigned_integer: out = Number::numberWithUnsignedLongLong(n.get_uint64()); break;
          default: out = Number::numberWithDouble(n.get_double()); break;
        }
        return simdjson::SUCCESS;
      }
      case od::json_type::boolean: {
        bool b;
        if (auto e = src.get_bool().get(b)) return e;
        out = Number::numberWithBool(b);
        return simdjson::SUCCESS;
      }
      case od::json_type::null: {
        bool isNull;
        if (auto e = src.is_null().get(isNull)) return e;
        if (!isNull) return simdjson::N_ATOM_ERROR;
        out = Null::null();
        return simdjson::SUCCESS;
      }
      default:
        return simdjson::TAPE_ERROR;
    }
  }
  static simdjson::simdjson_result<std::string_view> rawToken(od::value& v) { return v.raw_json_token(); }
  static simdjson::simdjson_result<std::string_view> rawToken(od::document& d) { return d.raw_json_token(); }

  Builder build_;
  std::vector<Id> keys_;
};

// One parser per thread keeps its buffers between documents.
simdjson::dom::parser& threadParser() {
  thread_local simdjson::dom::parser parser = [] {
    simdjson::dom::parser p;
    if (p.allocate(64 * 1024, kMaxReadDepth) != simdjson::SUCCESS) p = simdjson::dom::parser();
    return p;
  }();
  return parser;
}

Ref<Error> readError(size_t offset, const std::string& what) {
  String debug = String::format("%@ around character %zu.", String(what), offset);
  return Error::create(NSCocoaErrorDomain, JSONReadCorruptError,
                       Dictionary::withStrings({
                           {NSLocalizedDescriptionKey,
                            box(String("The data couldn’t be read because it isn’t in the correct format."))},
                           {NSDebugDescriptionErrorKey, box(debug)},
                           {JSONErrorIndexKey, Number::numberWithUnsignedLongLong(offset)},
                       }));
}

}  // namespace

namespace {

/// Reads text the careful scan found well-formed; what simdjson still refuses is a limit of
/// its own, reported as such.
Id readWellFormed(std::string_view body, bool padded, uint32_t options, size_t offset, Ref<Error>* error) {
  od::parser parser;
  od::document doc;
  std::unique_ptr<simdjson::padded_string> copy;
  error_code code;
  if (padded) {
    code = parser.iterate(body.data(), body.size(), body.size() + simdjson::SIMDJSON_PADDING).get(doc);
  } else {
    copy = std::make_unique<simdjson::padded_string>(body);
    code = parser.iterate(*copy).get(doc);
  }
  Id result;
  if (code == simdjson::SUCCESS) code = StreamReader(options).readDocument(doc, result);
  if (code == simdjson::SUCCESS) return result;
  setError(error, readError(offset, simdjson::error_message(code)));
  return nullptr;
}

/// `padded` says the bytes after `text` may be read (not changed) up to the reader's padding,
/// so that it reads them where they lie instead of copying them first.
Id readJSON(std::string_view text, bool padded, uint32_t options, Ref<Error>* error) {
  bool fragments = options & JSONReadingFragmentsAllowed;
  size_t offset = 0;
  if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) offset = 3;  // byte order mark
  std::string_view body = text.substr(offset);

  // The top-level rule and the empty case are settled before parsing.
  size_t first = body.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || (!fragments && body[first] != '[' && body[first] != '{')) {
    auto problem = findJSONSyntaxProblem(body, fragments, kMaxReadDepth);
    setError(error, readError(offset + (problem ? problem->offset : 0), problem ? problem->message : "No value"));
    return nullptr;
  }

  // Large documents are checked by the careful scan (which needs no memory) and then walked
  // on demand, so that the peak is the values and the text, not three copies of the text.
  if (body.size() > kReusableSize) {
    if (auto problem = findJSONSyntaxProblem(body, fragments, kMaxReadDepth)) {
      setError(error, readError(offset + problem->offset, problem->message));
      return nullptr;
    }
    return readWellFormed(body, padded, options, offset, error);
  }

  simdjson::dom::element root;
  error_code code = threadParser().parse(body.data(), body.size(), !padded).get(root);
  if (code == simdjson::SUCCESS) return DomReader(options).read(root);

  if (auto problem = findJSONSyntaxProblem(body, fragments, kMaxReadDepth)) {
    setError(error, readError(offset + problem->offset, problem->message));
    return nullptr;
  }
  if (code == simdjson::NUMBER_ERROR) return readWellFormed(body, padded, options, offset, error);
  // Well-formed text simdjson still refused: a limit of its own.
  setError(error, readError(offset, simdjson::error_message(code)));
  return nullptr;
}

}  // namespace

Id JSONSerialization::JSONObjectWithBytes(std::string_view text, uint32_t options, Ref<Error>* error) {
  return readJSON(text, false, options, error);
}

Id JSONSerialization::JSONObjectWithData(const Ref<Data>& data, uint32_t options, Ref<Error>* error) {
  if (!data) {
    setError(error, readError(0, "No value"));
    return nullptr;
  }
  // A body grown by appending usually has room behind it: a large one is then never copied.
  const auto& bytes = data->vector();
  bool padded = bytes.capacity() - bytes.size() >= simdjson::SIMDJSON_PADDING;
  return readJSON(data->view(), padded, options, error);
}

Id JSONSerialization::JSONObjectWithString(const String& text, uint32_t options, Ref<Error>* error) {
  std::string utf8 = text.utf8();
  return JSONObjectWithBytes(utf8, options, error);
}

Ref<Data> JSONSerialization::dataWithJSONObject(const Id& object, uint32_t options, Ref<Error>* error) {
  return writeJSON(object, options, error);
}

bool JSONSerialization::isValidJSONObject(const Id& object) { return isValidJSONValue(object); }

}  // namespace fd
