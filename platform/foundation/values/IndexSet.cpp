#include "platform/foundation/values/IndexSet.h"

#include <algorithm>
#include <cstdio>

namespace fd {

RT_IMPLEMENT_PLATFORM(IndexSet) {
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSSecureCoding");
  c.property("count", &IndexSet::count);
}

RT_IMPLEMENT_PLATFORM(MutableIndexSet) {}

void IndexSet::init(Range r) { add(r); }

Ref<IndexSet> IndexSet::indexSetWithIndex(uint64_t i) { return rt::make<IndexSet>(Range{i, 1}); }

Ref<IndexSet> IndexSet::indexSetWithIndexesInRange(Range r) { return rt::make<IndexSet>(r); }

size_t IndexSet::count() const {
  size_t n = 0;
  for (const Range& r : ranges_) n += r.length;
  return n;
}

uint64_t IndexSet::firstIndex() const { return ranges_.empty() ? NotFound : ranges_.front().location; }

uint64_t IndexSet::lastIndex() const { return ranges_.empty() ? NotFound : ranges_.back().end() - 1; }

uint64_t IndexSet::indexGreaterThanOrEqualToIndex(uint64_t i) const {
  for (const Range& r : ranges_) {
    if (r.end() > i) return std::max(r.location, i);
  }
  return NotFound;
}

uint64_t IndexSet::indexGreaterThanIndex(uint64_t i) const {
  if (i == UINT64_MAX) return NotFound;
  return indexGreaterThanOrEqualToIndex(i + 1);
}

uint64_t IndexSet::indexLessThanOrEqualToIndex(uint64_t i) const {
  for (auto it = ranges_.rbegin(); it != ranges_.rend(); ++it) {
    if (it->location <= i) return std::min(it->end() - 1, i);
  }
  return NotFound;
}

uint64_t IndexSet::indexLessThanIndex(uint64_t i) const { return i == 0 ? NotFound : indexLessThanOrEqualToIndex(i - 1); }

bool IndexSet::containsIndex(uint64_t i) const {
  auto it = std::upper_bound(ranges_.begin(), ranges_.end(), i, [](uint64_t v, const Range& r) { return v < r.location; });
  return it != ranges_.begin() && std::prev(it)->contains(i);
}

bool IndexSet::containsIndexesInRange(Range r) const {
  if (r.length == 0) return false;
  for (const Range& x : ranges_) {
    if (x.location <= r.location && x.end() >= r.end()) return true;
  }
  return false;
}

bool IndexSet::containsIndexes(const IndexSet& other) const {
  for (const Range& r : other.ranges_) {
    if (!containsIndexesInRange(r)) return false;
  }
  return true;
}

bool IndexSet::intersectsIndexesInRange(Range r) const { return countOfIndexesInRange(r) > 0; }

size_t IndexSet::countOfIndexesInRange(Range r) const {
  size_t n = 0;
  for (const Range& x : ranges_) n += rt::intersection(x, r).length;
  return n;
}

std::vector<uint64_t> IndexSet::indexes() const {
  std::vector<uint64_t> out;
  out.reserve(count());
  for (const Range& r : ranges_) {
    for (uint64_t i = r.location; i < r.end(); ++i) out.push_back(i);
  }
  return out;
}

void IndexSet::enumerateIndexes(uint32_t options, const std::function<void(uint64_t, bool& stop)>& block) const {
  const std::vector<Range> snapshot = ranges_;
  bool stop = false;
  if (options & EnumerationReverse) {
    for (auto it = snapshot.rbegin(); it != snapshot.rend() && !stop; ++it) {
      for (uint64_t i = it->end(); i-- > it->location && !stop;) block(i, stop);
    }
  } else {
    for (const Range& r : snapshot) {
      for (uint64_t i = r.location; i < r.end() && !stop; ++i) block(i, stop);
      if (stop) break;
    }
  }
}

void IndexSet::enumerateRanges(uint32_t options, const std::function<void(Range, bool& stop)>& block) const {
  const std::vector<Range> snapshot = ranges_;
  bool stop = false;
  if (options & EnumerationReverse) {
    for (auto it = snapshot.rbegin(); it != snapshot.rend() && !stop; ++it) block(*it, stop);
  } else {
    for (auto it = snapshot.begin(); it != snapshot.end() && !stop; ++it) block(*it, stop);
  }
}

void IndexSet::add(Range r) {
  if (r.length == 0) return;
  if (r.location > NotFound || r.length > NotFound - r.location) {
    rt::raise(rt::RangeException, String::format("-[%@ addIndexesInRange:]: Range {%llu, %llu} exceeds maximum index value of NSNotFound - 1",
                                                 className(), r.location, r.length));
  }
  std::vector<Range> out;
  out.reserve(ranges_.size() + 1);
  size_t i = 0;
  while (i < ranges_.size() && ranges_[i].end() < r.location) out.push_back(ranges_[i++]);
  uint64_t lo = r.location, hi = r.end();
  while (i < ranges_.size() && ranges_[i].location <= hi) {  // overlapping or adjacent
    lo = std::min(lo, ranges_[i].location);
    hi = std::max(hi, ranges_[i].end());
    ++i;
  }
  out.push_back(Range{lo, hi - lo});
  while (i < ranges_.size()) out.push_back(ranges_[i++]);
  ranges_ = std::move(out);
}

void IndexSet::remove(Range r) {
  if (r.length == 0) return;
  std::vector<Range> out;
  out.reserve(ranges_.size() + 1);
  for (const Range& x : ranges_) {
    if (x.end() <= r.location || x.location >= r.end()) {
      out.push_back(x);
      continue;
    }
    if (x.location < r.location) out.push_back(Range{x.location, r.location - x.location});
    if (x.end() > r.end()) out.push_back(Range{r.end(), x.end() - r.end()});
  }
  ranges_ = std::move(out);
}

String IndexSet::description() const {
  std::string list;
  for (const Range& r : ranges_) {
    if (!list.empty()) list += ' ';
    list += std::to_string(r.location);
    if (r.length > 1) list += '-' + std::to_string(r.end() - 1);
  }
  char addr[32];
  std::snprintf(addr, sizeof addr, "%p", static_cast<const void*>(this));
  return String::format("<%@: %s>[number of indexes: %llu (in %llu ranges), indexes: (%s)]", className(), addr,
                        static_cast<uint64_t>(count()), static_cast<uint64_t>(ranges_.size()), list.c_str());
}

bool IndexSet::isEqual(const Object* other) const {
  if (other == this) return true;
  auto* s = dynamic_cast<const IndexSet*>(other);
  return s && s->ranges_ == ranges_;
}

size_t IndexSet::hash() const { return count() ^ (ranges_.empty() ? 0 : static_cast<size_t>(ranges_.front().location) << 8); }

Id IndexSet::copy() const { return std::const_pointer_cast<Object>(self()); }

Id IndexSet::mutableCopy() const {
  auto m = MutableIndexSet::create();
  copyRanges(*m, *this);
  return m;
}

void MutableIndexSet::addIndexes(const IndexSet& other) {
  const std::vector<Range> ranges = other.ranges();
  for (const Range& r : ranges) add(r);
}

void MutableIndexSet::removeIndexes(const IndexSet& other) {
  const std::vector<Range> ranges = other.ranges();
  for (const Range& r : ranges) remove(r);
}

void MutableIndexSet::shiftIndexesStartingAtIndex(uint64_t index, int64_t delta) {
  if (delta == 0) return;
  std::vector<Range> below, above;
  for (const Range& r : ranges_) {
    if (r.end() <= index) {
      below.push_back(r);
    } else if (r.location >= index) {
      above.push_back(r);
    } else {
      below.push_back(Range{r.location, index - r.location});
      above.push_back(Range{index, r.end() - index});
    }
  }
  ranges_ = std::move(below);
  if (delta > 0) {
    for (const Range& r : above) add(Range{r.location + static_cast<uint64_t>(delta), r.length});
    return;
  }
  uint64_t d = static_cast<uint64_t>(-delta);
  // Indexes in [index - d, index) are overwritten by the ones moving down.
  remove(Range{index > d ? index - d : 0, index > d ? d : index});
  for (const Range& r : above) {
    if (r.end() <= d) continue;
    uint64_t lo = r.location > d ? r.location - d : 0;
    add(Range{lo, r.end() - d - lo});
  }
}

Id MutableIndexSet::copy() const {
  auto s = IndexSet::indexSet();
  copyRanges(*s, *this);
  return s;
}

}  // namespace fd
