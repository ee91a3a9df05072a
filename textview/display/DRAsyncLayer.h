#pragma once
// A layer whose contents its delegate draws, on a background queue of the user-initiated pool
// (the default) or on the main thread. Every new display request makes drawings already under
// way stale; a stale drawing gives up and never reaches the layer. Main thread only, apart from
// the task's `display` block.
#include "base/utility/DRSentinel.h"
#include "platform/ui/layer/Layer.h"
#include "textview/display/DRAsyncLayerDisplayTask.h"

namespace textview {

class DRAsyncLayer : public ui::Layer {
  RT_CLASS(DRAsyncLayer, ui::Layer)
 public:
  static inline const rt::String kDisplaysAsynchronouslyKey = "displaysAsynchronously";

  void init();
  ~DRAsyncLayer() override;

  bool displaysAsynchronously() const { return displaysAsynchronously_.load(std::memory_order_relaxed); }
  /// Takes effect at the next display; does not ask for one.
  void setDisplaysAsynchronously(bool on) { displaysAsynchronously_.store(on, std::memory_order_relaxed); }

  rt::Id defaultValueForKey(const rt::String& key) const override;
  void setNeedsDisplay() override;
  void display() override;

  /// The generation counter drawings compare against (for tests and owners that cancel).
  const Ref<base::DRSentinel>& sentinel() const { return sentinel_; }

 private:
  void displayAsync(bool async);
  void cancelAsyncDisplay() { sentinel_->increase(); }

  Ref<base::DRSentinel> sentinel_ = rt::make<base::DRSentinel>();
  std::atomic<bool> displaysAsynchronously_{true};
};

}  // namespace textview
