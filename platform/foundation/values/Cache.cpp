#include "platform/foundation/values/Cache.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Cache) {}

Cache::~Cache() = default;

Id Cache::objectForKey(const Id& key) {
  if (!key) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = map_.find(key.get());
  if (it == map_.end()) return nullptr;
  lru_.splice(lru_.begin(), lru_, it->second);
  return it->second->object;
}

void Cache::eraseLocked(List::iterator it, std::vector<Id>& graveyard) {
  totalCost_ -= it->cost;
  map_.erase(it->key.get());
  graveyard.push_back(std::move(it->object));
  graveyard.push_back(std::move(it->key));
  lru_.erase(it);
}

void Cache::trim(std::vector<Id>& evicted, std::vector<Id>& graveyard) {
  while (!lru_.empty() && ((countLimit_ && lru_.size() > countLimit_) || (costLimit_ && totalCost_ > costLimit_))) {
    auto last = std::prev(lru_.end());
    evicted.push_back(last->object);
    eraseLocked(last, graveyard);
  }
}

void Cache::evictAfterUnlock(std::unique_lock<std::mutex>& lock) {
  std::vector<Id> evicted, graveyard;
  trim(evicted, graveyard);
  lock.unlock();
  for (const Id& o : evicted) willEvictObject(o);
}

void Cache::setObject(const Id& object, const Id& key, uint64_t cost) {
  if (!key) return;
  if (!object) {
    removeObjectForKey(key);
    return;
  }
  std::vector<Id> graveyard;  // declared first: released after the lock is dropped
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = map_.find(key.get());
  if (it != map_.end()) eraseLocked(it->second, graveyard);
  lru_.push_front(Entry{key, object, cost});
  map_.emplace(lru_.front().key.get(), lru_.begin());
  totalCost_ += cost;
  evictAfterUnlock(lock);
}

void Cache::removeObjectForKey(const Id& key) {
  if (!key) return;
  std::vector<Id> graveyard;
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = map_.find(key.get());
  if (it != map_.end()) eraseLocked(it->second, graveyard);
}

void Cache::removeAllObjects() {
  List gone;
  std::lock_guard<std::mutex> lock(mutex_);
  map_.clear();
  gone.swap(lru_);
  totalCost_ = 0;
}

uint64_t Cache::countLimit() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return countLimit_;
}

void Cache::setCountLimit(uint64_t limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  countLimit_ = limit;
  evictAfterUnlock(lock);
}

uint64_t Cache::totalCostLimit() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return costLimit_;
}

void Cache::setTotalCostLimit(uint64_t limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  costLimit_ = limit;
  evictAfterUnlock(lock);
}

String Cache::name() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

void Cache::setName(const String& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  name_ = name;
}

size_t Cache::count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lru_.size();
}

uint64_t Cache::totalCost() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return totalCost_;
}

}  // namespace fd
