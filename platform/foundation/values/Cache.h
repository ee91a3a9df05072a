#pragma once
// A thread-safe key-value cache with count and cost limits.
//
// Eviction is deterministic: whenever an insertion leaves the cache above its count limit or
// its total cost limit (0 means no limit), the least recently used entries are evicted, oldest
// first, until both limits hold again. Reading an entry (objectForKey) or replacing it counts
// as a use. An entry whose own cost exceeds the cost limit is evicted at once. Evicted objects
// are handed to willEvictObject and released after the cache's lock is dropped, so their
// destructors may use the cache. Keys are compared with isEqual/hash and are not copied.
#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>

#include "platform/foundation/Types.h"

namespace fd {

class Cache : public Object {
  RT_CLASS_NAMED(Cache, Object, "NSCache")
 public:
  void init() {}
  ~Cache() override;

  /// Null when absent.
  Id objectForKey(const Id& key);
  /// A null object removes the entry.
  void setObject(const Id& object, const Id& key, uint64_t cost = 0);
  void removeObjectForKey(const Id& key);
  void removeAllObjects();

  uint64_t countLimit() const;
  void setCountLimit(uint64_t limit);
  uint64_t totalCostLimit() const;
  void setTotalCostLimit(uint64_t limit);
  String name() const;
  void setName(const String& name);

  size_t count() const;
  uint64_t totalCost() const;

 protected:
  /// Called, outside the lock, for each object evicted by a limit (not for explicit removal).
  virtual void willEvictObject(const Id& object) { (void)object; }

 private:
  struct Entry {
    Id key;
    Id object;
    uint64_t cost;
  };
  using List = std::list<Entry>;
  struct KeyHash {
    size_t operator()(const Object* k) const { return k->hash(); }
  };
  struct KeyEqual {
    bool operator()(const Object* a, const Object* b) const { return a == b || a->isEqual(b); }
  };
  /// Evicts entries beyond the limits, their objects into `evicted` and keys into
  /// `graveyard`; call with the lock held.
  void trim(std::vector<Id>& evicted, std::vector<Id>& graveyard);
  /// Removes an entry, moving its key and object into `graveyard` to be released later.
  void eraseLocked(List::iterator it, std::vector<Id>& graveyard);
  void evictAfterUnlock(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  List lru_;  // most recently used first
  std::unordered_map<const Object*, List::iterator, KeyHash, KeyEqual> map_;
  uint64_t countLimit_ = 0;
  uint64_t costLimit_ = 0;
  uint64_t totalCost_ = 0;
  String name_;
};

}  // namespace fd
