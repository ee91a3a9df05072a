#include "platform/typeset/AttributedString.h"

#include <algorithm>

#include "platform/runtime/Exception.h"

namespace typeset {

RT_IMPLEMENT_PLATFORM(AttributedString) {
  c.property("string", &AttributedString::string);
  c.property("length", &AttributedString::length);
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

const AttributedString::Attributes& AttributedString::emptyAttributes() {
  static const Attributes empty = fd::Dictionary::create();
  return empty;
}

bool AttributedString::sameAttributes(const Attributes& a, const Attributes& b) {
  return a == b || (a && b && a->isEqual(b.get()));
}

void AttributedString::init(String string, Attributes attributes) {
  string_ = std::move(string);
  if (!string_.isEmpty()) runs_.push_back({0, attributes ? attributes : emptyAttributes()});
}

void AttributedString::init(const AttributedString& other) {
  string_ = other.string_;
  runs_ = other.runs_;
}

Ref<AttributedString> AttributedString::create(const String& string, Attributes attributes) {
  return rt::make<AttributedString>(string, std::move(attributes));
}

void AttributedString::checkIndex(size_t index) const {
  if (index >= length())
    rt::raiseFormat(rt::RangeException, "Index %lu out of bounds; string length %lu", static_cast<unsigned long>(index),
                    static_cast<unsigned long>(length()));
}

void AttributedString::checkRange(Range r) const {
  if (r.location > length() || r.length > length() - r.location)
    rt::raiseFormat(rt::RangeException, "Range {%lu, %lu} out of bounds; string length %lu",
                    static_cast<unsigned long>(r.location), static_cast<unsigned long>(r.length),
                    static_cast<unsigned long>(length()));
}

size_t AttributedString::runIndexAt(size_t index) const {
  auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                             [](uint64_t i, const RunEntry& r) { return i < r.start; });
  return static_cast<size_t>(it - runs_.begin()) - 1;
}

uint64_t AttributedString::runEnd(size_t runIndex) const {
  return runIndex + 1 < runs_.size() ? runs_[runIndex + 1].start : length();
}

AttributedString::Attributes AttributedString::attributesAtIndex(size_t index, Range* effectiveRange) const {
  checkIndex(index);
  size_t ri = runIndexAt(index);
  if (effectiveRange) *effectiveRange = Range{runs_[ri].start, runEnd(ri) - runs_[ri].start};
  return runs_[ri].attributes;
}

AttributedString::Attributes AttributedString::attributesAtIndex(size_t index, Range* longest, Range limit) const {
  checkIndex(index);
  checkRange(limit);
  size_t ri = runIndexAt(index);
  const Attributes& attrs = runs_[ri].attributes;
  if (longest) {
    size_t lo = ri, hi = ri;
    while (lo > 0 && runs_[lo].start > limit.location && sameAttributes(runs_[lo - 1].attributes, attrs)) --lo;
    while (hi + 1 < runs_.size() && runEnd(hi) < limit.end() && sameAttributes(runs_[hi + 1].attributes, attrs)) ++hi;
    uint64_t start = std::max<uint64_t>(runs_[lo].start, limit.location);
    uint64_t end = std::min<uint64_t>(runEnd(hi), limit.end());
    *longest = Range{start, end > start ? end - start : 0};
  }
  return attrs;
}

Id AttributedString::attributeAtIndex(const String& name, size_t index, Range* effectiveRange) const {
  checkIndex(index);
  size_t ri = runIndexAt(index);
  Id value = runs_[ri].attributes->objectForKey(name);
  if (effectiveRange) {
    // The run is widened over neighbours that agree on this one attribute.
    size_t lo = ri, hi = ri;
    while (lo > 0 && rt::equalObjects(runs_[lo - 1].attributes->objectForKey(name).get(), value.get())) --lo;
    while (hi + 1 < runs_.size() && rt::equalObjects(runs_[hi + 1].attributes->objectForKey(name).get(), value.get())) ++hi;
    *effectiveRange = Range{runs_[lo].start, runEnd(hi) - runs_[lo].start};
  }
  return value;
}

Id AttributedString::attributeAtIndex(const String& name, size_t index, Range* longest, Range limit) const {
  checkRange(limit);
  Range r;
  Id value = attributeAtIndex(name, index, &r);
  if (longest) *longest = rt::intersection(r, limit);
  return value;
}

void AttributedString::enumerateAttributes(Range range, uint32_t options, const AttributesBlock& block) const {
  checkRange(range);
  if (range.length == 0) return;
  std::vector<std::pair<Attributes, Range>> segments;
  size_t ri = runIndexAt(range.location);
  bool merge = !(options & AttributedStringEnumerationLongestEffectiveRangeNotRequired);
  for (; ri < runs_.size() && runs_[ri].start < range.end(); ++ri) {
    Range r = rt::intersection(Range{runs_[ri].start, runEnd(ri) - runs_[ri].start}, range);
    if (merge && !segments.empty() && sameAttributes(segments.back().first, runs_[ri].attributes))
      segments.back().second.length += r.length;
    else
      segments.push_back({runs_[ri].attributes, r});
  }
  if (options & AttributedStringEnumerationReverse) std::reverse(segments.begin(), segments.end());
  bool stop = false;
  for (const auto& [attrs, r] : segments) {
    block(attrs, r, stop);
    if (stop) break;
  }
}

void AttributedString::enumerateAttribute(const String& name, Range range, uint32_t options,
                                          const AttributeBlock& block) const {
  checkRange(range);
  if (range.length == 0) return;
  std::vector<std::pair<Id, Range>> segments;
  bool merge = !(options & AttributedStringEnumerationLongestEffectiveRangeNotRequired);
  for (size_t ri = runIndexAt(range.location); ri < runs_.size() && runs_[ri].start < range.end(); ++ri) {
    Range r = rt::intersection(Range{runs_[ri].start, runEnd(ri) - runs_[ri].start}, range);
    Id value = runs_[ri].attributes->objectForKey(name);
    if (merge && !segments.empty() && rt::equalObjects(segments.back().first.get(), value.get()))
      segments.back().second.length += r.length;
    else
      segments.push_back({value, r});
  }
  if (options & AttributedStringEnumerationReverse) std::reverse(segments.begin(), segments.end());
  bool stop = false;
  for (const auto& [value, r] : segments) {
    block(value, r, stop);
    if (stop) break;
  }
}

Ref<AttributedString> AttributedString::attributedSubstringFromRange(Range range) const {
  checkRange(range);
  auto out = rt::make<AttributedString>();
  out->string_ = string_.substring(range);
  if (range.length == 0) return out;
  for (size_t ri = runIndexAt(range.location); ri < runs_.size() && runs_[ri].start < range.end(); ++ri)
    out->runs_.push_back({std::max<uint64_t>(runs_[ri].start, range.location) - range.location, runs_[ri].attributes});
  return out;
}

bool AttributedString::isEqualToAttributedString(const AttributedString& other) const {
  if (string_ != other.string_) return false;
  // Runs may be split differently; compare attributes over the union of boundaries.
  size_t i = 0, j = 0;
  uint64_t pos = 0;
  while (pos < length()) {
    while (i + 1 < runs_.size() && runs_[i + 1].start <= pos) ++i;
    while (j + 1 < other.runs_.size() && other.runs_[j + 1].start <= pos) ++j;
    if (!sameAttributes(runs_[i].attributes, other.runs_[j].attributes)) return false;
    pos = std::min(runEnd(i), other.runEnd(j));
  }
  return true;
}

bool AttributedString::isEqual(const rt::Object* other) const {
  auto* o = rt::as<const AttributedString>(other);
  return o && isEqualToAttributedString(*o);
}

String AttributedString::description() const {
  String out;
  for (size_t ri = 0; ri < runs_.size(); ++ri) {
    Range r{runs_[ri].start, runEnd(ri) - runs_[ri].start};
    out += string_.substring(r);
    out += runs_[ri].attributes->description();
  }
  return out;
}

rt::Id AttributedString::copy() const { return std::const_pointer_cast<rt::Object>(self()); }

rt::Id AttributedString::mutableCopy() const {
  auto m = rt::make<MutableAttributedString>();
  m->setAttributedString(*this);
  return m;
}

// ---- mutable

RT_IMPLEMENT_PLATFORM(MutableAttributedString) {}

Ref<MutableAttributedString> MutableAttributedString::create(const String& string, Attributes attributes) {
  return rt::make<MutableAttributedString>(string, std::move(attributes));
}

rt::Id MutableAttributedString::copy() const {
  auto c = rt::make<AttributedString>(*this);
  return c;
}

void MutableAttributedString::splitAt(uint64_t position) {
  if (position == 0 || position >= length()) return;
  size_t ri = runIndexAt(position);
  if (runs_[ri].start == position) return;
  runs_.insert(runs_.begin() + static_cast<ptrdiff_t>(ri) + 1, RunEntry{position, runs_[ri].attributes});
}

void MutableAttributedString::coalesce() {
  if (runs_.empty()) return;
  size_t out = 0;
  for (size_t i = 1; i < runs_.size(); ++i) {
    if (runs_[i].start >= length()) break;
    if (runs_[i].start == runs_[out].start) {
      runs_[out] = runs_[i];
    } else if (!sameAttributes(runs_[out].attributes, runs_[i].attributes)) {
      runs_[++out] = runs_[i];
    }
  }
  runs_.resize(length() == 0 ? 0 : out + 1);
}

void MutableAttributedString::modify(Range range, const std::function<Attributes(const Attributes&)>& change) {
  checkRange(range);
  if (range.length == 0) return;
  splitAt(range.location);
  splitAt(range.end());
  for (size_t ri = runIndexAt(range.location); ri < runs_.size() && runs_[ri].start < range.end(); ++ri)
    runs_[ri].attributes = change(runs_[ri].attributes);
  coalesce();
}

void MutableAttributedString::replaceCharactersInRange(Range range, const String& string) {
  checkRange(range);
  Attributes inherit = emptyAttributes();
  if (!runs_.empty()) {
    size_t at = range.length > 0 ? range.location : (range.location > 0 ? range.location - 1 : 0);
    inherit = runs_[runIndexAt(at)].attributes;
  }
  auto piece = rt::make<AttributedString>(string, inherit);
  replaceCharactersInRange(range, *piece);
}

void MutableAttributedString::replaceCharactersInRange(Range range, const AttributedString& other) {
  checkRange(range);
  // Copy first: `other` may be this very string.
  std::vector<RunEntry> insert = other.runs_;
  String inserted = other.string_;
  uint64_t oldLength = length();
  std::vector<RunEntry> runs;
  runs.reserve(runs_.size() + insert.size() + 1);
  for (size_t ri = 0; ri < runs_.size() && runs_[ri].start < range.location; ++ri) runs.push_back(runs_[ri]);
  for (const auto& r : insert) runs.push_back({r.start + range.location, r.attributes});
  if (range.end() < oldLength) {
    size_t ri = runIndexAt(range.end());
    runs.push_back({range.location + inserted.length(), runs_[ri].attributes});
    for (++ri; ri < runs_.size(); ++ri)
      runs.push_back({runs_[ri].start - range.length + inserted.length(), runs_[ri].attributes});
  }
  string_.replaceCharactersInRange(range, inserted);
  runs_ = std::move(runs);
  coalesce();
}

void MutableAttributedString::insertAttributedString(const AttributedString& string, size_t index) {
  replaceCharactersInRange(Range{index, 0}, string);
}

void MutableAttributedString::appendAttributedString(const AttributedString& string) {
  replaceCharactersInRange(Range{length(), 0}, string);
}

void MutableAttributedString::setAttributedString(const AttributedString& string) {
  replaceCharactersInRange(Range{0, length()}, string);
}

void MutableAttributedString::setAttributes(Attributes attributes, Range range) {
  Attributes a = attributes ? attributes : emptyAttributes();
  modify(range, [&](const Attributes&) { return a; });
}

void MutableAttributedString::addAttribute(const String& name, const Id& value, Range range) {
  if (!value) rt::raise(rt::InvalidArgumentException, "addAttribute: nil value for attribute " + name);
  modify(range, [&](const Attributes& old) {
    auto d = rt::as<fd::MutableDictionary>(old->mutableCopy());
    d->setObjectForKey(value, name);
    return Attributes(d);
  });
}

void MutableAttributedString::addAttributes(const fd::Dictionary& attributes, Range range) {
  modify(range, [&](const Attributes& old) {
    auto d = rt::as<fd::MutableDictionary>(old->mutableCopy());
    d->addEntriesFromDictionary(attributes);
    return Attributes(d);
  });
}

void MutableAttributedString::removeAttribute(const String& name, Range range) {
  modify(range, [&](const Attributes& old) {
    if (!old->objectForKey(name)) return old;
    auto d = rt::as<fd::MutableDictionary>(old->mutableCopy());
    d->removeObjectForKey(name);
    return Attributes(d);
  });
}

}  // namespace typeset
