#include "base/utility/DRTransaction.h"

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopObserver.h"
#include "platform/foundation/values/Set.h"

namespace base {

RT_IMPLEMENT(DRTransaction) {}

namespace {

// Late, after every other observer of the same moments.
constexpr int64_t kObserverOrder = 0xFFFFFF;

Ref<fd::MutableSet>& pending() {
  static auto* set = new Ref<fd::MutableSet>(fd::MutableSet::create());  // lives for the process
  return *set;
}

void runPending() {
  if (pending()->count() == 0) return;
  // Transactions committed while these run go to the next turn.
  Ref<fd::MutableSet> current = pending();
  pending() = fd::MutableSet::create();
  for (const rt::Id& o : current->objects()) {
    auto& t = static_cast<DRTransaction&>(*o);
    if (t.target()) t.target()->performSelector(t.selector());
  }
}

// Added on every commit, not once: adding is idempotent, and a main loop that was emptied (as
// tests do between cases) gets the observer back instead of never running a transaction again.
void installObserver() {
  static const Ref<fd::RunLoopObserver> observer = fd::RunLoopObserver::create(
      fd::RunLoopBeforeWaiting | fd::RunLoopExit, true, kObserverOrder, [](fd::RunLoopObserver&, uint32_t) { runPending(); });
  fd::RunLoop::mainRunLoop()->addObserver(observer, fd::NSRunLoopCommonModes);
}

}  // namespace

Ref<DRTransaction> DRTransaction::transactionWithTarget(const rt::Id& target, rt::Selector selector) {
  if (!target || !selector) return nullptr;
  auto t = rt::make<DRTransaction>();
  t->target_ = target;
  t->selector_ = selector;
  return t;
}

void DRTransaction::commit() {
  if (!target_ || !selector_) return;
  installObserver();
  pending()->addObject(self());
}

bool DRTransaction::isEqual(const rt::Object* other) const {
  if (other == this) return true;
  if (!other || other->getClass() != getClass()) return false;
  auto& t = static_cast<const DRTransaction&>(*other);
  return t.selector_ == selector_ && t.target_ == target_;
}

size_t DRTransaction::hash() const {
  return reinterpret_cast<uintptr_t>(selector_.pointer()) ^ reinterpret_cast<uintptr_t>(target_.get());
}

}  // namespace base
