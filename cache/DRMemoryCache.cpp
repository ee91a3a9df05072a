#include "cache/DRMemoryCache.h"

#include <chrono>
#include <thread>

#include "base/utility/DRDispatchQueuePool.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/layer/Layer.h"

namespace cache {

RT_IMPLEMENT(DRMemoryCache) {}

void DRMemoryCache::init() {
  queue_ = dispatch::Queue::createSerial("com.kestrum.cache.memory");
  rt::Weak<DRMemoryCache> weak = std::static_pointer_cast<DRMemoryCache>(self());
  auto center = fd::NotificationCenter::defaultCenter();
  for (bool warning : {true, false}) {
    const char* name = warning ? ui::UIApplicationDidReceiveMemoryWarningNotification
                               : ui::UIApplicationDidEnterBackgroundNotification;
    observers_.push_back(center->addObserverForName(String(name), nullptr, nullptr, [weak, warning](const Ref<fd::Notification>&) {
      if (auto c = weak.lock()) c->appEvent(warning);
    }));
  }
  trimRecursively();
}

DRMemoryCache::~DRMemoryCache() {
  for (auto& o : observers_) fd::NotificationCenter::defaultCenter()->removeObserver(o);
  Dropped dropped;
  {
    std::lock_guard guard(lock_);
    dropped = removeAllNodes();
  }
  release(std::move(dropped), false);
}

// --- the linked map -------------------------------------------------------------------------

void DRMemoryCache::insertAtHead(std::unique_ptr<Node> node) {
  Node* n = node.get();
  totalCost_ += n->cost;
  totalCount_ += 1;
  n->next = head_;
  n->prev = nullptr;
  if (head_) head_->prev = n;
  head_ = n;
  if (!tail_) tail_ = n;
  dic_[n->key] = std::move(node);
}

void DRMemoryCache::bringToHead(Node* n) {
  if (n == head_) return;
  if (n == tail_) tail_ = n->prev;
  if (n->prev) n->prev->next = n->next;
  if (n->next) n->next->prev = n->prev;
  n->prev = nullptr;
  n->next = head_;
  head_->prev = n;
  head_ = n;
}

std::unique_ptr<DRMemoryCache::Node> DRMemoryCache::unlink(Node* n) {
  auto it = dic_.find(n->key);
  std::unique_ptr<Node> owned = std::move(it->second);
  dic_.erase(it);
  totalCost_ -= n->cost;
  totalCount_ -= 1;
  if (n->prev) n->prev->next = n->next;
  if (n->next) n->next->prev = n->prev;
  if (head_ == n) head_ = n->next;
  if (tail_ == n) tail_ = n->prev;
  n->prev = n->next = nullptr;
  return owned;
}

std::unique_ptr<DRMemoryCache::Node> DRMemoryCache::removeTail() { return tail_ ? unlink(tail_) : nullptr; }

DRMemoryCache::Dropped DRMemoryCache::removeAllNodes() {
  Dropped dropped;
  dropped.reserve(dic_.size());
  for (auto& [key, node] : dic_) dropped.push_back(std::move(node));
  dic_.clear();
  head_ = tail_ = nullptr;
  totalCost_ = totalCount_ = 0;
  return dropped;
}

void DRMemoryCache::release(Dropped dropped, bool alwaysQueue) {
  if (dropped.empty()) return;
  bool onMain, async;
  {
    std::lock_guard guard(lock_);
    onMain = releaseOnMainThread_;
    async = releaseAsynchronously_;
  }
  release(std::move(dropped), alwaysQueue, onMain, async);
}

void DRMemoryCache::release(Dropped dropped, bool alwaysQueue, bool onMain, bool async) {
  if (dropped.empty()) return;
  async = async || alwaysQueue;
  if (!async && !(onMain && !dispatch::isMainThread())) return;  // the nodes go here, now
  auto holder = std::make_shared<Dropped>(std::move(dropped));
  auto queue = onMain ? dispatch::mainQueue() : base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceUtility);
  queue->async([holder] { holder->clear(); });
}

// --- operations -------------------------------------------------------------------------------

bool DRMemoryCache::containsObjectForKey(const String& key) {
  if (key.isEmpty()) return false;
  std::lock_guard guard(lock_);
  return dic_.count(key) != 0;
}

rt::Id DRMemoryCache::objectForKey(const String& key) {
  if (key.isEmpty()) return nullptr;
  std::lock_guard guard(lock_);
  auto it = dic_.find(key);
  if (it == dic_.end()) return nullptr;
  Node* n = it->second.get();
  n->time = ui::CACurrentMediaTime();
  bringToHead(n);
  return n->value;
}

void DRMemoryCache::setObject(const rt::Id& object, const String& key, uint64_t cost) {
  if (key.isEmpty()) return;
  if (!object) return removeObjectForKey(key);
  Dropped dropped;
  rt::Id replaced;  // the old object goes at once, on this thread, outside the lock
  bool onMain, async;
  {
    std::lock_guard guard(lock_);
    double now = ui::CACurrentMediaTime();
    auto it = dic_.find(key);
    if (it != dic_.end()) {
      Node* n = it->second.get();
      totalCost_ = totalCost_ - n->cost + cost;
      n->cost = cost;
      n->time = now;
      replaced = std::move(n->value);
      n->value = object;
      bringToHead(n);
    } else {
      auto n = std::make_unique<Node>();
      n->key = key;
      n->value = object;
      n->cost = cost;
      n->time = now;
      insertAtHead(std::move(n));
    }
    if (totalCost_ > costLimit) {
      auto keep = std::static_pointer_cast<DRMemoryCache>(self());
      queue_->async([keep] { keep->trimToCost(keep->costLimit); });
    }
    if (totalCount_ > countLimit)
      if (auto tail = removeTail()) dropped.push_back(std::move(tail));
    onMain = releaseOnMainThread_;
    async = releaseAsynchronously_;
  }
  release(std::move(dropped), false, onMain, async);
}

