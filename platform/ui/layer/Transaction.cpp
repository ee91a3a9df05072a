#include "platform/ui/layer/Transaction.h"

#include <vector>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopObserver.h"

namespace ui {

namespace {

// Runs the completion block once nothing holds the group any more.
struct CompletionGroup {
  std::function<void()> block;
  ~CompletionGroup() {
    if (block) fd::RunLoop::mainRunLoop()->performBlock(std::move(block));
  }
};

struct Frame {
  bool implicit = false;
  bool disableActions = false;
  double duration = 0.25;
  Ref<MediaTimingFunction> timing;
  std::shared_ptr<CompletionGroup> completion = std::make_shared<CompletionGroup>();
};

struct State {
  std::vector<Frame> stack;
  Ref<fd::RunLoopObserver> observer;
};

// Transactions belong to the main thread.
State& state() {
  static State* s = new State();
  return *s;
}

Frame& top() {
  Transaction::ensureImplicit();
  return state().stack.back();
}

void push(bool implicit) {
  auto& st = state().stack;
  Frame f;
  f.implicit = implicit;
  if (!st.empty()) {
    f.disableActions = st.back().disableActions;
    f.duration = st.back().duration;
    f.timing = st.back().timing;
  }
  st.push_back(std::move(f));
}

void pop() {
  auto& st = state().stack;
  if (st.empty()) return;
  Frame f = std::move(st.back());
  st.pop_back();
  // Dropping the frame's hold runs the block now unless animations still hold it.
}

}  // namespace

void Transaction::ensureImplicit() {
  State& s = state();
  if (!s.stack.empty()) return;
  push(true);
  if (s.observer) s.observer->invalidate();
  s.observer = fd::RunLoopObserver::create(fd::RunLoopBeforeWaiting | fd::RunLoopExit, false, 2000000,
                                           [](fd::RunLoopObserver&, uint32_t) { Transaction::flush(); });
  fd::RunLoop::mainRunLoop()->addObserver(s.observer, fd::NSRunLoopCommonModes);
}

void Transaction::begin() {
  if (state().stack.empty()) ensureImplicit();
  push(false);
}

void Transaction::commit() {
  auto& st = state().stack;
  if (st.empty() || st.back().implicit) return;
  pop();
}

void Transaction::flush() {
  State& s = state();
  if (s.stack.size() == 1 && s.stack.back().implicit) {
    pop();
    if (s.observer) s.observer->invalidate();
    s.observer = nullptr;
  }
}

size_t Transaction::depth() { return state().stack.size(); }

bool Transaction::disableActions() { return !state().stack.empty() && state().stack.back().disableActions; }
void Transaction::setDisableActions(bool on) { top().disableActions = on; }
double Transaction::animationDuration() { return state().stack.empty() ? 0.25 : state().stack.back().duration; }
void Transaction::setAnimationDuration(double d) { top().duration = d; }
Ref<MediaTimingFunction> Transaction::animationTimingFunction() {
  return state().stack.empty() ? nullptr : state().stack.back().timing;
}
void Transaction::setAnimationTimingFunction(Ref<MediaTimingFunction> f) { top().timing = std::move(f); }
std::function<void()> Transaction::completionBlock() {
  return state().stack.empty() ? nullptr : state().stack.back().completion->block;
}
void Transaction::setCompletionBlock(std::function<void()> block) { top().completion->block = std::move(block); }

std::shared_ptr<void> Transaction::retainCompletion() {
  if (state().stack.empty()) return nullptr;
  return state().stack.back().completion;
}

}  // namespace ui
