#include "platform/foundation/values/KeyTable.h"

#include "platform/foundation/text/StringObject.h"

namespace fd::detail {

namespace {

// Object hashes may be addresses (low bits zero) or small integers: spread them.
inline size_t spread(size_t h) {
  uint64_t x = h;
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 29;
  return static_cast<size_t>(x);
}

}  // namespace

template <class Eq> size_t KeyTable::probe(size_t hash, Eq eq) const {
  if (slots_.empty()) {
    for (size_t i = 0; i < keys_.size(); ++i) {
      if (hashes_[i] == hash && eq(i)) return i;
    }
    return npos;
  }
  const size_t mask = slots_.size() - 1;
  for (size_t s = spread(hash) & mask;; s = (s + 1) & mask) {
    uint32_t v = slots_[s];
    if (v == 0) return npos;
    size_t i = v - 1;
    if (hashes_[i] == hash && eq(i)) return i;
  }
}

size_t KeyTable::find(const Object& key, size_t hash) const {
  return probe(hash, [&](size_t i) { return keys_[i].get() == &key || keys_[i]->isEqual(&key); });
}

size_t KeyTable::findString(const String& s) const {
  return probe(s.hash(), [&](size_t i) {
    auto* k = dynamic_cast<const StringObject*>(keys_[i].get());
    return k && k->string() == s;
  });
}

void KeyTable::reserve(size_t n) {
  keys_.reserve(n);
  hashes_.reserve(n);
}

void KeyTable::insertSlot(size_t pos) {
  const size_t mask = slots_.size() - 1;
  size_t s = spread(hashes_[pos]) & mask;
  while (slots_[s] != 0) s = (s + 1) & mask;
  slots_[s] = static_cast<uint32_t>(pos + 1);
}

void KeyTable::append(Id key, size_t hash) {
  keys_.push_back(std::move(key));
  hashes_.push_back(hash);
  if (slots_.empty()) {
    if (keys_.size() > kIndexThreshold) reindex();
  } else if (keys_.size() * 2 > slots_.size()) {
    reindex();
  } else {
    insertSlot(keys_.size() - 1);
  }
}

void KeyTable::eraseAt(size_t i) {
  keys_.erase(keys_.begin() + static_cast<ptrdiff_t>(i));
  hashes_.erase(hashes_.begin() + static_cast<ptrdiff_t>(i));
  if (!slots_.empty()) reindex();
}

void KeyTable::clear() {
  keys_.clear();
  hashes_.clear();
  slots_.clear();
}

void KeyTable::reindex() {
  if (keys_.size() <= kIndexThreshold) {
    slots_.clear();
    return;
  }
  size_t cap = 16;
  while (cap < keys_.size() * 2 + 2) cap <<= 1;
  slots_.assign(cap, 0);
  for (size_t i = 0; i < keys_.size(); ++i) insertSlot(i);
}

}  // namespace fd::detail
