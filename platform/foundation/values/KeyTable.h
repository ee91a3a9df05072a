#pragma once
// The key store shared by dictionaries and sets: keys in a flat vector in insertion order,
// searched linearly while small and through an open-addressing index of positions above
// kIndexThreshold entries. The index is built eagerly (never lazily on a const path), so that
// immutable collections can be read from several threads.
#include <cstdint>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd::detail {

class KeyTable {
 public:
  static constexpr size_t kIndexThreshold = 8;
  static constexpr size_t npos = static_cast<size_t>(-1);

  size_t size() const { return keys_.size(); }
  bool empty() const { return keys_.empty(); }
  const std::vector<Id>& keys() const { return keys_; }
  const Id& keyAt(size_t i) const { return keys_[i]; }
  size_t hashAt(size_t i) const { return hashes_[i]; }
  bool indexed() const { return !slots_.empty(); }

  void reserve(size_t n);
  /// Position of a key isEqual to `key`, or npos.
  size_t find(const Object& key, size_t hash) const;
  /// Position of a string key equal to `s`, without boxing `s`.
  size_t findString(const String& s) const;
  /// Appends a key known to be absent.
  void append(Id key, size_t hash);
  /// Replaces the key at `i` by an equal one.
  void replaceKey(size_t i, Id key) { keys_[i] = std::move(key); }
  void eraseAt(size_t i);
  void clear();
  /// Builds (or drops) the index to match the current size.
  void reindex();

 private:
  template <class Eq> size_t probe(size_t hash, Eq eq) const;
  void insertSlot(size_t pos);
  std::vector<Id> keys_;
  std::vector<size_t> hashes_;
  std::vector<uint32_t> slots_;  // position + 1; 0 is empty
};

}  // namespace fd::detail
