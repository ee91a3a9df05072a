#include "platform/foundation/serialization/JSONWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/JSONSerialization.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

namespace {

// Deeper nesting is refused: it is almost always a container that holds itself.
constexpr unsigned kMaxWriteDepth = 512;

// Why a number cannot be written, or null when it can.
const char* numberProblem(const Number& n) {
  if (auto d = dynamic_cast<const DecimalNumber*>(&n)) return d->isNaN() ? "Invalid number value (NaN) in JSON write" : nullptr;
  if (!n.isFloatingPoint()) return nullptr;
  double v = n.doubleValue();
  if (std::isnan(v)) return "Invalid number value (NaN) in JSON write";
  if (std::isinf(v)) return "Invalid number value (infinite) in JSON write";
  return nullptr;
}

class Writer {
 public:
  explicit Writer(uint32_t options)
      : pretty_(options & JSONWritingPrettyPrinted),
        sorted_(options & JSONWritingSortedKeys),
        escapeSlash_(!(options & JSONWritingWithoutEscapingSlashes)) {}

  bool write(const Object* o, unsigned depth) {
    if (depth > kMaxWriteDepth) return fail("Too many nested arrays or dictionaries in JSON write");
    if (auto s = dynamic_cast<const StringObject*>(o)) {
      string(s->string());
      return true;
    }
    if (auto n = dynamic_cast<const Number*>(o)) return number(*n);
    if (dynamic_cast<const Null*>(o)) {
      put("null");
      return true;
    }
    if (auto a = dynamic_cast<const Array*>(o)) return array(*a, depth);
    if (auto d = dynamic_cast<const Dictionary*>(o)) return dictionary(*d, depth);
    return fail("Invalid type in JSON write (" + (o ? o->className().utf8() : std::string("nil")) + ")");
  }

  std::vector<uint8_t>& bytes() { return out_; }
  const std::string& problem() const { return problem_; }

 private:
  bool fail(std::string why) {
    problem_ = std::move(why);
    return false;
  }
  void put(char c) { out_.push_back(static_cast<uint8_t>(c)); }
  void put(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }
  void newline(unsigned depth) {
    if (!pretty_) return;
    put('\n');
    out_.insert(out_.end(), static_cast<size_t>(depth) * 2, ' ');
  }

