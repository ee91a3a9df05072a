#include "platform/foundation/threads/RunLoopObserver.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(RunLoopObserver) {}

void RunLoopObserver::init(uint32_t activities, bool repeats, int64_t order, Callback callback) {
  activities_ = activities;
  repeats_ = repeats;
  order_ = order;
  callback_ = std::move(callback);
}

Ref<RunLoopObserver> RunLoopObserver::create(uint32_t activities, bool repeats, int64_t order, Callback callback) {
  return rt::make<RunLoopObserver>(activities, repeats, order, std::move(callback));
}

void RunLoopObserver::notify(uint32_t activity) {
  if (!(activities_ & activity) || !valid_.load()) return;
  if (!repeats_) valid_.store(false);
  if (callback_) callback_(*this, activity);
}

}  // namespace fd
