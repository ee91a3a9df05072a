#pragma once
// A thread-safe in-memory cache under string keys, least recently used at the tail: each entry
// has a caller's cost; the cache keeps to its cost, count and age limits on every insertion and
// periodically; it empties on a memory warning and on entering the background (unless told
// not to); dropped objects are released off the calling thread by default (or on the main
// thread). Trims take the lock one node at a time, so other callers never wait behind them.
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/runtime/Class.h"

namespace cache {

using rt::String;

class DRMemoryCache : public rt::Object {
  RT_CLASS(DRMemoryCache, rt::Object)
 public:
  using EventBlock = std::function<void(DRMemoryCache& cache)>;

  void init();
  ~DRMemoryCache() override;

  bool containsObjectForKey(const String& key);
  /// A hit becomes the most recently used entry.
  rt::Id objectForKey(const String& key);
  void setObject(const rt::Id& object, const String& key, uint64_t cost = 0);
  void removeObjectForKey(const String& key);
  void removeAllObjects();
  void trimToCount(uint64_t count);
  void trimToCost(uint64_t cost);
  void trimToAge(double age);
  uint64_t totalCount();
  uint64_t totalCost();

  bool releaseOnMainThread();
  void setReleaseOnMainThread(bool on);
  /// The same pair under its other name.
  bool releaseInMainThread() { return releaseOnMainThread(); }
  void setReleaseInMainThread(bool on) { setReleaseOnMainThread(on); }
  bool releaseAsynchronously();
  void setReleaseAsynchronously(bool on);
  String name() const;
  void setName(String name);
  EventBlock didReceiveMemoryWarningBlock() const;
  void setDidReceiveMemoryWarningBlock(EventBlock b);
  EventBlock didEnterBackgroundBlock() const;
  void setDidEnterBackgroundBlock(EventBlock b);

  std::atomic<uint64_t> countLimit{std::numeric_limits<uint64_t>::max()};
  std::atomic<uint64_t> costLimit{std::numeric_limits<uint64_t>::max()};
  std::atomic<double> ageLimit{std::numeric_limits<double>::max()};
  std::atomic<double> autoTrimInterval{5};
  std::atomic<bool> shouldRemoveAllObjectsOnMemoryWarning{true};
  std::atomic<bool> shouldRemoveAllObjectsWhenEnteringBackground{true};

  String description() const override;

 private:
  struct Node {
    Node* prev = nullptr;
    Node* next = nullptr;
    String key;
    rt::Id value;
    uint64_t cost = 0;
    double time = 0;
  };
  using Dropped = std::vector<std::unique_ptr<Node>>;

  // The linked map: every operation runs with the lock held.
  void insertAtHead(std::unique_ptr<Node> node);
  void bringToHead(Node* node);
  std::unique_ptr<Node> unlink(Node* node);
  std::unique_ptr<Node> removeTail();
  Dropped removeAllNodes();

  /// Releases what was dropped by the release rule (queued, on the main thread, or here).
  void release(Dropped dropped, bool alwaysQueue);
  void release(Dropped dropped, bool alwaysQueue, bool onMain, bool async);
  template <class Over> void trimLoop(Over over);
  void trimRecursively();
  void appEvent(bool memoryWarning);

  std::mutex lock_;
  std::unordered_map<String, std::unique_ptr<Node>> dic_;
  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  uint64_t totalCost_ = 0;
  uint64_t totalCount_ = 0;
  bool releaseOnMainThread_ = false;
  bool releaseAsynchronously_ = true;
  Ref<dispatch::Queue> queue_;
  mutable std::mutex blocksLock_;
  String name_;
  EventBlock didReceiveMemoryWarning_;
  EventBlock didEnterBackground_;
  std::vector<rt::Id> observers_;
};

}  // namespace cache
