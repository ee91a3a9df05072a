#pragma once
// Folds work of one main run-loop turn into one call: however often a (target, selector) pair is
// committed during a turn, the selector is sent once, when the main run loop is about to sleep
// or leaves its mode. Main thread only.
#include "platform/runtime/Class.h"

namespace base {

class DRTransaction : public rt::Object {
  RT_CLASS(DRTransaction, rt::Object)
 public:
  /// Null when the target is null or the selector empty.
  static Ref<DRTransaction> transactionWithTarget(const rt::Id& target, rt::Selector selector);
  /// Queues the transaction for the end of the current turn; an equal one pending absorbs it.
  void commit();

  const rt::Id& target() const { return target_; }
  void setTarget(rt::Id target) { target_ = std::move(target); }
  rt::Selector selector() const { return selector_; }
  void setSelector(rt::Selector selector) { selector_ = selector; }

  /// Equal when of the same class, with the same selector and the identical target.
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;

 private:
  rt::Id target_;
  rt::Selector selector_;
};

}  // namespace base
