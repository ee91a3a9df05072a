#include "platform/ui/input/GestureRecognizer.h"

#include <algorithm>

#include "platform/ui/input/TouchRouter.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(GestureRecognizer) {
  c.property("enabled", &GestureRecognizer::isEnabled, &GestureRecognizer::setEnabled).getterName("isEnabled");
  c.property("cancelsTouchesInView", &GestureRecognizer::cancelsTouchesInView, &GestureRecognizer::setCancelsTouchesInView);
  c.property("state", &GestureRecognizer::state);
}

using S = GestureRecognizerState;

GestureRecognizer::~GestureRecognizer() = default;

void GestureRecognizer::addTarget(const rt::Id& target, rt::Selector action) {
  if (!action) return;
  for (auto& t : targets_)
    if (t.target.lock() == target && t.selector == action) return;
  targets_.push_back({target, action, nullptr});
}

void GestureRecognizer::addTarget(const rt::Id& target, Action action) {
  if (action) targets_.push_back({target, {}, std::move(action)});
}

void GestureRecognizer::removeTarget(const rt::Id& target, rt::Selector action) {
  std::erase_if(targets_, [&](const Target& t) {
    if (!target) return !action || t.selector == action;
    return t.target.lock() == target && (!action || t.selector == action);
  });
}

void GestureRecognizer::sendActions() {
  auto keep = std::static_pointer_cast<GestureRecognizer>(self());
  auto targets = targets_;
  for (auto& t : targets) {
    if (t.action) {
      t.action(*this);
      continue;
    }
    auto target = t.target.lock();
    if (!target) continue;
    if (t.selector.argumentCount() == 0) target->performSelector(t.selector);
    else target->performSelector(t.selector, {rt::Value::ofObject(keep)});
  }
}

bool GestureRecognizer::isFinished() const {
  return state_ == S::Ended || state_ == S::Cancelled || state_ == S::Failed;
}

bool GestureRecognizer::waitingForFailures() {
  for (auto& w : requiredToFail_)
    if (auto g = w.lock(); g && g->involved_ && g->state_ == S::Possible) return true;
  auto d = delegate_.lock();
  if (!d) return false;
  for (auto& r : rivals())
    if (r->state_ == S::Possible)
      if (auto a = d->shouldRequireFailureOf(*this, *r); a && *a) return true;
  return false;
}

bool GestureRecognizer::waitsFor(GestureRecognizer& other) {
  for (auto& w : requiredToFail_)
    if (w.lock().get() == &other) return true;
  if (auto d = delegate_.lock())
    if (auto a = d->shouldRequireFailureOf(*this, other); a && *a) return true;
  return false;
}

std::vector<Ref<GestureRecognizer>> GestureRecognizer::rivals() const {
  std::vector<Ref<GestureRecognizer>> out;
  for (auto& t : touches_)
    for (auto& g : t->gestureRecognizers())
      if (g.get() != this && std::find(out.begin(), out.end(), g) == out.end()) out.push_back(g);
  return out;
}

bool GestureRecognizer::prevents(GestureRecognizer& other) {
  return !allowsSimultaneous(other) && canPreventGestureRecognizer(&other) &&
         other.canBePreventedByGestureRecognizer(this);
}

bool GestureRecognizer::preventedByRival() {
  for (auto& r : rivals())
    if (r->hasRecognized() && r->prevents(*this)) return true;
  return false;
}

void GestureRecognizer::failRivals() {
  // At once, not after the delivery: a rival fed the same move later must not recognise too.
  for (auto& r : rivals())
    if (r->state_ == S::Possible && prevents(*r)) r->failIfPossible();
}

void GestureRecognizer::setState(GestureRecognizerState s) {
  bool allowed = false;
  switch (state_) {
    case S::Possible: allowed = s == S::Began || s == S::Ended || s == S::Failed; break;
    case S::Began:
    case S::Changed: allowed = s == S::Changed || s == S::Ended || s == S::Cancelled; break;
    default: allowed = s == S::Possible; break;
  }
  if (!allowed) return;
  if (s == S::Possible) return reset();
  if (state_ == S::Possible && (s == S::Began || s == S::Ended)) {
    if (preventedByRival()) return applyState(S::Failed);
    bool begin = true;
    if (auto d = delegate_.lock())
      if (auto answer = d->gestureRecognizerShouldBegin(*this)) begin = *answer;
    if (auto v = view(); begin && v) begin = v->gestureRecognizerShouldBegin(this);
    if (!begin) return applyState(S::Failed);
    if (waitingForFailures()) {
      pending_ = s;
      return;
    }
  }
  applyState(s);
}

