#pragma once
// Reuse of list views (cells, headers, supplementary views): a factory per identifier and a
// queue of views that have left the visible area, waiting to show another row or item.
#include <functional>
#include <unordered_map>
#include <vector>

#include "platform/runtime/String.h"
#include "platform/ui/view/View.h"

namespace ui {

class ReuseQueue {
 public:
  /// Makes a view for `identifier` that will first show at `frame`.
  using Factory = std::function<Ref<View>(const rt::String& identifier, gfx::Rect frame)>;

  /// Views kept per identifier; views offered beyond it are dropped. Lists whose data source
  /// makes a fresh view on every call never dequeue, so the queue must not grow with them.
  static constexpr size_t kDefaultLimit = 32;
  explicit ReuseQueue(size_t limitPerIdentifier = kDefaultLimit) : limit_(limitPerIdentifier) {}

  /// A null factory forgets the identifier (and drops its queued views).
  void registerFactory(const rt::String& identifier, Factory factory);
  bool isRegistered(const rt::String& identifier) const;

  /// Offers a view for reuse; views without an identifier are not kept.
  void enqueue(const rt::String& identifier, Ref<View> view);
  /// A queued view, or null when none waits.
  Ref<View> dequeue(const rt::String& identifier);
  /// A new view from the identifier's factory, or null when it has none.
  Ref<View> make(const rt::String& identifier, gfx::Rect frame = gfx::RectZero) const;
  size_t queuedCount(const rt::String& identifier) const;
  void clearQueues() { queues_.clear(); }

 private:
  size_t limit_;
  std::unordered_map<rt::String, Factory> factories_;
  std::unordered_map<rt::String, std::vector<Ref<View>>> queues_;
};

}  // namespace ui
