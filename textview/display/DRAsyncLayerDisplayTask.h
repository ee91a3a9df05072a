#pragma once
// What a layer draws and what it is told around the drawing; the layer's delegate hands out a
// new one for every display. `display` may run on a background queue; the other two run on
// the main thread.
#include <functional>

#include "platform/graphics/Context.h"
#include "platform/runtime/Class.h"

namespace ui {
class Layer;
}

namespace textview {

class DRAsyncLayerDisplayTask : public rt::Object {
  RT_CLASS(DRAsyncLayerDisplayTask, rt::Object)
 public:
  using WillDisplay = std::function<void(ui::Layer& layer)>;
  /// The context may be null (a drawing of no size); `isCancelled` answers true once the
  /// drawing has gone stale, so a costly drawing checks it between steps.
  using Display = std::function<void(const Ref<gfx::Context>& context, gfx::Size size,
                                     const std::function<bool()>& isCancelled)>;
  /// `finished` is false when a drawing that had started was overtaken by a newer one.
  using DidDisplay = std::function<void(ui::Layer& layer, bool finished)>;

  WillDisplay willDisplay;
  Display display;
  DidDisplay didDisplay;
};

/// Implemented by the delegate of a `DRAsyncLayer` (the view that owns it).
class DRAsyncLayerDelegate {
 public:
  virtual ~DRAsyncLayerDelegate() = default;
  /// A new task for one display; null means nothing to draw.
  virtual Ref<DRAsyncLayerDisplayTask> newAsyncDisplayTask() = 0;
};

}  // namespace textview
