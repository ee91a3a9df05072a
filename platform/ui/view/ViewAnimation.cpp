#include "platform/ui/view/ViewAnimation.h"

#include <algorithm>
#include <vector>

#include "platform/foundation/values/Null.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/MediaTimingFunction.h"
#include "platform/ui/view/View.h"

namespace ui {

namespace {

// The animations of one block and its completion.
struct Group {
  ViewAnimation::Completion completion;
  size_t pending = 0;
  bool finished = true;
  bool sealed = false;  // the block has run: no more animations join
  bool done = false;
  void settle() {
    if (!sealed || pending > 0 || done) return;
    done = true;
    if (completion) completion(finished);
  }
};

class GroupDelegate : public AnimationDelegate {
 public:
  explicit GroupDelegate(std::shared_ptr<Group> g) : group_(std::move(g)) {}
  void animationDidStop(Animation&, bool finished) override {
    if (reported_) return;
    reported_ = true;
    group_->finished = group_->finished && finished;
    --group_->pending;
    group_->settle();
  }

 private:
  std::shared_ptr<Group> group_;
  bool reported_ = false;
};

struct Context {
  double duration = 0;
  double delay = 0;
  uint64_t options = 0;
  Ref<MediaTimingFunction> timing;
  std::shared_ptr<Group> group;
  bool disabled = false;
};

std::vector<Context>& stack() {
  static std::vector<Context> s;  // main thread only, like the views themselves
  return s;
}

// Keys the view's layer animates inside a block.
bool animatable(const rt::String& key) {
  static const char* keys[] = {"position", "bounds", "opacity", "transform", "backgroundColor", "cornerRadius",
                               "borderWidth", "borderColor", "shadowOpacity", "shadowOffset", "shadowRadius",
                               "shadowColor", "zPosition", "sublayerTransform", "contentsRect"};
  return std::any_of(std::begin(keys), std::end(keys), [&](const char* k) { return key == rt::String(k); });
}

Ref<MediaTimingFunction> curveFor(uint64_t options) {
  switch ((options >> 16) & 0xF) {
    case 1: return MediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn);
    case 2: return MediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseOut);
    case 3: return MediaTimingFunction::functionWithName(kCAMediaTimingFunctionLinear);
    default: return MediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
  }
}

void run(double duration, double delay, uint64_t options, Ref<MediaTimingFunction> timing, ViewAnimation::Block animations,
         ViewAnimation::Completion completion) {
  auto group = std::make_shared<Group>();
  group->completion = std::move(completion);
  stack().push_back({duration, delay, options, std::move(timing), group, false});
  if (animations) animations();
  stack().pop_back();
  group->sealed = true;
  if (group->pending == 0) {
    // Nothing animated: the completion still waits out the animation's time.
    auto fire = [group](fd::Timer&) { group->settle(); };
    fd::Timer::scheduledTimerWithTimeInterval(std::max(0.0, duration + delay), false, fire);
  }
}

}  // namespace

void ViewAnimation::animate(double duration, Block animations, Completion completion) {
  animate(duration, 0, 0, std::move(animations), std::move(completion));
}

void ViewAnimation::animate(double duration, double delay, uint64_t options, Block animations, Completion completion) {
  run(duration, delay, options, curveFor(options), std::move(animations), std::move(completion));
}

void ViewAnimation::animateWithSpring(double duration, double delay, double damping, double velocity, uint64_t options,
                                      Block animations, Completion completion) {
  // The velocity is in distances per second; the curve takes it per whole duration.
  auto curve = MediaTimingFunction::springFunction(damping, velocity * duration);
  run(duration, delay, options, curve, std::move(animations), std::move(completion));
}

void ViewAnimation::performWithoutAnimation(Block block) {
  stack().push_back({0, 0, 0, nullptr, nullptr, true});
  if (block) block();
  stack().pop_back();
}

bool ViewAnimation::isCollecting() { return !stack().empty() && !stack().back().disabled; }

std::optional<rt::Id> viewAnimationActionFor(View& view, const rt::String& key) {
  (void)view;
  if (!ViewAnimation::isCollecting() || !animatable(key) || stack().back().duration <= 0)
    return rt::Id(fd::Null::null());
  Context& c = stack().back();
  auto a = BasicAnimation::animation();
  a->setDuration(c.duration);
  a->setTimingFunction(c.timing);
  if (c.delay > 0) {
    a->setBeginTime(CACurrentMediaTime() + c.delay);
    a->setFillMode(kCAFillModeBackwards);
  }
  if (c.options & ViewAnimationOptionRepeat) a->setRepeatCount(HUGE_VAL);
  if (c.options & ViewAnimationOptionAutoreverse) a->setAutoreverses(true);
  ++c.group->pending;
  a->setDelegate(std::make_shared<GroupDelegate>(c.group));
  return rt::Id(a);
}

}  // namespace ui
