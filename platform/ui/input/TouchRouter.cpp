#include "platform/ui/input/TouchRouter.h"

#include <algorithm>
#include <map>

#include "platform/ui/input/GestureRecognizer.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/Window.h"

namespace ui {

using S = GestureRecognizerState;

Event& TouchRouter::event() {
  if (!event_) event_ = rt::make<Event>(EventType::Touches, EventSubtype::None);
  return *event_;
}

TouchRouter::Info* TouchRouter::find(const Touch* t) {
  for (auto& i : infos_)
    if (i.touch.get() == t) return &i;
  return nullptr;
}

void TouchRouter::attachRecognizers(const Ref<Touch>& t) {
  for (auto v = t->view(); v; v = v->superview()) {
    for (auto& g : v->gestureRecognizers()) {
      if (g->isFinished() || !g->shouldReceive(*t)) continue;
      g->trackTouch(t);
      t->addGestureRecognizer(g);
    }
  }
}

void TouchRouter::route(Event& event, const std::vector<Ref<Touch>>& changed) {
  routing_ = true;
  for (auto& t : changed) {
    if (t->phase() == TouchPhase::Began && !find(t.get())) {
      bool blocked = excluded(*t);
      infos_.push_back({t});
      // A view that takes one touch at a time, or an exclusive view's touch, keeps others out.
      infos_.back().viewCancelled = blocked;
      event.addTouch(t);
      attachRecognizers(t);
    }
  }
  feedRecognizers(event, changed);
  settleRecognitions();
  deliverToViews(event, changed);
  routing_ = false;
  flushHeld();
  cleanup();
}

void TouchRouter::feedRecognizers(Event& event, const std::vector<Ref<Touch>>& changed) {
  // Every recogniser involved, deepest first, each fed its own touches phase by phase.
  std::vector<Ref<GestureRecognizer>> order;
  for (auto& t : changed)
    for (auto& g : t->gestureRecognizers())
      if (std::find(order.begin(), order.end(), g) == order.end()) order.push_back(g);
  for (auto phase : {TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended, TouchPhase::Cancelled}) {
    for (auto& g : order) {
      TouchSet mine;
      for (auto& t : changed) {
        if (t->phase() != phase) continue;
        auto rs = t->gestureRecognizers();
        if (std::find(rs.begin(), rs.end(), g) != rs.end()) mine.add(t);
      }
      if (mine.empty()) continue;
      if (!g->isFinished()) {
        switch (phase) {
          case TouchPhase::Began: g->touchesBegan(mine, &event); break;
          case TouchPhase::Moved: g->touchesMoved(mine, &event); break;
          case TouchPhase::Ended: g->touchesEnded(mine, &event); break;
          default: g->touchesCancelled(mine, &event); break;
        }
      }
      if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled)
        for (auto& t : mine) g->untrackTouch(t.get());
    }
  }
}

void TouchRouter::settleRecognitions() {
  // Recognisers that recognised: fail their possible rivals, cancel their views' touches.
  std::vector<Ref<GestureRecognizer>> winners;
  for (auto& i : infos_)
    for (auto& g : i.touch->gestureRecognizers())
      if (g->hasRecognized() && std::find(winners.begin(), winners.end(), g) == winners.end()) winners.push_back(g);
  for (auto& w : winners) {
    for (auto& i : infos_) {
      auto rs = i.touch->gestureRecognizers();
      if (std::find(rs.begin(), rs.end(), w) == rs.end()) continue;
      for (auto& other : rs)
        if (other != w && other->state() == S::Possible && !w->allowsSimultaneous(*other) &&
            w->canPreventGestureRecognizer(other.get()) && other->canBePreventedByGestureRecognizer(w.get()))
          other->failIfPossible();
      if (w->cancelsTouchesInView() && !i.viewCancelled) {
        i.viewCancelled = true;
        bool open = i.beganDelivered && !(i.ended && !i.endHeld);
        i.beganHeld = i.endHeld = false;
        if (open) {
          auto prev = i.touch->phase();
          i.touch->setPhase(TouchPhase::Cancelled);
          send(TouchPhase::Cancelled, {i.touch});
          i.touch->setPhase(prev);
        }
      }
    }
  }
}

bool TouchRouter::excluded(const Touch& t) const {
  auto v = t.view();
  for (auto& i : infos_) {
    if (i.ended || i.viewCancelled) continue;
    auto other = i.touch->view();
    if (v && other == v && !v->isMultipleTouchEnabled()) return true;
    if (other && other != v && (other->isExclusiveTouch() || (v && v->isExclusiveTouch()))) return true;
  }
  return false;
}

