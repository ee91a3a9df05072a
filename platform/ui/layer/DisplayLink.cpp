#include "platform/ui/layer/DisplayLink.h"

#include <cmath>

#include "platform/runtime/Value.h"
#include "platform/ui/layer/Layer.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(DisplayLink) {
  c.property("paused", &DisplayLink::isPaused, &DisplayLink::setPaused).getterName("isPaused");
  c.property("frameInterval", &DisplayLink::frameInterval, &DisplayLink::setFrameInterval);
  c.property("timestamp", &DisplayLink::timestamp);
  c.property("duration", &DisplayLink::duration);
}

Ref<DisplayLink> DisplayLink::displayLinkWithTarget(const rt::Id& target, rt::Selector selector) {
  auto link = rt::make<DisplayLink>();
  link->target_ = target;
  link->hasTarget_ = true;
  link->selector_ = selector;
  return link;
}

Ref<DisplayLink> DisplayLink::displayLinkWithBlock(std::function<void(DisplayLink&)> block) {
  auto link = rt::make<DisplayLink>();
  link->block_ = std::move(block);
  return link;
}

DisplayLink::~DisplayLink() {
  for (auto& s : scheduled_) s.timer->invalidate();
}

int64_t DisplayLink::preferredFramesPerSecond() const {
  return static_cast<int64_t>(std::lround(kRefreshRate / static_cast<double>(frameInterval_)));
}

void DisplayLink::setPreferredFramesPerSecond(int64_t fps) {
  setFrameInterval(fps <= 0 ? 1 : static_cast<int64_t>(std::lround(kRefreshRate / static_cast<double>(fps))));
}

void DisplayLink::addToRunLoop(const Ref<fd::RunLoop>& loop, const rt::String& mode) {
  if (!valid_ || !loop) return;
  // A schedule whose timer the run loop dropped (removeAll) is replaced, not kept.
  std::erase_if(scheduled_, [&](auto& s) { return s.loop.lock() == loop && s.mode == mode && !s.timer->isValid(); });
  for (auto& s : scheduled_)
    if (s.loop.lock() == loop && s.mode == mode) return;
  Weak<DisplayLink> weak = std::static_pointer_cast<DisplayLink>(shared_from_this());
  // Frames fall on whole multiples of the refresh period, like a display's vsync.
  const double period = 1.0 / kRefreshRate;
  double now = CACurrentMediaTime();
  double next = (std::floor(now / period) + 1) * period;
  auto timer = rt::make<fd::Timer>(fd::Date::dateWithTimeIntervalSinceNow(next - now), period, nullptr,
                                   [weak](fd::Timer&) {
                                     if (auto link = weak.lock()) link->frame();
                                   },
                                   nullptr, true);
  loop->addTimer(timer, mode);
  scheduled_.push_back({loop, mode, timer});
}

void DisplayLink::removeFromRunLoop(const Ref<fd::RunLoop>& loop, const rt::String& mode) {
  for (auto it = scheduled_.begin(); it != scheduled_.end();) {
    if (it->loop.lock() == loop && it->mode == mode) {
      it->timer->invalidate();
      it = scheduled_.erase(it);
    } else {
      ++it;
    }
  }
}

void DisplayLink::invalidate() {
  valid_ = false;
  for (auto& s : scheduled_) s.timer->invalidate();
  scheduled_.clear();
  block_ = nullptr;
}

void DisplayLink::frame() {
  if (!valid_) return;
  ++frames_;
  duration_ = 1.0 / kRefreshRate;
  if (paused_ || (frames_ - 1) % static_cast<uint64_t>(frameInterval_) != 0) return;
  timestamp_ = CACurrentMediaTime();
  deliver();
}

void DisplayLink::tick(double timestamp, double duration) {
  if (!valid_) return;
  timestamp_ = timestamp;
  duration_ = duration;
  deliver();
}

void DisplayLink::deliver() {
  auto keep = shared_from_this();
  if (block_) {
    block_(*this);
    return;
  }
  if (!hasTarget_) return;
  auto target = target_.lock();
  if (!target) {
    invalidate();
    return;
  }
  // A weak proxy whose target is gone has no class; the send below then does nothing.
  const rt::Class* cls = target->getClass();
  const rt::Method* m = cls ? cls->instanceMethod(selector_) : nullptr;
  if (m && m->argumentCount() == 3) target->performSelector(selector_, {rt::Value::ofObject(keep)});
  else target->performSelector(selector_);
}

}  // namespace ui
