#include "platform/foundation/text/StringObject.h"

#include "platform/foundation/values/Boxing.h"

namespace fd {

// Values of this class reach the runtime through the boxing hooks: make sure they are in.
[[maybe_unused]] static const bool kStringBoxingInstalled = (installBoxing(), true);

RT_IMPLEMENT_PLATFORM(StringObject) {
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSSecureCoding");
  c.property("length", &StringObject::length);
}

RT_IMPLEMENT_PLATFORM(MutableStringObject) {}

Ref<StringObject> StringObject::create(String s) { return rt::make<StringObject>(std::move(s)); }

char16_t StringObject::characterAtIndex(size_t i) const {
  if (i >= string_.length()) {
    rt::raise(rt::RangeException, String::format("-[NSString characterAtIndex:]: Range or index out of bounds"));
  }
  return string_[i];
}

bool StringObject::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* s = dynamic_cast<const StringObject*>(other);
  return s && s->string_ == string_;
}

Id StringObject::copy() const { return std::const_pointer_cast<Object>(self()); }

Id StringObject::mutableCopy() const { return MutableStringObject::create(string_); }

Ref<MutableStringObject> MutableStringObject::create(String s) {
  auto o = rt::make<MutableStringObject>();
  o->string_ = std::move(s);
  return o;
}

void MutableStringObject::checkRange(Range r, const char* method) const {
  if (r.location > string_.length() || r.length > string_.length() - r.location) {
    rt::raise(rt::RangeException,
              String::format("-[NSMutableString %s]: Range {%llu, %llu} out of bounds; string length %llu", method,
                             r.location, r.length, static_cast<uint64_t>(string_.length())));
  }
}

void MutableStringObject::insertString(const String& s, size_t at) {
  checkRange(Range{at, 0}, "insertString:atIndex:");
  string_.insert(s, at);
}

void MutableStringObject::deleteCharactersInRange(Range r) {
  checkRange(r, "deleteCharactersInRange:");
  string_.deleteCharactersInRange(r);
}

void MutableStringObject::replaceCharactersInRange(Range r, const String& s) {
  checkRange(r, "replaceCharactersInRange:withString:");
  string_.replaceCharactersInRange(r, s);
}

size_t MutableStringObject::replaceOccurrencesOfString(const String& target, const String& replacement,
                                                      uint32_t options, Range within) {
  checkRange(within, "replaceOccurrencesOfString:withString:options:range:");
  if (target.isEmpty()) return 0;
  const uint32_t forward = options & ~static_cast<uint32_t>(rt::BackwardsSearch);
  size_t count = 0;
  Range search = within;
  for (;;) {
    Range hit = string_.rangeOfString(target, forward, search);
    if (!hit.found() || hit.length == 0) break;
    ++count;
    search = Range{hit.end(), within.end() - hit.end()};
  }
  if (count) string_ = string_.stringByReplacingOccurrencesOfString(target, replacement, options, within);
  return count;
}

Id MutableStringObject::copy() const { return StringObject::create(string_); }

Ref<StringObject> box(String s) { return StringObject::create(std::move(s)); }

std::optional<String> stringValue(const Id& o) {
  if (auto* s = dynamic_cast<const StringObject*>(o.get())) return s->string();
  return std::nullopt;
}

}  // namespace fd