bool TouchRouter::blocks(const Touch& t, bool began) {
  for (auto& g : t.gestureRecognizers())
    if (g->state() == S::Possible && (began ? g->delaysTouchesBegan() : g->delaysTouchesEnded())) return true;
  return false;
}

void TouchRouter::send(TouchPhase phase, const std::vector<Ref<Touch>>& touches) {
  // One callback per view, with that view's touches.
  std::vector<std::pair<Ref<View>, TouchSet>> byView;
  for (auto& t : touches) {
    auto v = t->view();
    if (!v) continue;
    auto it = std::find_if(byView.begin(), byView.end(), [&](auto& e) { return e.first == v; });
    if (it == byView.end()) byView.push_back({v, TouchSet({t})});
    else it->second.add(t);
  }
  Event* e = &event();
  for (auto& [v, set] : byView) {
    switch (phase) {
      case TouchPhase::Began: v->touchesBegan(set, e); break;
      case TouchPhase::Moved:
      case TouchPhase::Stationary: v->touchesMoved(set, e); break;
      case TouchPhase::Ended: v->touchesEnded(set, e); break;
      case TouchPhase::Cancelled: v->touchesCancelled(set, e); break;
    }
  }
}

void TouchRouter::deliverToViews(Event& event, const std::vector<Ref<Touch>>& changed) {
  (void)event;
  std::map<TouchPhase, std::vector<Ref<Touch>>> now;
  for (auto& t : changed) {
    Info* i = find(t.get());
    if (!i) continue;
    auto phase = t->phase();
    if (phase == TouchPhase::Ended || phase == TouchPhase::Cancelled) i->ended = true;
    if (i->viewCancelled) continue;
    switch (phase) {
      case TouchPhase::Began:
        if (blocks(*t, true)) i->beganHeld = true;
        else i->beganDelivered = true, now[phase].push_back(t);
        break;
      case TouchPhase::Moved:
      case TouchPhase::Stationary:
        if (i->beganDelivered) now[TouchPhase::Moved].push_back(t);
        break;
      case TouchPhase::Ended:
        if (i->beganHeld || blocks(*t, false)) i->endHeld = true;
        else if (i->beganDelivered) now[phase].push_back(t);
        break;
      case TouchPhase::Cancelled:
        i->beganHeld = i->endHeld = false;
        if (i->beganDelivered) now[phase].push_back(t);
        break;
    }
  }
  for (auto phase : {TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended, TouchPhase::Cancelled})
    if (!now[phase].empty()) send(phase, now[phase]);
}

void TouchRouter::flushHeld() {
  for (size_t k = 0; k < infos_.size(); ++k) {
    Info& i = infos_[k];
    if (i.viewCancelled || (!i.beganHeld && !i.endHeld)) continue;
    if (i.beganHeld && !blocks(*i.touch, true)) {
      i.beganHeld = false;
      i.beganDelivered = true;
      auto prev = i.touch->phase();
      i.touch->setPhase(TouchPhase::Began);
      send(TouchPhase::Began, {i.touch});
      i.touch->setPhase(prev);
    }
    Info& j = infos_[k];
    if (j.endHeld && !j.beganHeld && !blocks(*j.touch, false)) {
      j.endHeld = false;
      send(TouchPhase::Ended, {j.touch});
    }
  }
}

void TouchRouter::cleanup() {
  std::vector<Ref<GestureRecognizer>> finished;
  for (auto& i : infos_)
    for (auto& g : i.touch->gestureRecognizers())
      if (g->isFinished() && g->allTouchesLifted() && std::find(finished.begin(), finished.end(), g) == finished.end())
        finished.push_back(g);
  std::erase_if(infos_, [&](Info& i) {
    if (!i.ended || i.endHeld || i.beganHeld) return false;
    event().removeTouch(i.touch.get());
    return true;
  });
  for (auto& g : finished) g->reset();
}

void TouchRouter::recognizerChanged(GestureRecognizer* g) {
  if (routing_) return;
  Ref<GestureRecognizer> keep = std::static_pointer_cast<GestureRecognizer>(g->self());
  settleRecognitions();
  flushHeld();
  cleanup();
  // A recogniser that settled after its touches lifted (a timer ran out) starts afresh.
  if (keep->isFinished() && keep->allTouchesLifted()) keep->reset();
}

}  // namespace ui
