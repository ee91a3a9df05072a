#pragma once
// One horizontal band of a laid-out page. A page is drawn in bands so that only the visible
// ones hold backing stores and scrolling moves drawn pixels instead of drawing again.
#include <functional>

#include "platform/ui/view/View.h"

namespace ui {

class WebPageTileView : public View {
  RT_CLASS_NAMED(WebPageTileView, View, "_UIWebTileView")
 public:
  /// Draws the page rectangle `pageRect` (points) into the current context.
  using Painter = std::function<void(gfx::Context& ctx, gfx::Rect pageRect)>;
  void init(gfx::Rect frame) { View::init(frame); }
  void setPainter(Painter painter) { painter_ = std::move(painter); }
  void drawRect(gfx::Rect rect) override;

 private:
  Painter painter_;
};

}  // namespace ui
