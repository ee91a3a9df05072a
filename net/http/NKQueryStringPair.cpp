#include "net/http/NKQueryStringPair.h"

#include <algorithm>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/runtime/CharacterSet.h"

namespace net {

namespace {

// Escaping works on chunks of at most this many UTF-16 units, widened to whole composed
// character sequences, so that a long text is never handed to the encoder at once.
constexpr size_t kEscapeBatchSize = 50;

const rt::CharacterSet& allowedQueryCharacters() {
  static const rt::CharacterSet set = [] {
    rt::CharacterSet s = rt::CharacterSet::URLQueryAllowedCharacterSet();
    s.removeCharactersInString(":#[]@!$&'()*+,;=");
    return s;
  }();
  return set;
}

bool hasUnpairedSurrogate(const fd::String& s) {
  size_t n = s.length();
  for (size_t i = 0; i < n; ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return true;
  }
  return false;
}

std::vector<rt::Id> sortedByDescription(std::vector<rt::Id> objects) {
  std::stable_sort(objects.begin(), objects.end(), [](const rt::Id& a, const rt::Id& b) {
    return a->description().compare(b->description()) == rt::Ordering::Ascending;
  });
  return objects;
}

void flatten(const rt::Id& key, const rt::Id& value, std::vector<Ref<NKQueryStringPair>>& out) {
  if (auto dict = rt::as<fd::Dictionary>(value)) {
    for (const rt::Id& nestedKey : sortedByDescription(dict->keys())) {
      rt::Id nestedValue = dict->objectForKey(nestedKey);
      if (!nestedValue) continue;
      rt::Id name = key ? rt::Id(fd::StringObject::create(key->description() + "[" + nestedKey->description() + "]"))
                        : nestedKey;
      flatten(name, nestedValue, out);
    }
  } else if (auto array = rt::as<fd::Array>(value)) {
    rt::Id name = fd::StringObject::create((key ? key->description() : fd::String()) + "[]");
    for (const rt::Id& element : array->objects()) flatten(name, element, out);
  } else if (auto set = rt::as<fd::Set>(value)) {
    for (const rt::Id& element : sortedByDescription(set->objects())) flatten(key, element, out);
  } else {
    out.push_back(rt::make<NKQueryStringPair>(key, value));
  }
}

}  // namespace

void NKQueryStringPair::init(rt::Id field, rt::Id value) {
  field_ = std::move(field);
  value_ = std::move(value);
}

std::optional<fd::String> NKQueryStringPair::URLEncodedStringValue() const {
  auto field = NKQueryComponentEscape(field_ ? field_->description() : fd::String());
  if (!field) return std::nullopt;
  if (!value_ || fd::Null::isNull(value_)) return field;
  auto value = NKQueryComponentEscape(value_->description());
  if (!value) return std::nullopt;
  return *field + "=" + *value;
}

std::vector<Ref<NKQueryStringPair>> NKFlattenQueryParameters(const rt::Id& key, const rt::Id& value) {
  std::vector<Ref<NKQueryStringPair>> pairs;
  flatten(key, value, pairs);
  return pairs;
}

std::optional<fd::String> NKQueryComponentEscape(const fd::String& string) {
  if (hasUnpairedSurrogate(string)) return std::nullopt;
  const rt::CharacterSet& allowed = allowedQueryCharacters();
  std::u16string escaped;
  size_t index = 0;
  while (index < string.length()) {
    size_t length = std::min(kEscapeBatchSize, string.length() - index);
    rt::Range range = string.rangeOfComposedCharacterSequencesForRange(rt::Range{index, length});
    escaped += string.substring(range).stringByAddingPercentEncodingWithAllowedCharacters(allowed).view();
    index = range.location + range.length;
  }
  return fd::String(std::u16string_view(escaped));
}

std::optional<fd::String> NKFormEncodedQuery(const rt::Id& parameters) {
  std::u16string query;
  bool first = true;
  for (const auto& pair : NKFlattenQueryParameters(nullptr, parameters)) {
    auto component = pair->URLEncodedStringValue();
    if (!component) return std::nullopt;
    if (!first) query += u'&';
    first = false;
    query += component->view();
  }
  return fd::String(std::u16string_view(query));
}

RT_IMPLEMENT(NKQueryStringPair) {
  c.property("field", &NKQueryStringPair::field);
  c.property("value", &NKQueryStringPair::value);
}

}  // namespace net
