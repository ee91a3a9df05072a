#pragma once
// Transactions batch layer changes. An implicit one opens with the first change of a run-loop
// turn and commits before the main loop waits; explicit ones nest with begin/commit and carry
// the flags the changes inside them read (actions disabled, duration, timing, completion).
#include <functional>
#include <memory>

#include "platform/runtime/Object.h"
#include "platform/ui/layer/MediaTimingFunction.h"

namespace ui {

class Transaction {
 public:
  static void begin();
  static void commit();
  /// Commits the implicit transaction now, if one is open.
  static void flush();

  static bool disableActions();
  static void setDisableActions(bool on);
  /// 0.25 s unless set.
  static double animationDuration();
  static void setAnimationDuration(double d);
  static Ref<MediaTimingFunction> animationTimingFunction();
  static void setAnimationTimingFunction(Ref<MediaTimingFunction> f);
  /// Runs on the main run loop once the animations added in this transaction have finished
  /// (at commit when there were none).
  static std::function<void()> completionBlock();
  static void setCompletionBlock(std::function<void()> block);

  /// Open transactions, implicit included.
  static size_t depth();

  // Used by layers and animations.
  /// Opens the implicit transaction when none is open (and arms its commit).
  static void ensureImplicit();
  /// Ties an animation added now to the current transaction's completion: the block runs once
  /// every token handed out has been released and the transaction has committed. Null when
  /// the transaction has no completion block.
  static std::shared_ptr<void> retainCompletion();
};

}  // namespace ui
