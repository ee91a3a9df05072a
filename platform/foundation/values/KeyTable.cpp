#include "platform/foundation/values/KeyTable.h"

#include <atomic>

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

const std::vector<Id>& KeyTable::keys() const {
  static const std::vector<Id> none;
  return layout_ ? layout_->keys : none;
}

KeyTable::KeyTable(const KeyTable& other) : layout_(other.layout_) {
  if (layout_) layout_->holders.fetch_add(1, std::memory_order_relaxed);
}

KeyTable& KeyTable::operator=(const KeyTable& other) {
  if (other.layout_) other.layout_->holders.fetch_add(1, std::memory_order_relaxed);
  release();
  layout_ = other.layout_;
  return *this;
}

KeyTable& KeyTable::operator=(KeyTable&& other) noexcept {
  if (this != &other) {
    release();
    layout_ = std::exchange(other.layout_, nullptr);
  }
  return *this;
}

void KeyTable::release() noexcept {
  Layout* l = std::exchange(layout_, nullptr);
  // Release: this holder's reads happen before the last holder deletes or writes the layout.
  if (l && l->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete l;
}

KeyTable::Layout& KeyTable::own() {
  if (!layout_) {
    layout_ = new Layout();
  } else if (layout_->holders.load(std::memory_order_acquire) > 1) {
    auto* copy = new Layout(*layout_);
    release();
    layout_ = copy;
  }
  return *layout_;
}

template <class Eq> size_t KeyTable::probe(size_t hash, Eq eq) const {
  if (!layout_) return npos;
  const Layout& l = *layout_;
  if (l.slots.empty()) {
    for (size_t i = 0; i < l.keys.size(); ++i) {
      if (l.hashes[i] == hash && eq(l.keys[i])) return i;
    }
    return npos;
  }
  const size_t mask = l.slots.size() - 1;
  for (size_t s = spread(hash) & mask;; s = (s + 1) & mask) {
    uint32_t v = l.slots[s];
    if (v == 0) return npos;
    size_t i = v - 1;
    if (l.hashes[i] == hash && eq(l.keys[i])) return i;
  }
}

size_t KeyTable::find(const Object& key, size_t hash) const {
  return probe(hash, [&](const Id& k) { return k.get() == &key || k->isEqual(&key); });
}

size_t KeyTable::findString(const String& s) const {
  return probe(s.hash(), [&](const Id& k) {
    auto* o = dynamic_cast<const StringObject*>(k.get());
    return o && o->string() == s;
  });
}

void KeyTable::reserve(size_t n) {
  if (n == 0) return;
  Layout& l = own();
  l.keys.reserve(n);
  l.hashes.reserve(n);
}

void KeyTable::insertSlot(Layout& l, size_t pos) {
  const size_t mask = l.slots.size() - 1;
  size_t s = spread(l.hashes[pos]) & mask;
  while (l.slots[s] != 0) s = (s + 1) & mask;
  l.slots[s] = static_cast<uint32_t>(pos + 1);
}

void KeyTable::append(Id key, size_t hash) {
  Layout& l = own();
  l.keys.push_back(std::move(key));
  l.hashes.push_back(hash);
  if (l.slots.empty()) {
    if (l.keys.size() > kIndexThreshold) reindex(l);
  } else if (l.keys.size() * 2 > l.slots.size()) {
    reindex(l);
  } else {
    insertSlot(l, l.keys.size() - 1);
  }
}

void KeyTable::eraseAt(size_t i) {
  Layout& l = own();
  l.keys.erase(l.keys.begin() + static_cast<ptrdiff_t>(i));
  l.hashes.erase(l.hashes.begin() + static_cast<ptrdiff_t>(i));
  if (!l.slots.empty()) reindex(l);
}

void KeyTable::clear() { release(); }

void KeyTable::reindex() {
  if (layout_) reindex(own());
}

void KeyTable::reindex(Layout& l) {
  if (l.keys.size() <= kIndexThreshold) {
    l.slots.clear();
    return;
  }
  size_t cap = 16;
  while (cap < l.keys.size() * 2 + 2) cap <<= 1;
  l.slots.assign(cap, 0);
  for (size_t i = 0; i < l.keys.size(); ++i) insertSlot(l, i);
}

}  // namespace fd::detail