  bool number(const Number& n) {
    if (const char* why = numberProblem(n)) return fail(why);
    if (n.isBool()) {
      put(n.boolValue() ? "true" : "false");
      return true;
    }
    if (dynamic_cast<const DecimalNumber*>(&n) || n.isFloatingPoint()) {
      put(n.stringValue().utf8());
      return true;
    }
    char buf[24];
    auto r = n.isUnsigned() ? std::to_chars(buf, buf + sizeof buf, n.unsignedLongLongValue())
                            : std::to_chars(buf, buf + sizeof buf, n.integerValue());
    put(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
    return true;
  }

  void string(const String& s) {
    static const char hex[] = "0123456789abcdef";
    auto escapeUnit = [&](char16_t u) {
      char buf[6] = {'\\', 'u', hex[(u >> 12) & 15], hex[(u >> 8) & 15], hex[(u >> 4) & 15], hex[u & 15]};
      put(std::string_view(buf, 6));
    };
    put('"');
    const char16_t* p = s.data();
    size_t n = s.length();
    for (size_t i = 0; i < n; ++i) {
      char16_t u = p[i];
      if (u < 0x80) {
        switch (u) {
          case '"': put("\\\""); break;
          case '\\': put("\\\\"); break;
          case '/': put(escapeSlash_ ? "\\/" : "/"); break;
          case '\b': put("\\b"); break;
          case '\f': put("\\f"); break;
          case '\n': put("\\n"); break;
          case '\r': put("\\r"); break;
          case '\t': put("\\t"); break;
          default:
            if (u < 0x20) escapeUnit(u);
            else put(static_cast<char>(u));
        }
        continue;
      }
      char32_t cp = u;
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (p[i + 1] - 0xDC00);
        ++i;
      } else if (u >= 0xD800 && u <= 0xDFFF) {
        escapeUnit(u);  // a lone surrogate has no UTF-8 form; the escape keeps the text valid
        continue;
      }
      if (cp < 0x800) {
        put(static_cast<char>(0xC0 | (cp >> 6)));
        put(static_cast<char>(0x80 | (cp & 0x3F)));
      } else if (cp < 0x10000) {
        put(static_cast<char>(0xE0 | (cp >> 12)));
        put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        put(static_cast<char>(0x80 | (cp & 0x3F)));
      } else {
        put(static_cast<char>(0xF0 | (cp >> 18)));
        put(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        put(static_cast<char>(0x80 | (cp & 0x3F)));
      }
    }
    put('"');
  }

  bool array(const Array& a, unsigned depth) {
    put('[');
    bool first = true;
    for (const Id& element : a.objects()) {
      if (!first) put(',');
      first = false;
      newline(depth + 1);
      if (!write(element.get(), depth + 1)) return false;
    }
    if (!first) newline(depth);
    put(']');
    return true;
  }

  bool dictionary(const Dictionary& d, unsigned depth) {
    const Dictionary::KeysAndValues entries = d.keysAndValues();
    std::vector<const StringObject*> names(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      names[i] = dynamic_cast<const StringObject*>(entries.keys[i].get());
      if (!names[i]) return fail("Invalid (non-string) key in JSON dictionary");
    }
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t{0});
    if (sorted_)
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return names[a]->string() < names[b]->string(); });
    put('{');
    bool first = true;
    for (size_t i : order) {
      if (!first) put(',');
      first = false;
      newline(depth + 1);
      string(names[i]->string());
      put(pretty_ ? " : " : ":");
      if (!write(entries.values[i].get(), depth + 1)) return false;
    }
    if (!first) newline(depth);
    put('}');
    return true;
  }

  bool pretty_, sorted_, escapeSlash_;
  std::vector<uint8_t> out_;
  std::string problem_;
};

bool valid(const Object* o, unsigned depth) {
  if (depth > kMaxWriteDepth) return false;
  if (dynamic_cast<const StringObject*>(o) || dynamic_cast<const Null*>(o)) return true;
  if (auto n = dynamic_cast<const Number*>(o)) return numberProblem(*n) == nullptr;
  if (auto a = dynamic_cast<const Array*>(o)) {
    const Contents elements = a->objects();
    return std::all_of(elements.begin(), elements.end(), [&](const Id& e) { return valid(e.get(), depth + 1); });
  }
  if (auto d = dynamic_cast<const Dictionary*>(o)) {
    const Dictionary::KeysAndValues entries = d->keysAndValues();
    for (size_t i = 0; i < entries.size(); ++i)
      if (!dynamic_cast<const StringObject*>(entries.keys[i].get()) || !valid(entries.values[i].get(), depth + 1))
        return false;
    return true;
  }
  return false;
}

bool isContainer(const Object* o) {
  return dynamic_cast<const Array*>(o) || dynamic_cast<const Dictionary*>(o);
}

}  // namespace

Ref<Data> writeJSON(const Id& object, uint32_t options, Ref<Error>* error) {
  Writer writer(options);
  std::string problem;
  if (!(options & JSONWritingFragmentsAllowed) && !isContainer(object.get())) problem = "Invalid top-level type in JSON write";
  else if (!writer.write(object.get(), 0)) problem = writer.problem();
  if (!problem.empty()) {
    setError(error, Error::create(NSCocoaErrorDomain, JSONWriteInvalidError,
                                  Dictionary::withStrings({
                                      {NSLocalizedDescriptionKey,
                                       box(String("The data couldn’t be written because it isn’t in the correct format."))},
                                      {NSDebugDescriptionErrorKey, box(String(problem))},
                                  })));
    return nullptr;
  }
  return Data::create(std::move(writer.bytes()));
}

bool isValidJSONValue(const Id& object) { return isContainer(object.get()) && valid(object.get(), 0); }

}  // namespace fd
