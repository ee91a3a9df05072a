#include "platform/ui/lists/ReuseQueue.h"

namespace ui {

void ReuseQueue::registerFactory(const rt::String& identifier, Factory factory) {
  if (factory) {
    factories_[identifier] = std::move(factory);
  } else {
    factories_.erase(identifier);
    queues_.erase(identifier);
  }
}

bool ReuseQueue::isRegistered(const rt::String& identifier) const { return factories_.count(identifier) != 0; }

void ReuseQueue::enqueue(const rt::String& identifier, Ref<View> view) {
  if (!view || identifier.isEmpty()) return;
  auto& q = queues_[identifier];
  if (q.size() < limit_) q.push_back(std::move(view));
}

Ref<View> ReuseQueue::dequeue(const rt::String& identifier) {
  auto it = queues_.find(identifier);
  if (it == queues_.end() || it->second.empty()) return nullptr;
  Ref<View> v = std::move(it->second.back());
  it->second.pop_back();
  return v;
}

Ref<View> ReuseQueue::make(const rt::String& identifier, gfx::Rect frame) const {
  auto it = factories_.find(identifier);
  return it == factories_.end() ? nullptr : it->second(identifier, frame);
}

size_t ReuseQueue::queuedCount(const rt::String& identifier) const {
  auto it = queues_.find(identifier);
  return it == queues_.end() ? 0 : it->second.size();
}

}  // namespace ui