void GestureRecognizer::applyState(GestureRecognizerState s) {
  auto keep = std::static_pointer_cast<GestureRecognizer>(self());
  bool wasPossible = state_ == S::Possible;
  storeState(s);
  pending_.reset();
  if (wasPossible && (s == S::Began || s == S::Ended)) {
    recognized_ = true;
    failRivals();
  }
  if (s != S::Failed) sendActions();
  if (wasPossible && s != S::Possible) notifyDependents(s == S::Failed);
  notifyRouter();
}

void GestureRecognizer::notifyDependents(bool failed) {
  // Those made to wait for the receiver, and rivals whose delegates may have made them wait.
  std::vector<Ref<GestureRecognizer>> waiting;
  for (auto& w : dependents_)
    if (auto g = w.lock()) waiting.push_back(g);
  for (auto& r : rivals())
    if (std::find(waiting.begin(), waiting.end(), r) == waiting.end()) waiting.push_back(r);
  for (auto& g : waiting) g->requiredRecognizerSettled(this, failed);
}

void GestureRecognizer::requiredRecognizerSettled(GestureRecognizer* other, bool failed) {
  if (!pending_) return;
  if ((!failed && waitsFor(*other)) || preventedByRival()) {
    pending_.reset();
    applyState(S::Failed);
  } else if (!waitingForFailures()) {
    applyState(*pending_);
  }
}

void GestureRecognizer::notifyRouter() {
  if (auto w = window_.lock()) w->touchRouter().recognizerChanged(this);
}

void GestureRecognizer::failIfPossible() {
  if (state_ == S::Possible) {
    pending_.reset();
    applyState(S::Failed);
  }
}

void GestureRecognizer::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (!on) {
    if (isActive()) applyState(S::Cancelled);
    else failIfPossible();
  }
}

void GestureRecognizer::requireGestureRecognizerToFail(const Ref<GestureRecognizer>& other) {
  if (!other || other.get() == this) return;
  requiredToFail_.push_back(other);
  other->dependents_.push_back(std::static_pointer_cast<GestureRecognizer>(self()));
}

gfx::Point GestureRecognizer::centroid() const {
  if (touches_.empty()) return lastLocation_;
  gfx::Point sum;
  for (auto& t : touches_) {
    auto p = t->windowLocation();
    sum.x += p.x, sum.y += p.y;
  }
  double n = double(touches_.size());
  return {sum.x / n, sum.y / n};
}

gfx::Point GestureRecognizer::locationInView(const View* view) const {
  gfx::Point p = centroid();
  auto w = window_.lock();
  if (!view || !w) return p;
  return view->convertPointFromView(p, w.get());
}

gfx::Point GestureRecognizer::locationOfTouch(size_t index, const View* view) const {
  if (index >= touches_.size()) rt::raise("NSRangeException", "touch index out of range");
  return touches_[index]->locationInView(view);
}

void GestureRecognizer::touchesBegan(const TouchSet&, Event*) {}
void GestureRecognizer::touchesMoved(const TouchSet&, Event*) {}
void GestureRecognizer::touchesEnded(const TouchSet&, Event*) {}
void GestureRecognizer::touchesCancelled(const TouchSet&, Event*) {
  if (isActive()) setState(S::Cancelled);
  else failIfPossible();
}

void GestureRecognizer::storeState(GestureRecognizerState s) {
  // Observers (a scroll view's owner watching its pan) see every move, including the return
  // to possible, with old and new values.
  if (!hasObservers()) {
    state_ = s;
    return;
  }
  rt::String key("state");
  willChangeValueForKey(key);
  state_ = s;
  didChangeValueForKey(key);
}

void GestureRecognizer::reset() {
  storeState(S::Possible);
  pending_.reset();
  recognized_ = false;
  involved_ = !touches_.empty();
}

void GestureRecognizer::setView(const Ref<View>& v) { view_ = v; }

void GestureRecognizer::trackTouch(const Ref<Touch>& t) {
  if (std::find(touches_.begin(), touches_.end(), t) != touches_.end()) return;
  touches_.push_back(t);
  window_ = t->window();
  involved_ = true;
  rememberLocation();
}

void GestureRecognizer::untrackTouch(const Touch* t) {
  rememberLocation();
  std::erase_if(touches_, [t](const Ref<Touch>& x) { return x.get() == t; });
}

bool GestureRecognizer::shouldReceive(Touch& touch) {
  if (!enabled_) return false;
  if (auto d = delegate_.lock())
    if (auto answer = d->gestureRecognizerShouldReceiveTouch(*this, touch)) return *answer;
  return true;
}

bool GestureRecognizer::allowsSimultaneous(GestureRecognizer& other) {
  if (auto d = delegate_.lock())
    if (auto a = d->shouldRecognizeSimultaneously(*this, other); a && *a) return true;
  if (auto d = other.delegate_.lock())
    if (auto a = d->shouldRecognizeSimultaneously(other, *this); a && *a) return true;
  return false;
}

}  // namespace ui
