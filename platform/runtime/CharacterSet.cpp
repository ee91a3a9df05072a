// Character sets over ICU's set of code points; the predefined sets are frozen, which makes
// them safe to read from any thread.
#include "platform/runtime/CharacterSet.h"

#include <unicode/uset.h>

#include "platform/runtime/String.h"
#include "platform/runtime/StringUnicode.h"

namespace rt {

struct CharacterSet::Impl {
  USet* set;
  explicit Impl(USet* s) : set(s) {}
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() { uset_close(set); }
};

namespace {

// Sets named by ICU property patterns. Patterns are ASCII.
USet* fromPattern(const char* pattern) {
  std::u16string p;
  for (const char* c = pattern; *c; ++c) p.push_back(static_cast<char16_t>(*c));
  UErrorCode err = U_ZERO_ERROR;
  USet* s = uset_openPattern(reinterpret_cast<const UChar*>(p.data()), static_cast<int32_t>(p.size()), &err);
  if (U_FAILURE(err)) {
    if (s) uset_close(s);
    s = uset_openEmpty();
  }
  return s;
}

USet* fromCharacters(const char* chars) {
  USet* s = uset_openEmpty();
  for (const char* c = chars; *c; ++c) uset_add(s, static_cast<unsigned char>(*c));
  return s;
}

// URL component sets: ALPHA and DIGIT plus the listed characters.
USet* urlSet(const char* extra) {
  USet* s = fromCharacters(extra);
  uset_addRange(s, 'A', 'Z');
  uset_addRange(s, 'a', 'z');
  uset_addRange(s, '0', '9');
  return s;
}

void clipRange(Range r, UChar32* first, UChar32* last, bool* empty) {
  *empty = r.length == 0 || r.location > 0x10FFFF;
  if (*empty) return;
  uint64_t end = r.location + r.length - 1;
  if (end > 0x10FFFF || end < r.location) end = 0x10FFFF;
  *first = static_cast<UChar32>(r.location);
  *last = static_cast<UChar32>(end);
}

}  // namespace

CharacterSet::CharacterSet() : impl_(std::make_shared<const Impl>(uset_openEmpty())) {}

CharacterSet::CharacterSet(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) { refresh(); }

bool CharacterSet::contains(char32_t c) const {
  return c <= 0x10FFFF && uset_contains(impl_->set, static_cast<UChar32>(c));
}

void CharacterSet::refresh() {
  ascii_[0] = ascii_[1] = 0;
  for (UChar32 c = 0; c < 128; ++c)
    if (uset_contains(impl_->set, c)) ascii_[c >> 6] |= uint64_t{1} << (c & 63);
}

CharacterSet::Impl& CharacterSet::mutate() {
  if (impl_.use_count() == 1 && !uset_isFrozen(impl_->set)) return const_cast<Impl&>(*impl_);
  auto fresh = std::make_shared<Impl>(uset_cloneAsThawed(impl_->set));
  Impl& ref = *fresh;
  impl_ = std::move(fresh);
  return ref;
}

CharacterSet CharacterSet::adopt(USet* set, bool freeze) {
  if (freeze) uset_freeze(set);
  return CharacterSet(std::make_shared<const Impl>(set));
}

// Shared instances live for the whole process.
#define KD_PREDEFINED_SET(name, make)                                   \
  const CharacterSet& CharacterSet::name() {                            \
    static const CharacterSet* set = new CharacterSet(adopt(make, true)); \
    return *set;                                                        \
  }

KD_PREDEFINED_SET(whitespaceCharacterSet, fromPattern("[[:Zs:]\\u0009]"))
KD_PREDEFINED_SET(whitespaceAndNewlineCharacterSet, fromPattern("[[:Z:]\\u0009-\\u000D\\u0085]"))
KD_PREDEFINED_SET(newlineCharacterSet, fromPattern("[\\u000A-\\u000D\\u0085\\u2028\\u2029]"))
KD_PREDEFINED_SET(decimalDigitCharacterSet, fromPattern("[:Nd:]"))
KD_PREDEFINED_SET(letterCharacterSet, fromPattern("[[:L:][:M:]]"))
KD_PREDEFINED_SET(alphanumericCharacterSet, fromPattern("[[:L:][:M:][:N:]]"))
KD_PREDEFINED_SET(punctuationCharacterSet, fromPattern("[:P:]"))
KD_PREDEFINED_SET(uppercaseLetterCharacterSet, fromPattern("[[:Lu:][:Lt:]]"))
KD_PREDEFINED_SET(lowercaseLetterCharacterSet, fromPattern("[:Ll:]"))
KD_PREDEFINED_SET(URLUserAllowedCharacterSet, urlSet("-._~!$&'()*+,;="))
KD_PREDEFINED_SET(URLPasswordAllowedCharacterSet, urlSet("-._~!$&'()*+,;="))
KD_PREDEFINED_SET(URLHostAllowedCharacterSet, urlSet("-._~!$&'()*+,;=:[]"))
KD_PREDEFINED_SET(URLPathAllowedCharacterSet, urlSet("-._~!$&'()*+,=:@/"))
KD_PREDEFINED_SET(URLQueryAllowedCharacterSet, urlSet("-._~!$&'()*+,;=:@/?"))
KD_PREDEFINED_SET(URLFragmentAllowedCharacterSet, urlSet("-._~!$&'()*+,;=:@/?"))

#undef KD_PREDEFINED_SET

CharacterSet CharacterSet::characterSetWithCharactersInString(const String& s) {
  CharacterSet set;
  set.addCharactersInString(s);
  return set;
}

CharacterSet CharacterSet::characterSetWithRange(Range codePoints) {
  CharacterSet set;
  set.addCharactersInRange(codePoints);
  return set;
}

CharacterSet CharacterSet::invertedSet() const {
  CharacterSet set = *this;
  set.invert();
  return set;
}

void CharacterSet::addCharactersInString(const String& s) {
  if (s.isEmpty()) return;
  USet* set = mutate().set;
  unicode::forEachCodePoint(s.view(), [&](char32_t cp, size_t, size_t) { uset_add(set, static_cast<UChar32>(cp)); });
  refresh();
}

void CharacterSet::removeCharactersInString(const String& s) {
  if (s.isEmpty()) return;
  USet* set = mutate().set;
  unicode::forEachCodePoint(s.view(), [&](char32_t cp, size_t, size_t) { uset_remove(set, static_cast<UChar32>(cp)); });
  refresh();
}

void CharacterSet::addCharactersInRange(Range codePoints) {
  UChar32 first, last;
  bool empty;
  clipRange(codePoints, &first, &last, &empty);
  if (empty) return;
  uset_addRange(mutate().set, first, last);
  refresh();
}

void CharacterSet::removeCharactersInRange(Range codePoints) {
  UChar32 first, last;
  bool empty;
  clipRange(codePoints, &first, &last, &empty);
  if (empty) return;
  uset_removeRange(mutate().set, first, last);
  refresh();
}

void CharacterSet::formUnionWithCharacterSet(const CharacterSet& other) {
  auto keep = other.impl_;  // `other` may be this very set
  uset_addAll(mutate().set, keep->set);
  refresh();
}

void CharacterSet::formIntersectionWithCharacterSet(const CharacterSet& other) {
  auto keep = other.impl_;
  uset_retainAll(mutate().set, keep->set);
  refresh();
}

void CharacterSet::invert() {
  uset_complement(mutate().set);
  refresh();
}

bool CharacterSet::operator==(const CharacterSet& other) const {
  return impl_ == other.impl_ || uset_equals(impl_->set, other.impl_->set);
}

}  // namespace rt
