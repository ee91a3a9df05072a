#pragma once
// The key store shared by dictionaries and sets: keys in a flat vector in insertion order,
// searched linearly while small and through an open-addressing index of positions above
// kIndexThreshold entries. The index is built eagerly (never lazily on a const path), so that
// immutable collections can be read from several threads.
// The keys, hashes and index are shared between tables until one of them changes (copies,
// and the records of one JSON list, all have the same keys): a table costs one pointer.
#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd::detail {

class KeyTable {
 public:
  static constexpr size_t kIndexThreshold = 8;
  static constexpr size_t npos = static_cast<size_t>(-1);

  KeyTable() = default;
  KeyTable(const KeyTable& other);
  KeyTable(KeyTable&& other) noexcept : layout_(std::exchange(other.layout_, nullptr)) {}
  KeyTable& operator=(const KeyTable& other);
  KeyTable& operator=(KeyTable&& other) noexcept;
  ~KeyTable() { release(); }

  size_t size() const { return layout_ ? layout_->keys.size() : 0; }
  bool empty() const { return size() == 0; }
  const std::vector<Id>& keys() const;
  const Id& keyAt(size_t i) const { return layout_->keys[i]; }
  size_t hashAt(size_t i) const { return layout_->hashes[i]; }
  bool indexed() const { return layout_ && !layout_->slots.empty(); }

  void reserve(size_t n);
  /// Position of a key isEqual to `key`, or npos.
  size_t find(const Object& key, size_t hash) const;
  /// Position of a string key equal to `s`, without boxing `s`.
  size_t findString(const String& s) const;
  /// Appends a key known to be absent.
  void append(Id key, size_t hash);
  /// Replaces the key at `i` by an equal one.
  void replaceKey(size_t i, Id key) { own().keys[i] = std::move(key); }
  void eraseAt(size_t i);
  void clear();
  /// Builds (or drops) the index to match the current size.
  void reindex();

 private:
  struct Layout {
    std::vector<Id> keys;
    std::vector<size_t> hashes;
    std::vector<uint32_t> slots;  // position + 1; 0 is empty
    // The tables holding this layout. Counted here rather than by a shared_ptr, whose
    // use_count is a relaxed read: a writer that finds itself the last holder must load the
    // count with acquire, so that the other holders' reads (on other threads) happen before
    // its writes, in a way the thread sanitizer also sees.
    std::atomic<size_t> holders{1};
    Layout() = default;
    Layout(const Layout& o) : keys(o.keys), hashes(o.hashes), slots(o.slots) {}
  };
  /// The layout for changing: made when absent, copied when shared.
  Layout& own();
  void release() noexcept;
  template <class Eq> size_t probe(size_t hash, Eq eq) const;
  static void insertSlot(Layout& l, size_t pos);
  static void reindex(Layout& l);
  Layout* layout_ = nullptr;
};

}  // namespace fd::detail