void DRMemoryCache::removeObjectForKey(const String& key) {
  if (key.isEmpty()) return;
  Dropped dropped;
  bool onMain, async;
  {
    std::lock_guard guard(lock_);
    auto it = dic_.find(key);
    if (it == dic_.end()) return;
    dropped.push_back(unlink(it->second.get()));
    onMain = releaseOnMainThread_;
    async = releaseAsynchronously_;
  }
  release(std::move(dropped), false, onMain, async);
}

void DRMemoryCache::removeAllObjects() {
  Dropped dropped;
  {
    std::lock_guard guard(lock_);
    dropped = removeAllNodes();
  }
  release(std::move(dropped), false);
}

template <class Over> void DRMemoryCache::trimLoop(Over over) {
  Dropped dropped;
  for (;;) {
    if (lock_.try_lock()) {
      bool more = over();
      if (more) dropped.push_back(removeTail());
      lock_.unlock();
      if (!more) break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  release(std::move(dropped), true);
}

void DRMemoryCache::trimToCost(uint64_t limit) {
  Dropped all;
  {
    std::lock_guard guard(lock_);
    if (limit != 0 && totalCost_ <= limit) return;
    if (limit == 0) all = removeAllNodes();
  }
  if (limit == 0) return release(std::move(all), true);
  trimLoop([&] { return totalCost_ > limit && tail_; });
}

void DRMemoryCache::trimToCount(uint64_t limit) {
  if (limit == 0) return removeAllObjects();
  {
    std::lock_guard guard(lock_);
    if (totalCount_ <= limit) return;
  }
  trimLoop([&] { return totalCount_ > limit && tail_; });
}

void DRMemoryCache::trimToAge(double age) {
  double now = ui::CACurrentMediaTime();
  Dropped all;
  {
    std::lock_guard guard(lock_);
    if (age > 0 && (!tail_ || now - tail_->time <= age)) return;
    if (age <= 0) all = removeAllNodes();
  }
  if (age <= 0) return release(std::move(all), true);
  trimLoop([&] { return tail_ && now - tail_->time > age; });
}

uint64_t DRMemoryCache::totalCount() {
  std::lock_guard guard(lock_);
  return totalCount_;
}

uint64_t DRMemoryCache::totalCost() {
  std::lock_guard guard(lock_);
  return totalCost_;
}

bool DRMemoryCache::releaseOnMainThread() {
  std::lock_guard guard(lock_);
  return releaseOnMainThread_;
}

void DRMemoryCache::setReleaseOnMainThread(bool on) {
  std::lock_guard guard(lock_);
  releaseOnMainThread_ = on;
}

bool DRMemoryCache::releaseAsynchronously() {
  std::lock_guard guard(lock_);
  return releaseAsynchronously_;
}

void DRMemoryCache::setReleaseAsynchronously(bool on) {
  std::lock_guard guard(lock_);
  releaseAsynchronously_ = on;
}

String DRMemoryCache::name() const {
  std::lock_guard guard(blocksLock_);
  return name_;
}

void DRMemoryCache::setName(String name) {
  std::lock_guard guard(blocksLock_);
  name_ = std::move(name);
}

DRMemoryCache::EventBlock DRMemoryCache::didReceiveMemoryWarningBlock() const {
  std::lock_guard guard(blocksLock_);
  return didReceiveMemoryWarning_;
}

DRMemoryCache::EventBlock DRMemoryCache::didEnterBackgroundBlock() const {
  std::lock_guard guard(blocksLock_);
  return didEnterBackground_;
}

void DRMemoryCache::setDidReceiveMemoryWarningBlock(EventBlock b) {
  std::lock_guard guard(blocksLock_);
  didReceiveMemoryWarning_ = std::move(b);
}

void DRMemoryCache::setDidEnterBackgroundBlock(EventBlock b) {
  std::lock_guard guard(blocksLock_);
  didEnterBackground_ = std::move(b);
}

void DRMemoryCache::appEvent(bool memoryWarning) {
  EventBlock block;
  {
    std::lock_guard guard(blocksLock_);
    block = memoryWarning ? didReceiveMemoryWarning_ : didEnterBackground_;
  }
  if (block) block(*this);
  if (memoryWarning ? shouldRemoveAllObjectsOnMemoryWarning.load() : shouldRemoveAllObjectsWhenEnteringBackground.load())
    removeAllObjects();
}

void DRMemoryCache::trimRecursively() {
  rt::Weak<DRMemoryCache> weak = std::static_pointer_cast<DRMemoryCache>(self());
  dispatch::globalQueue(dispatch::kPriorityLow)->after(autoTrimInterval.load(), [weak] {
    auto c = weak.lock();
    if (!c) return;
    c->queue_->async([c] {
      c->trimToCost(c->costLimit);
      c->trimToCount(c->countLimit);
      c->trimToAge(c->ageLimit);
    });
    c->trimRecursively();
  });
}

String DRMemoryCache::description() const {
  String n = name();
  if (!n.isEmpty()) return String::format("<%@: %p> (%@)", className(), static_cast<const void*>(this), n);
  return String::format("<%@: %p>", className(), static_cast<const void*>(this));
}

}  // namespace cache
